#!/usr/bin/env bash
# Installs what is missing, checks that the includes follow the libraries'
# links and layers and that the sources follow .clang-format, builds and
# runs every test: the g++ build with
# ctest (one process per test; it also replays the fuzz corpora), then every
# test program whole in a shuffled order with a printed seed, a smoke run of
# every benchmark, and last a clang build of the fuzz targets, each run for a
# bounded time with a fixed seed. Each step prints how long it took.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${VARNETA_BUILD_DIR:-$root/build}"

step() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name"
  "$@"
  echo "== $name: $((SECONDS - start)) s"
}

step "install" bash "$root/scripts/install-deps.sh"
step "layers" python3 "$root/scripts/check-layers.py" "$root"
step "format" bash "$root/scripts/check-format.sh"
# Warnings fail the build, so that it stays free of them. Line tables only
# (-g1): stack traces keep their files and lines, and the build takes about a
# third less time than with full debug information.
step "build" bash "$root/scripts/build.sh" -DVARNETA_WERROR=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
step "ctest" ctest --test-dir "$build" -j "$(nproc)" --output-on-failure
# A random shuffle each run, its seed printed; VARNETA_TEST_SEED repeats one.
step "whole test programs" bash "$root/scripts/whole-tests.sh"
step "benchmark smoke" bash "$root/scripts/bench-smoke.sh"
step "fuzz" bash "$root/scripts/fuzz.sh"
