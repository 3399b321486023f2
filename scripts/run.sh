#!/usr/bin/env bash
# Builds the program (32-bit, the release build) and starts it under Wine on
# the current display, or on a virtual one when there is none:
#   scripts/run.sh [FOLDER]
# When the program has no settings.ini yet, one is written that rotates FOLDER
# (by default six generated sample pictures in C:\users\Public\Pictures\
# BackdropCarousel, inside the Wine prefix) every 3 seconds from start-up; a
# settings.ini already there is kept as it is.
# Wine's desktop cannot show a wallpaper, so a recording stand-in takes the
# Active Desktop object's place and every wallpaper change it receives is
# printed here. On a virtual display the display's background then shows the
# wallpaper as Windows would, and build/screenshot.png is taken of the whole
# screen. Ends when the program exits (tray menu, Exit) or on Ctrl+C.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
root=$(repo_root)
bin="$root/build/i686/bin"
pictures=${1:-$(sample_pictures_folder)}

"$root/scripts/install-deps.sh"
build_arch i686 >/dev/null

headless=
if [ -z "${DISPLAY:-}" ]; then
  start_virtual_display
  headless=1
fi
# The sample pictures live in the prefix's drive C:, so it comes first.
ensure_wine_prefix

[ $# -gt 0 ] || [ -d "$pictures" ] || make_sample_pictures "$pictures"
if seed_settings "$bin" "$pictures"; then
  echo "Rotating $(windows_path "$pictures") every 3 seconds (settings in $bin/settings.ini)"
else
  echo "Using the settings in $bin/settings.ini; delete it to start over with ${1:-the sample pictures}"
fi

wine regsvr32 /s "$bin/desktop_standin.dll"
# No window manager draws the frames on the virtual display: Wine draws them
# itself there, and leaves them to the window manager on a real display.
x11_driver='HKCU\Software\Wine\X11 Driver'
if [ -n "$headless" ]; then
  wine reg add "$x11_driver" /v Decorated /d N /f >/dev/null 2>&1
else
  wine reg delete "$x11_driver" /v Decorated /f >/dev/null 2>&1 || true
fi

log="$root/build/wallpaper-changes.log"
: > "$log"
BACKDROP_DESKTOP_LOG=$(winepath -w "$log")
export BACKDROP_DESKTOP_LOG

wine "$bin/BackdropCarousel.exe" >/dev/null 2>&1 &
program=$!
cleanup() {
  kill "$program" "${follower:-}" 2>/dev/null || true
  wineserver -k 2>/dev/null && wineserver -w || true
  [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Paints the display's background with the picture as Windows shows it in
# the style: centred on a plain desktop colour, tiled from the top left, or
# stretched over the screen. build/desktop.png then holds what it shows.
show_on_background() {
  local picture size shown="$root/build/desktop.png"
  picture=$(winepath -u "$1")
  size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
  case $2 in
    1) convert -size "$size" "tile:$picture" "png:$shown.new" ;;
    2) convert "$picture" -resize "$size!" "png:$shown.new" ;;
    *) convert -size "$size" xc:'#1F3B5A' "$picture" -gravity center -composite "png:$shown.new" ;;
  esac
  display -window root "$shown.new"
  mv "$shown.new" "$shown"
}

rm -f "$root/build/desktop.png"
styles=(Center Tile Stretch)
tail -n +1 -F "$log" 2>/dev/null | while read -r call rest; do
  case $call in
    SetWallpaper) wallpaper=${rest% *}; echo "Wallpaper: $wallpaper" ;;
    SetWallpaperOptions) read -r _ style _ <<<"$rest"; echo "  style: ${styles[$style]:-$style}" ;;
    ApplyChanges)
      [ "$rest" = 7 ] && echo "  (style applied to the current wallpaper)"
      if [ -n "$headless" ] && [ -n "${wallpaper:-}" ]; then
        show_on_background "$wallpaper" "${style:-0}" || echo "  (could not show $wallpaper)"
      fi ;;
  esac
done &
follower=$!

if [ -n "$headless" ]; then
  title="BackdropCarousel - v2.0"
  for _ in $(seq 100); do xwininfo -name "$title" >/dev/null 2>&1 && break; sleep 0.2; done
  # The first wallpaper comes one interval after the start.
  for _ in $(seq 100); do [ -e "$root/build/desktop.png" ] && break; sleep 0.2; done
  sleep 0.5
  import -window root "$root/build/screenshot.png"
  echo "No display: the program runs on virtual display $DISPLAY; screenshot in build/screenshot.png"
fi
echo "BackdropCarousel is running; stop it from its tray menu (Exit) or with Ctrl+C."
wait "$program"
