#!/usr/bin/env bash
# The release scripts' own steps, on Linux alone:
#   release_scripts_test.sh package EXE LIMIT
#       the zip holds the program as built, the user's guide, the changelog and
#       the licence as Windows text, the guide and the changelog naming the
#       project's version; the program is at most LIMIT bytes (0: no limit)
#   release_scripts_test.sh seeding      the run command writes settings.ini only where there is none
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

case $1 in
package)
  zip=$work/release.zip
  pack_release "$2" "$zip" 0
  contents=$(unzip -Z1 "$zip" | tr '\n' ' ')
  [ "$contents" = "BackdropCarousel.exe README.txt CHANGELOG.txt LICENSE.txt " ] || fail "the zip holds $contents"
  files=$work/unpacked
  unzip -q "$zip" -d "$files"
  cmp -s "$files/BackdropCarousel.exe" "$2" || fail "the zip's program is not the one built"
  for text in README.txt CHANGELOG.txt LICENSE.txt; do
    ! grep -qv $'\r$' "$files/$text" && [ "$(tail -c 2 "$files/$text" | od -An -tx1)" = " 0d 0a" ] ||
      fail "$text has a line that does not end in CR LF"
  done
  version=$(project_version)
  [[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "the project's version is '$version'"
  grep -qF "$version" "$files/README.txt" || fail "README.txt does not name version $version"
  grep -q "^## \[$version\]" "$files/CHANGELOG.txt" || fail "CHANGELOG.txt has no entry for $version"
  grep -q "^MIT License" "$files/LICENSE.txt" || fail "LICENSE.txt is not the MIT licence"
  size=$(stat -c %s "$2")
  [ "$3" = 0 ] || [ "$size" -le "$3" ] || fail "the program is $size bytes, over $3"
  ;;
seeding)
  # The sample pictures are on the Wine prefix's drive C:, any other folder on Z:.
  for folder in "$(sample_pictures_folder)=C:\users\Public\Pictures\BackdropCarousel" \
    "$work/pictures=Z:${work//\//\\}\pictures"; do
    rm -f "$work/settings.ini"
    seed_settings "$work" "${folder%%=*}" || fail "no settings.ini was written"
    for line in "wallpaperDir=${folder#*=}" rotationInt=3 rotationIntType=0 rotateAtStartup=1; do
      tr -d '\r' < "$work/settings.ini" | grep -qxF "$line" || fail "settings.ini lacks $line"
    done
  done
  printf '[Settings]\nwallpaperDir=C:\\Mine\n' > "$work/settings.ini"
  cp "$work/settings.ini" "$work/own.ini"
  ! seed_settings "$work" "$work/pictures" || fail "an existing settings.ini was replaced"
  cmp -s "$work/settings.ini" "$work/own.ini" || fail "an existing settings.ini was changed"
  ;;
esac
