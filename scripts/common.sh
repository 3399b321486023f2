# Shared by the build, run and test scripts: the virtual display and the
# throwaway Wine prefix. Source it; it defines functions only.

repo_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

# Configures and builds a CMake project for one architecture (i686 or x86_64):
#   cross_build SOURCE BINARY ARCH [--target NAME...]
# The program's tests run in a Wine prefix of their own in BINARY, so that
# the two architectures' tests can run at once.
cross_build() {
  local root source=$1 binary=$2 arch=$3
  shift 3
  root=$(repo_root)
  cmake -S "$source" -B "$binary" --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-toolchain.cmake" -DMINGW_ARCH="$arch" >/dev/null
  cmake --build "$binary" -j "$(nproc)" "$@" -- --no-print-directory
}

# Builds the program, its tests and the stand-in into build/<arch>; extra
# arguments go to the build (--target BackdropCarousel builds the program only).
build_arch() {
  local root
  root=$(repo_root)
  cross_build "$root" "$root/build/$1" "$1" "${@:2}"
}

# Starts a 1024x768 virtual display and makes it DISPLAY; the calling script
# ends it (XVFB_PID, and every one started in XVFB_PIDS).
start_virtual_display() {
  local number=${BACKDROP_DISPLAY_NUMBER:-99}
  while [ -e "/tmp/.X${number}-lock" ]; do number=$((number + 1)); done
  Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  XVFB_PIDS+=("$XVFB_PID")
  export DISPLAY=":$number"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && return; sleep 0.1; done
  echo "Xvfb did not start on :$number" >&2
  return 1
}

# The throwaway Wine prefix, in the build tree.
wine_prefix() { echo "$(repo_root)/build/wineprefix"; }

# The prefix (by default the one above) is made once; the Mono and Gecko
# overrides keep Wine from offering downloads while it is made.
#   ensure_wine_prefix [PREFIX]
ensure_wine_prefix() {
  export WINEPREFIX
  WINEPREFIX=${1:-$(wine_prefix)}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix in $WINEPREFIX ..."
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
}

# The version, from its one place: project(... VERSION ...) in CMakeLists.txt.
project_version() {
  sed -n 's/^project(BackdropCarousel VERSION \([0-9.]*\).*/\1/p' "$(repo_root)/CMakeLists.txt"
}

# A Linux path as the program sees it: inside the Wine prefix's drive_c on
# drive C:, anywhere else on drive Z:, the Linux root.
windows_path() {
  local path drive_c
  path=$(realpath -m "$1")
  drive_c=$(realpath -m "$(wine_prefix)/drive_c")
  case $path in
    "$drive_c"/*) path="C:${path#"$drive_c"}" ;;
    *) path="Z:$path" ;;
  esac
  echo "${path//\//\\}"
}

# The run command's sample pictures, in a folder a Windows user would have:
# C:\users\Public\Pictures\BackdropCarousel in the Wine prefix.
sample_pictures_folder() { echo "$(wine_prefix)/drive_c/users/Public/Pictures/BackdropCarousel"; }

# Writes the program's settings.ini:
#   write_settings FILE FOLDER INTERVAL UNIT(0 s, 1 min) STYLE(0 Center, 1 Tile, 2 Stretch)
# FOLDER is a Linux path; the rotation starts with the program.
write_settings() {
  printf '[Settings]\r\nwallpaperDir=%s\r\nrotationInt=%s\r\nrotationIntType=%s\r\nwallpaperMode=%s\r\nrotateAtStartup=1\r\n' \
    "$(windows_path "$2")" "$3" "$4" "$5" > "$1"
}

# Text for Windows: every line ends in CR LF, whatever the checkout gave.
windows_text() { sed 's/\r$//; s/$/\r/'; }

# Packs a release: the executable with the user's guide (its version filled
# in from the project), the changelog and the licence as Windows text files,
# into the zip named:
#   pack_release EXE ZIP EPOCH
# Every file carries the time EPOCH (seconds) and fixed permissions, and zip
# adds no extra fields, so the same files always give the same zip.
pack_release() {
  local root stage
  root=$(repo_root)
  stage=$(mktemp -d)
  cp "$1" "$stage/BackdropCarousel.exe"
  sed "s/@VERSION@/$(project_version)/g" "$root/docs/user-guide.txt" | windows_text > "$stage/README.txt"
  windows_text < "$root/CHANGELOG.md" > "$stage/CHANGELOG.txt"
  windows_text < "$root/LICENSE" > "$stage/LICENSE.txt"
  chmod 644 "$stage"/*
  TZ=UTC touch -d "@$3" "$stage"/*
  rm -f "$2"
  (cd "$stage" && TZ=UTC zip -X -D -q "$(realpath -m "$2")" \
    BackdropCarousel.exe README.txt CHANGELOG.txt LICENSE.txt)
  rm -rf "$stage"
}

# Six numbered, named pictures of 640x480 in distinct colours, smaller than
# the screen so that Center, Tile and Stretch each look different.
make_sample_pictures() {
  local dir=$1 i=0 name from to
  mkdir -p "$dir"
  for name in Sunrise:orange:gold Ocean:navy:deepskyblue Forest:darkgreen:yellowgreen \
    Dusk:indigo:hotpink Glacier:steelblue:white Ember:darkred:orangered; do
    i=$((i + 1))
    IFS=: read -r name from to <<<"$name"
    convert -size 640x480 "gradient:$from-$to" -bordercolor white -border 6 \
      -font DejaVu-Sans-Bold -fill white -stroke black -strokewidth 3 -gravity center \
      -pointsize 160 -annotate +0-50 "$i" -pointsize 64 -annotate +0+110 "$name" \
      "$dir/$i-$name.jpg"
  done
}

# The run command's settings: when the program in BIN has no settings.ini
# yet, one that rotates FOLDER every 3 seconds from start-up, stretched.
# A settings.ini already there is the user's own: it stays, and this returns 1.
#   seed_settings BIN FOLDER
seed_settings() {
  [ ! -e "$1/settings.ini" ] || return 1
  write_settings "$1/settings.ini" "$2" 3 0 2
}
