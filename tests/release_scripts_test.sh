#!/usr/bin/env bash
# The release scripts' own steps, on Linux alone:
#   release_scripts_test.sh package EXE LIMIT
#       the zip holds the program as built, the README and the licence; the
#       program is at most LIMIT bytes (0: no limit)
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
  [ "$contents" = "BackdropCarousel.exe README.txt LICENSE.txt " ] || fail "the zip holds $contents"
  unzip -p "$zip" BackdropCarousel.exe | cmp -s - "$2" || fail "the zip's program is not the one built"
  unzip -p "$zip" LICENSE.txt | grep -q "^MIT License" || fail "LICENSE.txt is not the MIT licence"
  unzip -p "$zip" README.txt | grep -q $'^# BackdropCarousel\r$' || fail "README.txt is not the README as Windows text"
  size=$(stat -c %s "$2")
  [ "$3" = 0 ] || [ "$size" -le "$3" ] || fail "the program is $size bytes, over $3"
  ;;
seeding)
  seed_settings "$work" "$work/pictures" || fail "no settings.ini was written"
  for line in "wallpaperDir=$(windows_path "$work/pictures")" rotationInt=3 rotationIntType=0 rotateAtStartup=1; do
    tr -d '\r' < "$work/settings.ini" | grep -qxF "$line" || fail "settings.ini lacks $line"
  done
  printf '[Settings]\nwallpaperDir=C:\\Mine\n' > "$work/settings.ini"
  cp "$work/settings.ini" "$work/own.ini"
  ! seed_settings "$work" "$work/pictures" || fail "an existing settings.ini was replaced"
  cmp -s "$work/settings.ini" "$work/own.ini" || fail "an existing settings.ini was changed"
  ;;
esac
