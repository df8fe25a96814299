#!/usr/bin/env bash
# tarvix-edit as a user meets it, keys typed through the X server into the
# real program (run by with-xvfb-wm.sh): edit_desktop_test.sh TARVIX_EDIT CASE...
# Cases: lone-alt, goto-past-end, undo-past-save.
set -uo pipefail
edit=$1; shift
work=$(mktemp -d)
pid=''
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL $case: $*" >&2; exit 1; }

# Starts the editor on a file and waits until its window has the focus.
start() {
  "$edit" "$@" 2>"$work/stderr" &
  pid=$!
  win=''
  for _ in $(seq 100); do
    win=$(timeout 2 xdotool search --onlyvisible --pid "$pid" --name 'tarvix-edit' 2>/dev/null | head -n1)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || fail "no window"
  timeout 5 xdotool windowactivate --sync "$win" >/dev/null 2>&1 || fail "window not activated"
  sleep 0.3
}
keys() { timeout 5 xdotool key --delay 30 "$@" || fail "xdotool key $*"; }
typed() { timeout 5 xdotool type --delay 30 "$1" || fail "xdotool type $1"; }
# Waits until a visible window whose title matches appears.
wait_window() {
  for _ in $(seq 50); do
    timeout 2 xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "no window \"$1\""
}
# Waits until the file holds exactly the expected text.
wait_file() {
  for _ in $(seq 50); do
    [ -f "$1" ] && [ "$(cat "$1")" = "$2" ] && return 0
    sleep 0.1
  done
  fail "$1 holds \"$(cat "$1" 2>/dev/null)\", not \"$2\""
}
# Waits up to $1 tenths of a second for the editor to end.
wait_exit() {
  for _ in $(seq "$1"); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; pid=''; return 0; }
    sleep 0.1
  done
  return 1
}
quit() {
  keys alt+x
  wait_exit 50 || fail "still running after Alt+X"
}

for case in "$@"; do
  case $case in
  lone-alt)
    # Alt pressed and released alone, then typing: the keys reach the text.
    start "$work/alt.txt"
    keys alt
    typed abc
    keys F2
    wait_file "$work/alt.txt" abc
    quit
    ;;
  goto-past-end)
    # Go to line 100 of 23: the cursor lands on the last line.
    seq 23 >"$work/lines.txt"
    start "$work/lines.txt"
    keys ctrl+g
    wait_window 'Переход на строку'
    typed 100
    keys Return
    sleep 0.3
    typed Z
    keys F2
    wait_file "$work/lines.txt" "$(seq 22; echo Z23)"
    quit
    ;;
  undo-past-save)
    # Typing, saving, then undoing past the save: the text differs from the
    # file again, so quitting asks.
    printf 'line\n' >"$work/undo.txt"
    start "$work/undo.txt"
    typed abc
    keys F2
    wait_file "$work/undo.txt" abcline
    keys ctrl+z
    keys alt+x
    if wait_exit 20; then fail "quit without asking"; fi
    [ "$(timeout 2 xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)" -ge 2 ] || fail "no question shown"
    kill "$pid"; wait "$pid" 2>/dev/null; pid=''
    ;;
  *) fail "unknown case" ;;
  esac
  echo "PASS $case"
done
