#!/usr/bin/env bash
# Draws the program's icon and logo and writes them to resources/, with ImageMagick and
# rsvg-convert (Debian: imagemagick librsvg2-bin). The results are committed, so building
# never needs image tools; rerun this only to change the art.
set -euo pipefail
out="$(cd "$(dirname "$0")/../resources" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The light bulb, drawn large and reduced, so the small images keep a smooth outline.
convert -size 256x256 xc:none \
  -fill '#fff36b' -stroke '#8a6d00' -strokewidth 10 -draw 'circle 128,100 128,18' \
  -stroke none -fill '#fff36b' -draw 'rectangle 92,150 164,190' \
  -fill '#fffbd0' -draw 'ellipse 100,72 22,34 0,360' \
  -stroke '#8a6d00' -strokewidth 8 -fill none -draw 'polyline 108,178 108,130 128,112 148,130 148,178' \
  -stroke none -fill '#9a9a9a' -draw 'roundrectangle 88,184 168,236 10,10' \
  -fill '#5c5c5c' -draw 'rectangle 88,200 168,206' -draw 'rectangle 88,218 168,224' \
  -fill '#3a3a3a' -draw 'roundrectangle 108,232 148,250 8,8' \
  "$work/bulb.png"
for size in 32 16; do
  convert "$work/bulb.png" -resize ${size}x${size} -background none -colors 15 \
    PNG32:"$out/bulb-$size.png"
done

# The desktop icon: the same bulb as a vector drawing (its filament the arch the polyline
# above means), and the hicolor theme's sizes rendered from it.
icons="$out/icons/hicolor"
svg="$icons/scalable/apps/org.morlett.Morlett.svg"
mkdir -p "$(dirname "$svg")"
cat >"$svg" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <title>Morlett</title>
  <circle cx="128" cy="100" r="82" fill="#fff36b" stroke="#8a6d00" stroke-width="10"/>
  <rect x="92" y="150" width="72" height="40" fill="#fff36b"/>
  <ellipse cx="100" cy="72" rx="22" ry="34" fill="#fffbd0"/>
  <polyline points="108,178 108,130 128,112 148,130 148,178" fill="none" stroke="#8a6d00"
            stroke-width="8"/>
  <rect x="88" y="184" width="80" height="52" rx="10" fill="#9a9a9a"/>
  <rect x="88" y="200" width="80" height="6" fill="#5c5c5c"/>
  <rect x="88" y="218" width="80" height="6" fill="#5c5c5c"/>
  <rect x="108" y="232" width="40" height="18" rx="8" fill="#3a3a3a"/>
</svg>
EOF
for size in 16 24 32 48 64 128 256; do
  mkdir -p "$icons/${size}x$size/apps"
  rsvg-convert -w $size -h $size "$svg" -o "$icons/${size}x$size/apps/org.morlett.Morlett.png"
done

# The Windows icon: the two 16-colour images first, as before, then 32-bit ones (256 pixels
# as PNG) for today's displays. No dates are written, so the file is the same every run.
convert \( "$out/bulb-32.png" "$out/bulb-16.png" -colors 16 \) \
  \( "$icons"/{24x24,32x32,48x48,256x256}/apps/org.morlett.Morlett.png -depth 8 \) \
  -define png:exclude-chunks=date,time "$out/morlett.ico"

# The logo: the program's name in dark letters over flames. Flames are noise streaked
# upwards, brightest at the bottom, coloured through a fire palette.
convert -size 1x256 gradient:black-'#5a0000' gradient:'#5a0000'-'#e02000' \
  gradient:'#e02000'-'#ff9a00' gradient:'#ff9a00'-'#fff0a0' -append \
  -resize 1x256! "$work/fire-palette.png"
convert -size 309x162 xc: -seed 11 +noise Random -colorspace gray -blur 0x2 \
  -motion-blur 0x30+270 -auto-level -background black -swirl 25 -wave 6x70 -gravity south -crop 309x150+0+0 +repage -resize 309x162! -gravity northwest \
  \( -size 309x162 gradient:'#101010'-'#f0f0f0' -sigmoidal-contrast 4x55% \) \
  -compose screen -composite -auto-level -sigmoidal-contrast 5x55% \
  "$work/fire-palette.png" -clut "$work/flames.png"
convert -size 309x162 xc:none -font DejaVu-Sans-Bold -gravity center \
  -fill '#fff4c0' -pointsize 40 -annotate +0-20 'Morlett' \
  -pointsize 32 -annotate +0+22 'Advanced' -blur 0x6 -channel A -level 0%,35% +channel "$work/glow.png"
convert "$work/flames.png" "$work/glow.png" -compose over -composite \
  -font DejaVu-Sans-Bold -gravity center -fill '#1a0800' \
  -pointsize 40 -annotate +0-20 'Morlett' -pointsize 32 -annotate +0+22 'Advanced' \
  -strip -quality 90 "$out/logo.jpg"
# The Windows build draws the logo from a bitmap: decoding a JPEG there needs OLE, which it
# would load at start for that alone.
convert "$out/logo.jpg" -dither FloydSteinberg -colors 256 -compress None BMP3:"$out/logo.bmp"
