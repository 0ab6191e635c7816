#!/usr/bin/env bash
# Formats every C++ source of the project as .clang-format says:
#   tools/format.sh            rewrites the files in place
#   tools/format.sh --check    changes nothing; names each file that is not formatted and fails
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  unformatted=()
  for file in "${files[@]}"; do
    clang-format --dry-run -Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
  done
  if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'format: not formatted (run tools/format.sh): %s\n' "${unformatted[@]}" >&2
    exit 1
  fi
else
  clang-format -i "${files[@]}"
fi
