#!/usr/bin/env bash
# Builds the release executables for both architectures and packs each with
# the user's guide, the changelog and the licence:
# dist/BackdropCarousel-<version>-win32.zip and -win64.zip, and the Windows
# Installer packages -win32-user.msi, -win32-machine.msi, -win64-user.msi and
# -win64-machine.msi, with their SHA-256 sums in dist/SHA256SUMS. The same
# commit gives the same bytes: the files in them carry the commit's time.
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
  case $arch in i686) name=win32 platform=x86 ;; x86_64) name=win64 platform=x64 ;; esac
  exe=$root/build/$arch/bin/BackdropCarousel.exe
  pack_release "$exe" "$root/dist/BackdropCarousel-$version-$name.zip" "$epoch"
  for scope in user machine; do
    pack_installer "$exe" "$root/dist/BackdropCarousel-$version-$name-$scope.msi" "$scope" "$platform" "$epoch"
  done
done
cd "$root/dist"
sha256sum -- *.zip *.msi > SHA256SUMS
ls -l -- *.zip *.msi
cat SHA256SUMS
