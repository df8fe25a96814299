#!/usr/bin/env bash
# The viewer as a user meets it (run by with-xvfb-wm.sh): against pymodbus's
# server, "Cmd 01" chosen in the connection dialog, coil 0 turned over with
# Space and Enter in the grid, and the coil read back through pymodbus's own
# client. coil_desktop_test.sh TARVIX PYMODBUS_PEER_PY
set -uo pipefail
tarvix=$1 peer_py=$2
work=$(mktemp -d)
pid='' peer=''
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$peer" ] && kill "$peer" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
keys() { timeout 5 xdotool key --delay 40 "$@" || fail "xdotool key $*"; }
# The id of the first visible window of the viewer whose title matches.
find_window() {
  for _ in $(seq 80); do
    w=$(timeout 2 xdotool search --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -n1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
coils() { /usr/bin/python3 "$peer_py" --read "$port" 0 8; }

/usr/bin/python3 "$peer_py" 120 >"$work/peer.out" 2>"$work/peer.err" &
peer=$!
port=''
for _ in $(seq 100); do
  port=$(awk '/^PORT/{print $2}' "$work/peer.out")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "pymodbus did not start: $(cat "$work/peer.err")"
[ "$(coils)" = 01000100 ] || fail "the peer's coils at the start: $(coils)"

# Loopback only: the viewer reads its settings from its current folder.
printf '[MODBUS]\nConnType=0\nSlaveAddr=1\nStartReg=0\nRegCount=8\n[TCPIP]\nIPAddr=127.0.0.1\nPort=%s\n' \
  "$port" >"$work/Tarvix.ini"
(cd "$work" && exec "$tarvix") 2>"$work/stderr" &
pid=$!
dialog=$(find_window 'Connection Parameters') || fail "no connection dialog"
timeout 5 xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || fail "dialog not activated"
# "Cmd 01": right of the update period, under "Cmd 03".
timeout 5 xdotool mousemove --window "$dialog" 240 258 click 1 || fail "click on Cmd 01"
sleep 0.2
keys Return
box=$(find_window 'TCP') || fail "no connection box"
timeout 5 xdotool windowactivate --sync "$box" >/dev/null 2>&1
keys Return
main=$(find_window '^Tarvix: Ethernet TCP$') || fail "no main window"
timeout 5 xdotool windowactivate --sync "$main" >/dev/null 2>&1 || fail "main window not activated"
sleep 0.5
[ "$(coils)" = 01000100 ] || fail "a coil changed before any edit: $(coils)"
# Coil 0 is the current cell: Space turns it over, Enter sends it.
keys space
sleep 0.3
[ "$(coils)" = 01000100 ] || fail "the coil was written before Enter: $(coils)"
keys Return
for _ in $(seq 30); do
  [ "$(coils)" = 11000100 ] && break
  sleep 0.1
done
[ "$(coils)" = 11000100 ] || fail "the peer's coils after Space, Enter: $(coils)"
echo "PASS coil toggled through the viewer"
