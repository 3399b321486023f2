#!/usr/bin/env bash
# Builds the program (32-bit, the release build) and starts it under Wine on
# the current display, or on a virtual one with a screenshot of the window
# when there is none. Wine's desktop cannot show a wallpaper, so a recording
# stand-in takes the Active Desktop object's place and every wallpaper change
# it receives is printed here. Ends when the program exits (tray menu, Exit)
# or on Ctrl+C.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
root=$(repo_root)
bin="$root/build/i686/bin"

"$root/scripts/install-deps.sh"
build_arch i686 >/dev/null

headless=
if [ -z "${DISPLAY:-}" ]; then
  start_virtual_display
  headless=1
fi
ensure_wine_prefix
wine regsvr32 /s "$bin/desktop_standin.dll"

log="$root/build/wallpaper-changes.log"
: > "$log"
BACKDROP_DESKTOP_LOG=$(winepath -w "$log")
export BACKDROP_DESKTOP_LOG

wine "$bin/BackdropCarousel.exe" >/dev/null 2>&1 &
program=$!
cleanup() {
  kill "$program" "${follower:-}" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

styles=(Center Tile Stretch)
tail -n +1 -F "$log" 2>/dev/null | while read -r call rest; do
  case $call in
    SetWallpaper) echo "Wallpaper: ${rest% *}" ;;
    SetWallpaperOptions) read -r _ style _ <<<"$rest"; echo "  style: ${styles[$style]:-$style}" ;;
    ApplyChanges) [ "$rest" = 7 ] && echo "  (style applied to the current wallpaper)" ;;
  esac
done &
follower=$!

if [ -n "$headless" ]; then
  title="BackdropCarousel - v2.0"
  for _ in $(seq 100); do xwininfo -name "$title" >/dev/null 2>&1 && break; sleep 0.2; done
  sleep 1
  import -window "$title" "$root/build/screenshot.png"
  echo "No display: the program runs on virtual display $DISPLAY; screenshot in build/screenshot.png"
fi
echo "BackdropCarousel is running; stop it from its tray menu (Exit) or with Ctrl+C."
wait "$program"
