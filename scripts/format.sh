#!/usr/bin/env bash
# Formats every C++ source of the project (tracked, or new and not ignored)
# with the style in .clang-format. With --check it changes nothing and fails,
# naming each line, when a file is not formatted.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  clang-format --dry-run --Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi
