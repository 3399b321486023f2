#!/usr/bin/env bash
# Builds both architectures and runs every test under Wine on a virtual
# display. Exits non-zero when any test fails.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
root=$(repo_root)

"$root/scripts/install-deps.sh"
build_arch i686
build_arch x86_64

start_virtual_display
ensure_wine_prefix
# One server for the whole run instead of one per test program. Wine's
# background services start with the first program and keep its output
# open; starting them here keeps them off the test programs' pipes.
wineserver -p
trap 'wineserver -k 2>/dev/null || true; kill ${XVFB_PID:-} 2>/dev/null || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1

# One summary for both architectures.
printf 'subdirs("i686" "x86_64")\n' > "$root/build/CTestTestfile.cmake"
cd "$root/build"
ctest --output-on-failure "$@"
