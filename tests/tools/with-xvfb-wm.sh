#!/usr/bin/env bash
# Runs a command against a private X server (Xvfb) with a window manager
# (openbox), as a desktop would have: with-xvfb-wm.sh COMMAND [ARGS...]
# The manager tells a window that it is active again after a modal dialog,
# so the window's shortcuts work as a user meets them. Both servers are
# stopped by their process ids when the command ends.
set -euo pipefail
tmp=$(mktemp -d)
mkfifo "$tmp/display"
xvfb='' wm=''
cleanup() {
  local pids="$wm $xvfb" p
  for p in $pids; do kill "$p" 2>/dev/null || true; done
  # Bounded: a server that does not end on SIGTERM within 5 s is killed, so
  # it never holds the caller's output open.
  for _ in $(seq 50); do
    alive=''
    for p in $pids; do kill -0 "$p" 2>/dev/null && alive=1; done
    [ -z "$alive" ] && break
    sleep 0.1
  done
  for p in $pids; do kill -KILL "$p" 2>/dev/null || true; done
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$tmp/display" >/dev/null 2>&1 &
xvfb=$!
display=$(timeout 10 head -n1 "$tmp/display")
[ -n "$display" ] || { echo "Xvfb did not start" >&2; exit 1; }
# The manager and the programs keep their settings in the private folder.
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb HOME="$tmp" XDG_CONFIG_HOME="$tmp/config" XDG_CACHE_HOME="$tmp/cache"
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# Ready when the manager has claimed the screen (_NET_SUPPORTING_WM_CHECK).
for _ in $(seq 50); do
  if timeout 2 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then break; fi
  sleep 0.1
done
timeout 10 setxkbmap -layout us
timeout 300 "$@"
