#!/usr/bin/env bash
# Builds the release executables for both architectures and packs each with
# the user's and the administrators' guides, the changelog and the licence:
# dist/BackdropCarousel-<version>-win32.zip and -win64.zip, and the Windows
# Installer packages -win32-user.msi, -win32-machine.msi, -win64-user.msi and
# -win64-machine.msi, with their SHA-256 sums in dist/SHA256SUMS, and the
# winget manifests that point at them in the GitHub release v<version> in
# dist/winget/, and the Scoop manifest of the zips in dist/scoop/. The same
# commit gives the same bytes: the files in them carry the commit's time.
#
# Where SIGNING_PFX names a code-signing certificate (scripts/sign.sh), each
# program is signed before it is packed, and each package after; SHA256SUMS
# and the manifests list the files as signed. Unsigned, the same bytes are
# still in them: removing the signatures gives the unsigned build's.
#
# The release's repository (owner/name), which the manifests and the guides
# name, is BACKDROP_REPOSITORY, else the one a GitHub workflow runs in
# (GITHUB_REPOSITORY), else BackdropCarousel/BackdropCarousel.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/release.sh"
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
  if [ -n "${SIGNING_PFX:-}" ]; then
    # A signed copy: the build folder keeps the program the tests ran.
    mkdir -p "$root/build/signed-$arch"
    cp "$exe" "$root/build/signed-$arch/BackdropCarousel.exe"
    exe=$root/build/signed-$arch/BackdropCarousel.exe
    "$root/scripts/sign.sh" "$exe"
  fi
  pack_release "$exe" "$root/dist/BackdropCarousel-$version-$name.zip" "$epoch"
  for scope in user machine; do
    pack_installer "$exe" "$root/dist/BackdropCarousel-$version-$name-$scope.msi" "$scope" "$platform" "$epoch"
  done
done
[ -z "${SIGNING_PFX:-}" ] || "$root/scripts/sign.sh" "$root"/dist/*.msi
write_winget_manifests "$root/dist" "$(release_repository)"
write_scoop_manifest "$root/dist" "$(release_repository)"
cd "$root/dist"
sha256sum -- *.zip *.msi > SHA256SUMS
ls -l -- *.zip *.msi
cat SHA256SUMS
