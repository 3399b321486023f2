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

# Each Wine prefix of the runs that tests/CMakeLists.txt lists has a display
# of its own, so that the runs in different prefixes go side by side; the
# tests of one prefix run one at a time (tests/CMakeLists.txt locks it).
XVFB_PIDS=()
runs=$(cat "$root"/build/{i686,x86_64}/wine-runs.txt)
prefixes=$(awk '{ print $1, $2 }' <<<"$runs" | sort -u)
trap 'while read -r _ p; do WINEPREFIX=$p wineserver -k 2>/dev/null || true; done <<<"$prefixes"
      kill "${XVFB_PIDS[@]}" 2>/dev/null || true' EXIT
while read -r windows prefix; do
  start_virtual_display
  ensure_wine_prefix "$prefix" "$windows"
  # scripts/wine-run.sh runs the tests on this display.
  echo "$DISPLAY" > "$WINEPREFIX/display"
  # One server for the whole run instead of one per test program. Wine's
  # background services start with the first program and keep its output
  # open; starting them here keeps them off the test programs' pipes.
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1
  # An original the user's own copy of the program kept in the temporary
  # folder: the check after the run finds it as it was before, with nothing
  # of the tests' beside it.
  mkdir -p "$WINEPREFIX/drive_c/users/$(id -un)/Temp"
  printf mine > "$WINEPREFIX/drive_c/users/$(id -un)/Temp/BackdropCarousel settings.ini.bak"
done <<<"$prefixes"
# The locales of the runs in other code pages, beside their prefixes.
while read -r prefix locale; do
  ensure_locale "${prefix%/*}/locales" "$locale"
done < <(awk '$3 != "-" { print $2, $3 }' <<<"$runs" | sort -u)

# One summary for both architectures.
printf 'subdirs("i686" "x86_64")\n' > "$root/build/CTestTestfile.cmake"
cd "$root/build"
# One test at a time in each prefix, beside the installers' test's two
# parts, each with a prefix and a display of its own, and the tests that
# need no prefix (the analysers, the release scripts): without a place of
# their own they would queue behind the installers' test. The two
# processors are busy throughout.
# Under that load Wine has, rarely, left a program test hanging until its
# time limit, which the same test then passes at once: a test that reaches
# its limit runs once more, and is named below. A hang of the program's own
# hangs again and fails.
status=0
ctest --output-on-failure --no-tests=error -j "$(($(wc -l <<<"$prefixes") + 3))" --repeat after-timeout:2 "$@" ||
  status=$?
echo "Tests that reached their time limit once and passed when run again:"
awk '/^[0-9]+\/[0-9]+ Testing: / { if (seen[$3]++ == 1) { print "  " $3; n++ } } END { if (!n) print "  none" }' \
  Testing/Temporary/LastTest.log
# A skipped test says why in its output, on the line after "Skipped".
echo "Tests that skipped themselves:"
awk '/^[0-9]+\/[0-9]+ Testing: / { name = $3 } / Skipped$/ { getline why; print "  " name ": " why; n++ }
     END { if (!n) print "  none" }' Testing/Temporary/LastTest.log
exit "$status"
