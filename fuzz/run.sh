#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on a copy of its seed corpus and
# fails on the first crash, leak or time-out.
#   fuzz/run.sh BUILD_DIR [SECONDS]    (default 30 seconds per target)
#   FUZZ_TARGETS="replies settings" fuzz/run.sh ...   only those targets
set -euo pipefail
if [ $# -lt 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 BUILD_DIR [SECONDS]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
seconds=${2:-30}
work=$(mktemp -d)
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
trap 'rm -rf "$work"' EXIT
status=0
for target in ${FUZZ_TARGETS:-replies settings loglist edit_file}; do
  exe=$build/fuzz/fuzz_$target
  [ -x "$exe" ] || { echo "$0: $exe is missing (ninja -C $1 fuzz)" >&2; exit 1; }
  mkdir -p "$work/$target" "$work/$target-artifacts"
  cp "$here/corpus/$target/"* "$work/$target/"
  echo "== fuzz_$target, $seconds s"
  if ! (cd "$work" && "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
        -print_final_stats=1 -artifact_prefix="$work/$target-artifacts/" "$work/$target" \
        >"$work/$target.log" 2>&1); then
    status=1
    tail -n 60 "$work/$target.log"
    for a in "$work/$target-artifacts/"*; do
      [ -f "$a" ] && { echo "input $(basename "$a"):"; od -An -tx1 "$a" | head -n 20; }
    done
  fi
  grep -E "^stat::number_of_executed_units|^stat::average_exec_per_sec|^Done" "$work/$target.log" || true
done
exit "$status"
