#!/usr/bin/env bash
# Measures the real program under Wine, each figure against a baseline taken
# in the same run, for each architecture given (both by default):
#   scripts/bench.sh [i686] [x86_64]
# - the cost of a rotation step in a folder of 10 pictures and of 100,000,
#   and of the queries each step makes first (is a game or presentation full
#   screen? has the organisation set the wallpaper?);
# - the memory the listing of 100,000 pictures holds, against the names'
#   own UTF-16 size;
# - CPU time and wake-ups over 20 idle seconds with a rotation armed;
# - private memory against an empty window program;
# - handles, GDI objects, windows, Linux file descriptors and private memory
#   before and after 10,000 ticks, 1,000 repaints and 1,000 style changes.
# A deliberately bad baseline (scripts/bench/leaky_window.cpp) gets the same
# treatment, to show that each figure moves when it should.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
root=$(repo_root)
work="$root/build/bench"
mkdir -p "$work"  # the Wine prefix, made first, lives beside it
architectures=("$@")
[ $# -gt 0 ] || architectures=(i686 x86_64)

"$root/scripts/install-deps.sh"
start_virtual_display
ensure_wine_prefix
wineserver -p
trap 'wineserver -k 2>/dev/null || true; kill "$XVFB_PID" 2>/dev/null || true' EXIT

# Empty files do: the program only lists and hands over names.
make_pictures() {
  local dir="$work/pictures$1"
  if [ "$(find "$dir" -name '*.jpg' 2>/dev/null | wc -l)" -ne "$1" ]; then
    rm -rf "$dir" && mkdir -p "$dir"
    (cd "$dir" && seq -f '%06g.jpg' "$1" | xargs touch)
  fi
}
make_pictures 10
make_pictures 100000

# Starts a Windows program of the bench folder and prints its Linux pid. A
# 64-bit program gets a process of its own from Wine's loader: the one whose
# name is the program's.
launch() {
  local pid
  wine "$app/$1" >/dev/null 2>&1 &
  until pid=$(pgrep -n -f -- "bench[/\\\\]$arch[/\\\\]$1") && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "${1:0:15}" ]; do
    sleep 0.1
  done
  echo "$pid"
}
driver() { wine "$app/bench_driver.exe" "$@"; }
# Ends the processes and waits until they are gone: a second copy of the
# program would exit at once while the first still runs.
stop() {
  kill "$@"
  for p in "$@"; do while [ -e "/proc/$p" ]; do sleep 0.1; done; done
}

