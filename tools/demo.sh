#!/usr/bin/env bash
# Starts the viewer against the bundled slave simulator on 127.0.0.1.
#   tools/demo.sh BUILD_DIR
# The simulator listens on a free loopback TCP port and counts its holding
# registers 0..15 up once a second. The viewer runs in the repository's demo/
# folder, whose Tarvix.ini is written here to point at that port; pressing OK
# in the connection dialog shows the live registers. The simulator is stopped
# when the viewer exits.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
slave=$build/tools/slave/tarvix-slave
viewer=$build/app/tarvix
for exe in "$slave" "$viewer"; do
  if [ ! -x "$exe" ]; then
    echo "$0: $exe is missing; build first (tools/setup.sh build)" >&2
    exit 1
  fi
done

demo=$root/demo
mkdir -p "$demo"
out=$(mktemp "${TMPDIR:-/tmp}/tarvix-demo.XXXXXX")
slave_pid=
cleanup() {
  if [ -n "$slave_pid" ] && kill -0 "$slave_pid" 2>/dev/null; then
    kill "$slave_pid" 2>/dev/null || true
    wait "$slave_pid" 2>/dev/null || true
  fi
  rm -f "$out"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$slave" --tcp 0 --animate --seconds 3600 >"$out" &
slave_pid=$!

# The simulator prints "PORT <n>" first; wait for it at most 10 seconds.
port=
for _ in $(seq 100); do
  line=$(head -n 1 "$out" 2>/dev/null || true)
  if [[ $line =~ ^PORT\ ([0-9]+)$ ]]; then
    port=${BASH_REMATCH[1]}
    break
  fi
  if ! kill -0 "$slave_pid" 2>/dev/null; then
    break
  fi
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "$0: the simulator did not report its port" >&2
  exit 1
fi

cat >"$demo/Tarvix.ini" <<INI
[MODBUS]
ConnType=0
SlaveAddr=1
StartReg=0
RegCount=40

[TCPIP]
IPAddr=127.0.0.1
Port=$port
LocalPort=0
INI

# Never start the viewer with settings that point anywhere but loopback.
grep -qx 'IPAddr=127.0.0.1' "$demo/Tarvix.ini" || { echo "$0: bad demo settings" >&2; exit 1; }

echo "Simulator on 127.0.0.1:$port (pid $slave_pid); press OK in the dialog."
cd "$demo"
status=0
"$viewer" || status=$?
exit "$status"
