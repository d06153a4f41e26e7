#!/usr/bin/env bash
# Runs every test program whole (all its tests in one process, as the
# program runs its windows one after another) in an order shuffled by a seed
# that is printed, so that state one test leaves behind for the next shows.
# VARNETA_TEST_SEED repeats an order (1-99999); VARNETA_JOBS programs run at
# once (default: the number of cores).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/parallel.sh"
build="${VARNETA_BUILD_DIR:-$root/build}"
seed="${VARNETA_TEST_SEED:-$(( (RANDOM * 32768 + RANDOM) % 99999 + 1 ))}"
limit="${VARNETA_WHOLE_TIMEOUT:-1200}"
mapfile -t programs < <(find "$build" -path '*/CMakeFiles' -prune -o -type f -name '*_tests' -perm -u+x -print | sort)
if [ ${#programs[@]} -eq 0 ]; then
  echo "whole tests: no test programs in $build" >&2
  exit 1
fi
echo "whole tests: ${#programs[@]} programs, shuffle seed $seed (VARNETA_TEST_SEED=$seed repeats the order)"
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

run() {
  local program=$1 name status=0 start=$SECONDS
  name=$(basename "$program")
  QT_QPA_PLATFORM=offscreen timeout --kill-after=10 "$limit" "$program" --gtest_shuffle \
    --gtest_random_seed="$seed" >"$logs/$name.log" 2>&1 || status=$?
  if [ "$status" -eq 0 ]; then
    echo "whole tests: $name passed ($((SECONDS - start)) s)"
    return 0
  fi
  echo "whole tests: $name FAILED with status $status ($((SECONDS - start)) s), seed $seed"
  grep -E '^\[  FAILED  \]' "$logs/$name.log" || true
  tail -n 40 "$logs/$name.log"
  return 1
}

if ! parallel_each run "${programs[@]}"; then
  echo "whole tests: failures with shuffle seed $seed"
  exit 1
fi
echo "whole tests: all passed with shuffle seed $seed"
