#!/usr/bin/env bash
# Renders each manual page and compares the options its OPTIONS section
# lists with the options the program knows: those its --help text names,
# and --help and --version themselves where the program answers them with
# exit status 0. Options are read as "--word" from both texts, so a new
# option fails this test until its page lists it.
#   check-man-pages.sh MAN_DIR SOURCE_DIR VERSION NAME=PROGRAM...
# MAN_DIR holds NAME.1.gz (and NAME.1.scd where the build wrote it),
# SOURCE_DIR NAME.1.scd; PROGRAM "-" is a program
# that takes no arguments at all (it is never started).
set -uo pipefail
export QT_QPA_PLATFORM=offscreen
man_dir=$1 src_dir=$2 version=$3
shift 3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0
fail() {
  echo "FAIL: $*" >&2
  failed=1
}
options() { grep -oE -- '--[a-z0-9][a-z0-9-]*' | sort -u; }

for spec in "$@"; do
  name=${spec%%=*} prog=${spec#*=}
  page=$man_dir/$name.1.gz
  [ -f "$page" ] || { fail "$page missing"; continue; }
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$name(1) renders with warnings: $warnings"

  # The console programs' pages get their option lists at build time: the
  # built source in MAN_DIR is the one to read where there is one.
  scd=$man_dir/$name.1.scd
  [ -f "$scd" ] || scd=$src_dir/$name.1.scd
  sed -n '/^# OPTIONS/,/^# [A-Z]/p' "$scd" | options >"$tmp/listed"
  : >"$tmp/known"
  if [ "$prog" != - ]; then
    # A program that would not stop on these arguments is ended after 20 s.
    timeout 20 "$prog" --help >"$tmp/help" 2>&1 && echo --help >>"$tmp/known"
    options <"$tmp/help" >>"$tmp/known"
    if timeout 20 "$prog" --version >"$tmp/version" 2>&1; then
      echo --version >>"$tmp/known"
      first=$(head -n 1 "$tmp/version")
      [ "$first" = "$name $version" ] || fail "$name --version says '$first', not '$name $version'"
      grep -q "MIT licence" "$tmp/version" || fail "$name --version does not name the licence"
    fi
  fi
  sort -u -o "$tmp/known" "$tmp/known"
  missing=$(comm -23 "$tmp/known" "$tmp/listed" | tr '\n' ' ')
  extra=$(comm -13 "$tmp/known" "$tmp/listed" | tr '\n' ' ')
  [ -z "$missing" ] || fail "$name: options missing from $name.1.scd: $missing"
  [ -z "$extra" ] || fail "$name: $name.1.scd lists options the program does not know: $extra"
  echo "$name(1): $(wc -l <"$tmp/listed") options"
done
exit $failed
