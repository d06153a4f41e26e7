#!/usr/bin/env bash
# Checks that the tracked C and C++ sources are laid out as .clang-format
# says (clang-format --dry-run -Werror). Only clang-format 14, Debian 12's,
# is trusted: other major versions lay some code out differently, so where
# clang-format is missing or of another version the check is skipped with a
# notice. `VARNETA_CLANG_FORMAT` names the program when it is not on the PATH
# as clang-format-14 or clang-format.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tool=${VARNETA_CLANG_FORMAT:-}
if [ -z "$tool" ]; then
  for candidate in clang-format-14 clang-format; do
    if command -v "$candidate" >/dev/null 2>&1; then
      tool=$candidate
      break
    fi
  done
fi
if [ -z "$tool" ] || ! command -v "$tool" >/dev/null 2>&1; then
  echo "check-format: skipped, clang-format is not installed (scripts/install-deps.sh installs it)"
  exit 0
fi
version=$("$tool" --version | sed -n 's/.*version \([0-9][0-9]*\)\..*/\1/p')
if [ "$version" != 14 ]; then
  echo "check-format: skipped, $tool is version ${version:-unknown}, not 14, and versions lay code out differently"
  exit 0
fi

files=()
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  while IFS= read -r -d '' f; do
    [ -f "$f" ] && files+=("$f")  # a deleted file not yet committed is passed over
  done < <(git ls-files -z -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
else
  while IFS= read -r -d '' f; do files+=("${f#./}"); done < <(
    find . \( -path './build*' -o -path './.git' -o -path './datos' \) -prune -o \
      -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) \
      -print0)
fi

report=$(printf '%s\0' "${files[@]}" | xargs -0 -r -n 64 "$tool" --dry-run -Werror --style=file 2>&1 || true)
differing=$(printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
if [ -n "$report" ] && [ -z "$differing" ]; then
  printf '%s\n' "$report" >&2  # clang-format failed otherwise (an unreadable .clang-format)
  exit 1
fi
if [ -n "$differing" ]; then
  count=$(printf '%s\n' "$differing" | wc -l)
  printf '%s\n' "$differing" | sed 's/^/  /' >&2
  echo "check-format: $count of ${#files[@]} files differ from .clang-format; format them with" >&2
  echo "  $tool -i <file>..." >&2
  exit 1
fi
echo "check-format: the ${#files[@]} sources follow .clang-format"
