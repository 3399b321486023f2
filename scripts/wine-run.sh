#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix:
#   wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# CTest uses it for every test program; the test script makes the prefix and
# the display first.
set -euo pipefail
export WINEPREFIX=$1
shift
# The display the test script started for this prefix.
if [ -f "$WINEPREFIX/display" ]; then
  DISPLAY=$(cat "$WINEPREFIX/display")
  export DISPLAY
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
