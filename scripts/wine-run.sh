#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix:
#   wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# CTest uses it for every test program and names a test's run in
# BACKDROP_TEST_RUN (tests/CMakeLists.txt): its prefix, and for a run in
# another code page the Unix locale Wine takes it from and the code page. The
# test script makes the prefixes, their displays and the locales first.
set -euo pipefail
read -r WINEPREFIX locale code_page <<<"${BACKDROP_TEST_RUN:-$1}"
export WINEPREFIX
shift
if [ -n "$locale" ]; then
  # The test programs check that they got this code page.
  export LOCPATH=${WINEPREFIX%/*}/locales BACKDROP_SYSTEM_CODE_PAGE=$code_page
  export LC_ALL=$locale
fi
# The display the test script started for this prefix.
if [ -f "$WINEPREFIX/display" ]; then
  DISPLAY=$(cat "$WINEPREFIX/display")
  export DISPLAY
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
