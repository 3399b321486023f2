#!/usr/bin/env bash
# Builds the release executables for both architectures and packs each with
# the user's guide, the changelog and the licence:
# dist/BackdropCarousel-<version>-win32.zip and -win64.zip, and the Windows
# Installer packages -win32-user.msi, -win32-machine.msi, -win64-user.msi and
# -win64-machine.msi, with their SHA-256 sums in dist/SHA256SUMS, and the
# winget manifests that point at them in the GitHub release v<version> in
# dist/winget/, and the Scoop manifest of the zips in dist/scoop/. The same
# commit gives the same bytes: the files in them carry the commit's time.
#
# Where there is a code-signing certificate (SIGNING_PFX or
# SIGNING_PFX_BASE64, scripts/sign.sh), each program is signed before it is
# packed, and each package after; SHA256SUMS and the manifests list the files
# as signed. Unsigned, the same bytes are still in them: removing the
# signatures gives the unsigned build's (scripts/compare-release.sh).
#
#   package.sh [STAGE...]
# runs the stages named, in this order, or all of them (the signing ones only
# where there is a certificate):
#   build          the programs, unsigned, into build/<arch>; an empty dist/
#   sign-programs  a signed copy of each program in build/signed-<arch>
#   pack           the zips and packages in dist/, of the signed copies where
#                  there are some
#   sign-packages  each package in dist/, signed in place
#   list           SHA256SUMS and the manifests, of the files as they are
# The release job runs each stage in a step of its own, so that only the
# signing steps see the certificate and its password: the building and
# packing run compilers, package managers and their scripts.
#
# The release's repository (owner/name), which the manifests and the guides
# name, is BACKDROP_REPOSITORY, else the one a GitHub workflow runs in
# (GITHUB_REPOSITORY), else BackdropCarousel/BackdropCarousel.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/release.sh"
root=$(repo_root)
stages=("$@")
if [ ${#stages[@]} = 0 ]; then
  stages=(build pack list)
  [ -z "${SIGNING_PFX:-}${SIGNING_PFX_BASE64:-}" ] || stages=(build sign-programs pack sign-packages list)
fi
archs=(i686 x86_64)

for stage in "${stages[@]}"; do
  case $stage in
  build)
    "$root/scripts/install-deps.sh"
    # Nothing of an earlier run is packed or listed: no signed copy, no file.
    rm -rf "$root/dist" "${archs[@]/#/$root/build/signed-}"
    mkdir -p "$root/dist"
    for arch in "${archs[@]}"; do build_arch "$arch" --target BackdropCarousel >/dev/null; done
    ;;
  sign-programs)
    # A signed copy: the build folder keeps the program the tests ran.
    for arch in "${archs[@]}"; do
      mkdir -p "$root/build/signed-$arch"
      cp "$root/build/$arch/bin/BackdropCarousel.exe" "$root/build/signed-$arch/"
      "$root/scripts/sign.sh" "$root/build/signed-$arch/BackdropCarousel.exe"
    done
    ;;
  pack)
    version=$(project_version)
    epoch=$(git -C "$root" log -1 --format=%ct)
    for arch in "${archs[@]}"; do
      case $arch in i686) name=win32 platform=x86 ;; x86_64) name=win64 platform=x64 ;; esac
      exe=$root/build/signed-$arch/BackdropCarousel.exe
      [ -f "$exe" ] || exe=$root/build/$arch/bin/BackdropCarousel.exe
      pack_release "$exe" "$root/dist/BackdropCarousel-$version-$name.zip" "$epoch"
      for scope in user machine; do
        pack_installer "$exe" "$root/dist/BackdropCarousel-$version-$name-$scope.msi" "$scope" "$platform" "$epoch"
      done
    done
    ;;
  sign-packages) "$root/scripts/sign.sh" "$root"/dist/*.msi ;;
  list)
    write_winget_manifests "$root/dist" "$(release_repository)"
    write_scoop_manifest "$root/dist" "$(release_repository)"
    (cd "$root/dist" && sha256sum -- *.zip *.msi > SHA256SUMS && ls -l -- *.zip *.msi && cat SHA256SUMS)
    ;;
  *) echo "No stage $stage: build, sign-programs, pack, sign-packages or list." >&2; exit 2 ;;
  esac
done
