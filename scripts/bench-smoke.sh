#!/usr/bin/env bash
# Runs every benchmark program for the least time it allows, to show that
# each one still runs to its end: a benchmark that hangs or fails shows here
# rather than when someone measures. The figures are not compared.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/parallel.sh"
build="${VARNETA_BUILD_DIR:-$root/build}"
limit="${VARNETA_BENCH_TIMEOUT:-600}"
# The practice at full size is built smaller here: its figures are not read.
export VARNETA_BENCH_ROWS="${VARNETA_BENCH_ROWS:-20000}"
shopt -s nullglob
programs=()
for program in "$build"/bench/bench_*; do
  [ -f "$program" ] && [ -x "$program" ] && programs+=("$program")
done
if [ ${#programs[@]} -eq 0 ]; then
  echo "bench smoke: no benchmark programs in $build/bench"
  exit 0
fi
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

run() {
  local program=$1 name status=0 start=$SECONDS work
  name=$(basename "$program")
  work=$(mktemp -d)
  (cd "$work" && QT_QPA_PLATFORM=offscreen timeout --kill-after=10 "$limit" "$program" \
    --benchmark_min_time=0.001) >"$logs/$name.log" 2>&1 || status=$?
  rm -rf "$work"
  if [ "$status" -eq 0 ]; then
    echo "bench smoke: $name ended ($((SECONDS - start)) s)"
    return 0
  fi
  echo "bench smoke: $name FAILED with status $status ($((SECONDS - start)) s)"
  tail -n 40 "$logs/$name.log"
  return 1
}

if ! parallel_each run "${programs[@]}"; then
  echo "bench smoke: failures"
  exit 1
fi
echo "bench smoke: every benchmark ended"
