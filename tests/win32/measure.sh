#!/usr/bin/env bash
# Reports Morlett.exe's size and the DLLs it needs, and times its start under Wine: from
# CreateProcess until its window waits for input, the median of several runs.
#   tests/win32/measure.sh [runs]      (after: cmake --workflow --preset windows)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build/windows
program=$build/platform/win32/Morlett.exe
[ -x "$program" ] || { echo "build the windows preset first" >&2; exit 1; }

echo "Morlett.exe: $(stat -c %s "$program") bytes"
x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\tDLL Name: /  imports /p'

source tools/wine-env.sh
wineboot >/dev/null 2>&1  # a prefix made and started, so the first run is not its setup
(cd "$(dirname "$program")" && wine "$(pwd -P)/../../tests/win32/morlett_startup_time.exe" \
  Morlett.exe "${1:-7}")
