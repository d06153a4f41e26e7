# Sourced by the CI scripts: parallel_each FUNCTION ITEM... runs FUNCTION ITEM
# for every item, VARNETA_JOBS at once (default: the number of cores), and
# fails when any of them failed.
parallel_each() {
  local fn=$1 jobs=${VARNETA_JOBS:-$(nproc)} running=0 failed=0
  shift
  for item in "$@"; do
    if [ "$running" -ge "$jobs" ]; then
      wait -n || failed=1
      running=$((running - 1))
    fi
    "$fn" "$item" &
    running=$((running + 1))
  done
  while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
  done
  return "$failed"
}
