#!/usr/bin/env bash
# Runs clang-tidy (the checks in .clang-tidy) over the program's sources,
# base/, rotation/, settings/ and ui/, as the build for ARCH (i686 by default,
# or x86_64) compiles them: the options come from the compile_commands.json of
# that build (by default build/ARCH, which a first run builds). Prints each
# finding and exits non-zero when there is one.
#   scripts/tidy.sh [ARCH [BUILD]]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
root=$(repo_root)
arch=${1:-i686}
build=${2:-$root/build/$arch}

[ -f "$build/compile_commands.json" ] || build_arch "$arch" >/dev/null

# clang finds the mingw-w64 C headers but not the posix compiler's C++
# library: its folders, as that compiler lists them.
extra=()
while read -r folder; do
  extra+=("--extra-arg=-isystem$folder")
done < <("$arch-w64-mingw32-g++-posix" -E -x c++ -v - </dev/null 2>&1 | sed -n 's|^ \(/.*/include/c++.*\)$|\1|p')

mapfile -t sources < <(sed -n 's#^ *"file": "\(.*/\(base\|rotation\|settings\|ui\)/[^/]*\.cpp\)",\?$#\1#p' \
  "$build/compile_commands.json")
if [ ${#sources[@]} -eq 0 ]; then
  echo "No sources of the program in $build/compile_commands.json" >&2
  exit 1
fi
# clang-tidy's count of the warnings it hid in the platform's headers is left out.
printf '%s\n' "${sources[@]}" |
  xargs -n 1 -P "$(nproc)" clang-tidy --quiet -p "$build" "${extra[@]}" 2> >(grep -v ' generated\.$' >&2)
