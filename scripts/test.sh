#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the g++ build with
# ctest (which also replays the fuzz corpora), then a clang build of the fuzz
# targets, each run for a bounded time with a fixed seed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
ctest --test-dir "${VARNETA_BUILD_DIR:-$root/build}" -j "$(nproc)" --output-on-failure
bash "$root/scripts/fuzz.sh"
