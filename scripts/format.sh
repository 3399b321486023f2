#!/usr/bin/env bash
# Formats every C++ source of the project (tracked, or new and not ignored)
# with the style in .clang-format. With --check it changes nothing and fails,
# naming each line, when a file is not formatted. Another version of
# clang-format formats some lines differently: only the project's, 14
# (Debian 12's), is taken, from the PATH or as CLANG_FORMAT names it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

clang_format=${CLANG_FORMAT:-clang-format}
wanted=14
version=$("$clang_format" --version 2>/dev/null | sed -n 's/.*clang-format version \([0-9][0-9.]*\).*/\1/p') || true
if [ "${version%%.*}" != "$wanted" ]; then
  echo "scripts/format.sh needs clang-format $wanted, the project's version, but $clang_format is" \
    "${version:-not a clang-format it can run}: set CLANG_FORMAT to a clang-format $wanted (CONTRIBUTING.md)." >&2
  exit 1
fi
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  "$clang_format" --dry-run --Werror "${files[@]}"
else
  "$clang_format" -i "${files[@]}"
fi
