#!/usr/bin/env bash
# Benchmarks the Windows build under Wine: Morlett's start and memory against minimal Win32
# windows measured in the same run, the size of Morlett.exe with the DLLs it needs, and the soak
# runs in full. Writes the figures as a Markdown fragment to build/bench-windows/figures.md,
# and fails when a soak run does.
#   tools/bench-windows.sh [runs]      (the median of 21 runs when not given)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-21}"
out=build/bench-windows
build="${MORLETT_WINDOWS_BUILD:-build/windows}"
program=$build/platform/win32/Morlett.exe

cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" --target Morlett morlett_win32_bench
mkdir -p "$out"
rm -f "$out/figures.md"

# A prefix of its own, made afresh, and a private display that nothing else draws on.
unset DISPLAY
export WINEPREFIX="$PWD/$out/wine-prefix"
source tools/wine-env.sh
fresh_wine_prefix

bench="$build/bench/win32/morlett_win32_bench.exe"
wine "$bench" start "$runs" >"$out/rows.md" 2>"$out/runs.log" || {
  cat "$out/runs.log" >&2
  exit 1
}

# The DLLs loaded at start are the import table's; the others the program names are
# delay-loaded, when first needed.
lowercase_sorted() { tr '[:upper:]' '[:lower:]' | sort -u; }
as_list() { paste -sd, - | sed 's/,/, /g'; }
at_start=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\tDLL Name: //p' |
  lowercase_sorted)
named=$(strings "$program" | grep -i '\.dll$' | lowercase_sorted)
later=$(comm -23 <(echo "$named") <(echo "$at_start"))
{
  echo "Windows build under $(wine --version), on $(lscpu | sed -n 's/^Model name: *//p')" \
    "with $(nproc) cores; the median of $runs runs of each kind, taken in turn in one run."
  echo
  echo "| Figure | Morlett | Floor | Ratio | Runs | Goal |"
  echo "|---|---|---|---|---|---|"
  cat "$out/rows.md"
  echo
  echo "Morlett.exe is $(stat -c %s "$program") bytes. It needs only DLLs of Windows itself: at" \
    "start $(echo "$at_start" | as_list); when first needed $(echo "$later" | as_list)."
  echo
  MORLETT_WINDOWS_BUILD="$build" tools/soak.sh windows || soak_failed=1
} >"$out/figures.md"
cat "$out/figures.md"
exit "${soak_failed:-0}"
