#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan+UBSan, warnings as errors)
# into ./build-fuzz and runs each for FUZZ_SECONDS (default 20) with a fixed
# seed, starting from its stored corpus (copied, so the stored corpus stays as
# committed). The targets run side by side, one per core (VARNETA_JOBS).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/parallel.sh"
build="$root/build-fuzz"
seconds="${FUZZ_SECONDS:-20}"
shopt -s nullglob
sources=("$root"/fuzz/*_fuzz.cpp)
if [ ${#sources[@]} -eq 0 ]; then
  echo "fuzz: no targets"
  exit 0
fi
if [ ! -f "$build/build.ninja" ]; then
  flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DVARNETA_FUZZ=ON -DVARNETA_BENCH=OFF -DVARNETA_WERROR=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only -DNDEBUG"
else
  # A folder configured before warnings became errors turns them on too.
  cmake -S "$root" -B "$build" -DVARNETA_WERROR=ON >/dev/null
fi
targets=()
for s in "${sources[@]}"; do targets+=("fuzz_$(basename "$s" .cpp)"); done
cmake --build "$build" -j "${VARNETA_JOBS:-$(nproc)}" --target "${targets[@]}"

run() {
  local name status=0 work
  name=$(basename "$1" .cpp)
  work=$(mktemp -d)
  [ -d "$root/fuzz/corpus/$name" ] && cp -r "$root/fuzz/corpus/$name/." "$work/"
  (cd "$work" && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 "$build/fuzz/fuzz_$name" -seed=1 -max_total_time="$seconds" "$work") >"$work.log" 2>&1 || status=$?
  # One block of lines per target, so that parallel targets do not interleave.
  {
    echo "fuzz: $name for ${seconds}s"
    tail -n 3 "$work.log"
    [ "$status" -eq 0 ] || { tail -n 60 "$work.log"; echo "fuzz: $name failed"; }
  }
  rm -f "$work.log"
  rm -rf "$work"
  return "$status"
}

parallel_each run "${sources[@]}"
