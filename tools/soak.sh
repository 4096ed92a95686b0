#!/usr/bin/env bash
# The soak runs: long runs of what a user does many times on the real window of each build,
# each in a process of its own. Each prints its row (zombies, descriptors or handles before
# and after, memory, the window's longest stall, lost starts) and checks its pass conditions,
# which are counts, never times; the script fails when one does.
#   tools/soak.sh [--short] [linux|windows]
# In full, 1000 tool starts fifty at once, a 200 MB console flood while the window is used
# (Linux) and 1000 resizes; --short, the test command's, 100 starts, 10 MB and 100 resizes.
# The Linux build runs on the display tools/bench.sh gives it, or else on Qt's offscreen
# platform; the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

starts=1000 flood=200 resizes=1000
if [ "${1:-}" = --short ]; then
  starts=100 flood=10 resizes=100
  shift
fi
builds="${1:-linux windows}"
linux_build="${MORLETT_BENCH_BUILD:-build/bench}"
windows_build="${MORLETT_WINDOWS_BUILD:-build/windows}"
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
failed=0

table_head() {
  echo "| Soak run | Zombies | Descriptors or handles | Memory growth | Peak memory |" \
    "Longest stall | Starts lost (failed and said so) | Result |"
  echo "|---|---|---|---|---|---|---|---|"
}

# One run in a process of its own, which prints its row and fails when the run does; one that
# ends without its row, or runs past twenty minutes, gets a row that says so.
#   soak_run <kind> <count> <program...>
soak_run() {
  local kind=$1 count=$2 status=0
  shift 2
  timeout 1200 "$@" "$kind" "$count" || status=$?
  [ "$status" -le 1 ] || echo "| $count $kind | | | | | | | FAILED: ended with $status, no row |"
  [ "$status" -eq 0 ] || failed=1
}

linux_soak() {
  cmake --preset bench -B "$linux_build" >/dev/null
  cmake --build "$linux_build" --target morlett_bench >&2
  local where="on X display ${DISPLAY:-}"
  if [ "${QT_QPA_PLATFORM:-}" != xcb ]; then
    export QT_QPA_PLATFORM=offscreen
    where="on Qt's offscreen platform"
  fi
  echo "The Linux build's soak runs, $where:"
  echo
  table_head
  soak_run starts "$starts" "$linux_build/bench/morlett_bench"
  soak_run flood "$flood" "$linux_build/bench/morlett_bench"
  soak_run resizes "$resizes" "$linux_build/bench/morlett_bench"
}

windows_soak() {
  cmake --preset windows -B "$windows_build" >/dev/null
  cmake --build "$windows_build" --target morlett_win32_bench >&2
  source tools/wine-env.sh
  [ -d "$WINEPREFIX" ] || fresh_wine_prefix
  echo "The Windows build's soak runs, under $(wine --version):"
  echo
  table_head
  soak_run starts "$starts" wine "$windows_build/bench/win32/morlett_win32_bench.exe"
  soak_run resizes "$resizes" wine "$windows_build/bench/win32/morlett_win32_bench.exe"
}

for build in $builds; do
  case "$build" in
    linux) linux_soak ;;
    windows) windows_soak ;;
    *) echo "usage: tools/soak.sh [--short] [linux|windows]" >&2 && exit 2 ;;
  esac
  echo
done
exit "$failed"