# CPU time in ms, wake-ups (context switches of all threads), private memory
# in kB and open file descriptors of a Linux process.
cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) * 1000 / hz}' "/proc/$1/stat"; }
wakeups() { cat /proc/"$1"/task/*/status | awk '/ctxt_switches/ {n += $2} END {print n}'; }
private_kb() { awk '/^Private_(Clean|Dirty)/ {n += $2} END {print n}' "/proc/$1/smaps_rollup"; }
fds() { find "/proc/$1/fd" -mindepth 1 | wc -l; }

program=wcBackdropCarousel baseline=wcBenchLeaky

bench_arch() {
  local arch=$1 app="$work/$1" pid empty leaky folder p exe class steps name figures full_screen policy
  build_arch "$arch" --target BackdropCarousel --target desktop_standin >/dev/null
  cross_build "$root/scripts/bench" "$root/build/bench-$arch" "$arch" >/dev/null
  mkdir -p "$app"
  cp "$root/build/$arch/bin/"{BackdropCarousel.exe,desktop_standin.dll} "$root/build/bench-$arch/"*.exe "$app/"
  wine regsvr32 /s "$app/desktop_standin.dll"
  echo "== $arch: BackdropCarousel $(project_version), $(wine --version)"

  echo "Rotation step (microseconds; a message round trip alone costs the third figure):"
  printf '  %-30s %11s %11s %10s %7s\n' "" "first step" "later steps" "round trip" "handed"
  local -A later
  for folder in 10 100000; do
    # A rotation armed at start-up whose own timer never fires: the driver ticks.
    write_settings "$app/settings.ini" "$work/pictures$folder" 60 1 0
    for p in "BackdropCarousel.exe:$program:10000:program" "leaky_window.exe:$baseline:100:bad baseline"; do
      IFS=: read -r exe class steps name <<<"$p"
      pid=$(launch "$exe")
      read -r -a figures <<<"$(driver steps "$class" "$steps" "$folder")"
      later[$name,$folder]=${figures[1]}
      printf '  %-30s %11s %11s %10s %7s\n' "$name, $folder pictures" "${figures[@]}"
      stop "$pid"
    done
  done
  for name in program "bad baseline"; do
    echo "  $name: a step in 100,000 pictures costs $(awk -v a="${later[$name,100000]}" -v b="${later[$name,10]}" \
      'BEGIN {printf "%.2f", a / b}') times one in 10"
  done
  read -r full_screen policy < <(driver query | tr -d '\r')
  echo "  of a step, the full-screen query alone costs $full_screen microseconds, the policy check $policy"

  # The names as the platform lists them, two bytes a character (all ASCII here).
  local held pictures took utf16
  read -r held pictures took < <(driver listing "$(windows_path "$work/pictures100000")" | tr -d '\r')
  utf16=$(find "$work/pictures100000" -name '*.jpg' -printf '%f\n' | awk '{n += 2 * length($0)} END {print n}')
  echo "Listing of 100,000 pictures ($pictures listed in $took ms): $held bytes held, the names' UTF-16 size" \
    "$utf16 bytes, $(awk -v h="$held" -v u="$utf16" -v n="$pictures" 'BEGIN {printf "%.2f", (h - u) / n}') bytes a name beyond"

  write_settings "$app/settings.ini" "$work/pictures10" 60 1 0
  pid=$(launch BackdropCarousel.exe)
  empty=$(launch empty_window.exe)
  leaky=$(launch leaky_window.exe)
  driver counts $program >/dev/null && driver counts wcBenchEmpty >/dev/null && driver counts $baseline >/dev/null
  sleep 2
  local -A cpu wake
  for p in "$pid" "$empty" "$leaky"; do cpu[$p]=$(cpu_ms "$p"); wake[$p]=$(wakeups "$p"); done
  sleep 20
  echo "Over 20 idle seconds, rotation armed (CPU ms, wake-ups):"
  for p in "$pid:program" "$empty:empty window" "$leaky:bad baseline (10 ms timer)"; do
    printf '  %-30s %8s %8s\n' "${p#*:}" "$(( $(cpu_ms "${p%%:*}") - ${cpu[${p%%:*}]} ))" \
      "$(( $(wakeups "${p%%:*}") - ${wake[${p%%:*}]} ))"
  done
  echo "Private memory: program $(private_kb "$pid") kB, empty window $(private_kb "$empty") kB," \
    "the program's own $(( $(private_kb "$pid") - $(private_kb "$empty") )) kB"

  echo "Held before and after 10,000 ticks, 1,000 repaints and 1,000 style changes:"
  printf '  %-30s %8s %8s %8s %8s %11s\n' "" handles GDI windows fds "private kB"
  for p in "$pid:$program:program" "$leaky:$baseline:bad baseline"; do
    IFS=: read -r p class name <<<"$p"
    # Both counts with a pass under way.
    driver steps "$class" 1 10 >/dev/null
    printf '  %-30s %8s %8s %8s %8s %11s\n' "$name, before" $(driver counts "$class") "$(fds "$p")" "$(private_kb "$p")"
    driver stress "$class" 10
    printf '  %-30s %8s %8s %8s %8s %11s\n' "$name, after" $(driver counts "$class") "$(fds "$p")" "$(private_kb "$p")"
  done
  stop "$pid" "$empty" "$leaky"
}

export BACKDROP_DESKTOP_LOG
BACKDROP_DESKTOP_LOG=$(winepath -w "$work/desktop.log")
for arch in "${architectures[@]}"; do bench_arch "$arch"; done
