#!/usr/bin/env bash
# Installs what is missing, builds the program alone and starts varneta in its data folder:
# the folder given as the first argument, else ./datos of the clone (created
# when missing). Further arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
# Only the program and what it needs; scripts/test.sh builds the rest.
VARNETA_BUILD_TARGETS=varneta bash "$root/scripts/build.sh"
data="${1:-$root/datos}"
[ $# -gt 0 ] && shift
mkdir -p "$data"
cd "$data"
exec "${VARNETA_BUILD_DIR:-$root/build}/app/varneta" "$@"
