#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan+UBSan) into ./build-fuzz and
# runs each for FUZZ_SECONDS (default 20) with a fixed seed, starting from its
# stored corpus (copied, so the stored corpus stays as committed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
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
    -DVARNETA_FUZZ=ON -DVARNETA_BENCH=OFF
fi
targets=()
for s in "${sources[@]}"; do targets+=("fuzz_$(basename "$s" .cpp)"); done
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
for s in "${sources[@]}"; do
  name=$(basename "$s" .cpp)
  work=$(mktemp -d)
  [ -d "$root/fuzz/corpus/$name" ] && cp -r "$root/fuzz/corpus/$name/." "$work/"
  echo "fuzz: $name for ${seconds}s"
  status=0
  (cd "$work" && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 "$build/fuzz/fuzz_$name" -seed=1 -max_total_time="$seconds" "$work") >"$work.log" 2>&1 || status=$?
  tail -n 3 "$work.log"
  [ "$status" -eq 0 ] || tail -n 60 "$work.log"
  rm -f "$work.log"
  rm -rf "$work"
  [ "$status" -eq 0 ] || { echo "fuzz: $name failed"; exit 1; }
done
