#!/usr/bin/env bash
# Runs a command against a private X server (Xvfb) whose keyboard has two
# layout groups, us and ru: with-xvfb.sh COMMAND [ARGS...]
# The server keeps its state between clients (-noreset) and is stopped by
# its process id when the command ends.
set -euo pipefail
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$fifo" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -f "$fifo"' EXIT
display=$(timeout 10 head -n1 "$fifo")
[ -n "$display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
timeout 10 setxkbmap -layout us,ru
timeout 120 "$@"
