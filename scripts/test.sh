#!/usr/bin/env bash
# Builds both architectures and runs every test under Wine on virtual
# displays. Exits non-zero when any test fails.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
root=$(repo_root)

"$root/scripts/install-deps.sh"
build_arch i686
build_arch x86_64
build_older_program >/dev/null

# Each architecture's tests have a Wine prefix and a display of their own,
# so that the two run side by side; the tests of one architecture run one at
# a time (tests/CMakeLists.txt locks its prefix).
XVFB_PIDS=()
trap 'for p in "$root"/build/*/wineprefix; do WINEPREFIX=$p wineserver -k 2>/dev/null || true; done
      kill "${XVFB_PIDS[@]}" 2>/dev/null || true' EXIT
for arch in i686 x86_64; do
  start_virtual_display
  ensure_wine_prefix "$root/build/$arch/wineprefix"
  # scripts/wine-run.sh runs the tests on this display.
  echo "$DISPLAY" > "$WINEPREFIX/display"
  # One server for the whole run instead of one per test program. Wine's
  # background services start with the first program and keep its output
  # open; starting them here keeps them off the test programs' pipes.
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1
done

# One summary for both architectures.
printf 'subdirs("i686" "x86_64")\n' > "$root/build/CTestTestfile.cmake"
cd "$root/build"
# Three at a time: one test of each architecture and the installers' test,
# which has a prefix and a display of its own. Most of their time is spent
# waiting for Wine, not on the two processors.
ctest --output-on-failure -j 3 "$@"
