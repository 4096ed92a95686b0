#!/usr/bin/env bash
# The benchmarks: builds the bench preset, measures the Linux build against floors measured in
# the same run, each figure the median of several runs, runs the soak runs in full, and writes
# the figures with the machine they came from into docs/performance.md, between its markers;
# then the same for the Windows build (tools/bench-windows.sh). Fails when a soak run does.
#   tools/bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."

page=docs/performance.md
build="${MORLETT_BENCH_BUILD:-build/bench}"  # the bench preset's, unless told
bench=$build/bench/morlett_bench
program=$build/morlett
start_runs=15

tools/install-deps.sh test
export CMAKE_BUILD_PARALLEL_LEVEL="$(nproc)"
cmake --preset bench -B "$build" >/dev/null
cmake --build "$build"

scratch="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# An X display of the script's own, between :40 and :49, so that nothing else draws on it.
start_display() {
  local number
  for number in $(seq 40 49); do
    if [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; then continue; fi
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
      if [ -e "/tmp/.X11-unix/X$number" ]; then
        export DISPLAY=":$number"
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  echo "no display free between :40 and :49" >&2
  return 1
}

machine() {
  local cpu memory compiler
  cpu="$(lscpu | sed -n 's/^Model name: *//p' | head -1)"
  memory="$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
  compiler="$("$(sed -n 's/^CMAKE_CXX_COMPILER:FILEPATH=//p' "$build/CMakeCache.txt")" --version |
    head -1)"
  echo "Measured on $(date -u +%Y-%m-%d): $(nproc) cores ($cpu), $memory of memory," \
    "Linux $(uname -r), $(. /etc/os-release && echo "$PRETTY_NAME"), Qt $(qtpaths6 --qt-version)," \
    "$compiler, Release build; the program on Xvfb ($DISPLAY, xcb platform, no window manager)."
}

# The binary as built and stripped, and the shared libraries it names and those they bring.
size_on_disk() {
  local stripped="$scratch/morlett.stripped" library total=0 count=0
  strip -o "$stripped" "$program"
  echo "| Size on disk | Bytes |"
  echo "|---|---|"
  echo "| \`morlett\`, as built | $(stat -c %s "$program") |"
  echo "| \`morlett\`, stripped | $(stat -c %s "$stripped") |"
  for library in $(ldd "$program" | awk '$3 ~ /^\// { print $3 }'); do
    total=$((total + $(stat -L -c %s "$library")))
    count=$((count + 1))
  done
  echo "| the $count shared libraries it loads, together | $total |"
  echo
  echo "It names $(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' |
    paste -sd, - | sed 's/,/, /g'); ldd lists the rest."
}

linux_figures() {
  machine
  echo
  echo "| Figure | Morlett | Floor | Ratio | Runs | Goal |"
  echo "|---|---|---|---|---|---|"
  "$bench" start "$start_runs"
  echo
  size_on_disk
  echo
  tools/soak.sh linux || touch "$scratch/soak-failed"
}

# The Windows build's figures: Morlett.exe under Wine against a minimal Win32 window under the
# same Wine, its size with the DLLs it needs, and its soak runs.
windows_figures() {
  tools/bench-windows.sh >&2 || touch "$scratch/soak-failed"
  cat build/bench-windows/figures.md 2>/dev/null || true
}

# Replaces what lies between "<!-- $1: begin -->" and "<!-- $1: end -->" with the file $2.
replace_section() {
  awk -v begin="<!-- $1: begin -->" -v end="<!-- $1: end -->" -v figures="$2" '
    $0 == end { skipping = 0 }
    !skipping { print }
    $0 == begin { while ((getline line < figures) > 0) print line; skipping = 1 }
  ' "$page" >"$scratch/page.md"
  cp "$scratch/page.md" "$page"
}

start_display
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

linux_figures | tee "$scratch/linux.md"
replace_section linux "$scratch/linux.md"
windows_figures >"$scratch/windows.md"
[ ! -s "$scratch/windows.md" ] || replace_section windows "$scratch/windows.md"
echo "Written to $page."
if [ -e "$scratch/soak-failed" ]; then
  echo "A soak run failed, or the Windows benchmarks did: see the page and the output above." >&2
  exit 1
fi
