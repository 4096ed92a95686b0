#!/usr/bin/env bash
# Photographs Morlett.exe under Wine as a user first sees it, at 96 and 192 DPI, into
# docs/screenshot-windows.png and docs/screenshot-windows-192.png (needs ImageMagick).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine-env.sh
fresh_wine_prefix
# The caption buttons are drawn with this font, which a fresh prefix lacks.
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
# The window opens at the top left of Wine's 1280 x 1024 desktop, at 192 DPI shrunk to fit.
for shot in 96:722x212: 192:1280x376:-192; do
  IFS=: read -r dpi size suffix <<<"$shot"
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine build/windows/platform/win32/Morlett.exe &
  sleep 8  # for the window to be up and painted
  import -window root -crop "$size+0+0" +repage "docs/screenshot-windows$suffix.png"
  wineserver -k
done
