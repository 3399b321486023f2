#!/usr/bin/env bash
# Builds the release executables for both architectures and packs each with
# the user's guide, the changelog and the licence:
# dist/BackdropCarousel-<version>-win32.zip and -win64.zip, with their SHA-256
# sums in dist/SHA256SUMS. The same commit gives the same bytes: the files in
# the zips carry the commit's time.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
root=$(repo_root)

"$root/scripts/install-deps.sh"
version=$(project_version)
epoch=$(git -C "$root" log -1 --format=%ct)

rm -rf "$root/dist"
mkdir -p "$root/dist"
for arch in i686 x86_64; do
  build_arch "$arch" --target BackdropCarousel >/dev/null
  case $arch in i686) name=win32 ;; x86_64) name=win64 ;; esac
  pack_release "$root/build/$arch/bin/BackdropCarousel.exe" \
    "$root/dist/BackdropCarousel-$version-$name.zip" "$epoch"
done
cd "$root/dist"
sha256sum -- *.zip > SHA256SUMS
ls -l -- *.zip
cat SHA256SUMS
