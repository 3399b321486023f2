#!/usr/bin/env bash
# A clone made as Git for Windows makes one (core.autocrlf=true) keeps the
# bash scripts' LF ends, which .gitattributes fixes: git says so of each, and
# each script of such a clone parses.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$root"
mapfile -t scripts < <(git ls-files '*.sh' .ci/run)
not_lf=$(git ls-files --eol -- "${scripts[@]}" | grep -v 'attr/text eol=lf' || true)
[ -z "$not_lf" ] || { echo "Not checked out with LF ends everywhere: $not_lf" >&2; exit 1; }
git clone -q -c core.autocrlf=true "$root" "$work/clone"
for script in "${scripts[@]}"; do
  bash -n "$work/clone/$script" || { echo "$script does not parse in a clone made as on Windows" >&2; exit 1; }
done
