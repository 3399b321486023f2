# Shared by the build, run and test scripts: the cross build, the virtual
# display, the throwaway Wine prefix, and the run command's pictures and
# settings. The release's steps are in release.sh. Source it; it defines
# functions only.

repo_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

# Configures and builds a CMake project for one architecture (i686 or x86_64):
#   cross_build SOURCE BINARY ARCH [-DNAME=VALUE...] [--target NAME...]
# The -D settings configure the project; the rest go to the build.
# The program's tests run in a Wine prefix of their own in BINARY, so that
# the two architectures' tests can run at once.
cross_build() {
  local root source=$1 binary=$2 arch=$3 settings=()
  shift 3
  while [[ ${1:-} == -D* ]]; do settings+=("$1"); shift; done
  root=$(repo_root)
  cmake -S "$source" -B "$binary" --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-toolchain.cmake" -DMINGW_ARCH="$arch" "${settings[@]}" >/dev/null
  cmake --build "$binary" -j "$(nproc)" "$@" -- --no-print-directory
}

# Builds the program, its tests and the stand-in into build/<arch>; extra
# arguments go to the build (--target BackdropCarousel builds the program only).
build_arch() {
  local root
  root=$(repo_root)
  cross_build "$root" "$root/build/$1" "$1" "${@:2}"
}

# The 64-bit program built as the older version 2.1.0, into
# build/older-x86_64, for the installers' test to upgrade from; prints its
# path. The test command builds it with the rest, before the tests.
build_older_program() {
  local root
  root=$(repo_root)
  cross_build "$root" "$root/build/older-x86_64" x86_64 -DBACKDROP_VERSION=2.1.0 -DBUILD_TESTING=OFF \
    --target BackdropCarousel >/dev/null
  echo "$root/build/older-x86_64/bin/BackdropCarousel.exe"
}

# Starts a 1024x768 virtual display with a window manager, as a desktop has,
# and makes it DISPLAY; the calling script ends it (XVFB_PID, and every one
# started in XVFB_PIDS), and the window manager ends with it. Without one,
# Wine waits two seconds at every window it hides for a manager to withdraw
# it. Openbox follows the window manager standards Wine relies on for focus,
# activation and stacking, and leaves windows where and as large as Wine asks.
start_virtual_display() {
  local number said
  said=$(mktemp)
  # Xvfb takes a free display number itself, whatever else starts one at the
  # same time, and writes it once it answers.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$said" >/dev/null 2>&1 &
  XVFB_PID=$!
  XVFB_PIDS+=("$XVFB_PID")
  for _ in $(seq 300); do [ -s "$said" ] && break; sleep 0.1; done
  number=$(cat "$said")
  if [ -z "$number" ]; then
    echo "Xvfb did not start" >&2
    rm -f "$said"
    return 1
  fi
  export DISPLAY=":$number"
  openbox --sm-disable >"$said" 2>&1 &
  # The manager announces itself on the root window once it manages windows.
  for _ in $(seq 300); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && { rm -f "$said"; return; }
    sleep 0.1
  done
  echo "No window manager on the virtual display :$number:" >&2
  cat "$said" >&2
  rm -f "$said"
  return 1
}

# The throwaway Wine prefix, in the build tree.
wine_prefix() { echo "$(repo_root)/build/wineprefix"; }

# The prefix (by default the one above) is made once, for 64-bit Windows
# unless win32 is asked for; the Mono and Gecko overrides keep Wine from
# offering downloads while it is made.
#   ensure_wine_prefix [PREFIX [win32|win64]]
ensure_wine_prefix() {
  export WINEPREFIX
  WINEPREFIX=${1:-$(wine_prefix)}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix in $WINEPREFIX ..."
    WINEARCH=${2:-win64} wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
}

# The locale, such as zh_CN.UTF-8, compiled into FOLDER for LOCPATH, where
# Wine finds it whether or not the machine has it.
#   ensure_locale FOLDER LOCALE
ensure_locale() {
  [ -d "$1/$2" ] || { mkdir -p "$1" && localedef -i "${2%%.*}" -f "${2#*.}" "$1/$2"; }
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
