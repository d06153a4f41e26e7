#!/usr/bin/env bash
# Configures (once, or again when given cache settings such as
# -DVARNETA_WERROR=ON) and builds the project with g++ into ./build: every
# target, or only those named in $VARNETA_BUILD_TARGETS (and what they need).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${VARNETA_BUILD_DIR:-$root/build}"
if [ ! -f "$build/build.ninja" ] || [ $# -gt 0 ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc "$@"
fi
targets=()
for t in ${VARNETA_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
