# Shared by the build, run and test scripts: the virtual display and the
# throwaway Wine prefix. Source it; it defines functions only.

repo_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

# Configures and builds one architecture (i686 or x86_64) into build/<arch>.
build_arch() {
  local root arch=$1
  root=$(repo_root)
  cmake -S "$root" -B "$root/build/$arch" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-toolchain.cmake" -DMINGW_ARCH="$arch" \
    -DBACKDROP_WINEPREFIX="$root/build/wineprefix" >/dev/null
  cmake --build "$root/build/$arch" -j "$(nproc)" -- --no-print-directory
}

# Starts a 1024x768 virtual display that ends with the calling script.
start_virtual_display() {
  local number=${BACKDROP_DISPLAY_NUMBER:-99}
  while [ -e "/tmp/.X${number}-lock" ]; do number=$((number + 1)); done
  Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$number"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && return; sleep 0.1; done
  echo "Xvfb did not start on :$number" >&2
  return 1
}

# The prefix lives in the build tree and is made once; the Mono and Gecko
# overrides keep Wine from offering downloads while it is made.
ensure_wine_prefix() {
  export WINEPREFIX
  WINEPREFIX="$(repo_root)/build/wineprefix"
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix in $WINEPREFIX ..."
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
}
