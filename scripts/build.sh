#!/usr/bin/env bash
# Configures (once) and builds the project with g++ into ./build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${VARNETA_BUILD_DIR:-$root/build}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc "$@"
fi
cmake --build "$build" -j "$(nproc)"
