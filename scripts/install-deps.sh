#!/usr/bin/env bash
# Installs every Debian package the build, the program and its tests need,
# but only those that dpkg does not already report as installed.
set -euo pipefail

packages=(
  # build and test tools
  cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format valgrind openssl xvfb xauth
  # a window manager on the virtual X server, for the checks of real window mapping
  openbox x11-utils libxcb1-dev
  # libraries
  qt6-base-dev libqt6svg6 qt6-translations-l10n shared-mime-info libgl-dev libsqlite3-dev libssl-dev zlib1g-dev libicu-dev
  libboost-context-dev libxlsxwriter-dev libzip-dev libfmt-dev libcups2-dev
  # programs and fonts used at run time
  p7zip-full fonts-roboto fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea
  # test peers
  python3-aiosmtpd poppler-utils python3-openpyxl python3-odf python3-docx sqlite3
  # a print server of their own for the printing tests
  cups-daemon cups-client
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg -s "$p" >/dev/null 2>&1 || ! dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update </dev/null
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
