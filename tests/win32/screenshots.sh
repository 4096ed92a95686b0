#!/usr/bin/env bash
# Photographs the Windows build under Wine, as a user sees it: the window for the docs, and
# each dialog, opened from the keyboard, into build/windows/screenshots/ to look at.
#   tests/win32/screenshots.sh      (after: cmake --workflow --preset windows)
set -euo pipefail
cd "$(dirname "$0")/../.."
program=build/windows/platform/win32/Morlett.exe
out=build/windows/screenshots
[ -x "$program" ] || { echo "build the windows preset first" >&2; exit 1; }
mkdir -p "$out"

source tools/wine-env.sh
fresh_wine_prefix
# The caption buttons are drawn with this font, which a fresh prefix lacks.
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

# The window opens at the desktop's top left: its client area of 714 x 185 pixels at 96 DPI,
# inside Wine's frame.
window_geometry=722x212+0+0
shot() { sleep 2; import -window root "$out/$1.png"; }
keys() { xdotool key --delay 100 "$@"; }

wine "$program" &
sleep 5
import -window root -crop "$window_geometry" +repage docs/screenshot-windows.png
cp docs/screenshot-windows.png "$out/window.png"

# Focus starts on the Create panel's Directory button, and Tab follows the table.
keys space && shot folder-browser && keys Escape
keys Tab space && shot save-dialog && keys Escape
keys Tab Tab Tab Tab space && shot open-to-extract && keys Escape
keys Tab Tab Tab Tab Tab space && shot open-to-view && keys Escape
keys Tab Tab Tab Tab Tab Tab Tab space && shot no-tool-message && keys Return
wineserver -k
echo "docs/screenshot-windows.png and $out/*.png written"
