#!/usr/bin/env bash
# Benchmarks the Windows build under Wine: Morlett's start and memory against a minimal Win32
# window measured in the same run, and the size of Morlett.exe with the DLLs it needs. Writes
# the figures as a Markdown fragment to build/bench-windows/figures.md.
#   tools/bench-windows.sh [runs]      (the median of 21 runs when not given)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-21}"
out=build/bench-windows
build=build/windows
program=$build/platform/win32/Morlett.exe

cmake --preset windows >/dev/null
cmake --build --preset windows --target Morlett morlett_win32_bench
mkdir -p "$out"

# A prefix of its own, made afresh, and a private display that nothing else draws on.
unset DISPLAY
export WINEPREFIX="$PWD/$out/wine-prefix"
source tools/wine-env.sh
fresh_wine_prefix

wine "$build/bench/win32/morlett_win32_bench.exe" "$runs" >"$out/rows.md" 2>"$out/runs.log" || {
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
    "with $(nproc) cores; the median of $runs runs of each program, taken in turn in one run."
  echo
  echo "| Figure | Morlett | Floor | Ratio |"
  echo "|---|---|---|---|"
  cat "$out/rows.md"
  echo "| Size on disk: Morlett.exe | $(stat -c %s "$program") bytes | — | — |"
  echo
  echo "Morlett.exe needs only DLLs of Windows itself: at start $(echo "$at_start" | as_list);" \
    "when first needed $(echo "$later" | as_list)."
} >"$out/figures.md"
cat "$out/figures.md"
