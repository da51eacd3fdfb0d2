#!/usr/bin/env bash
# Draws the program's icon, planchoice.ico: a list of three plans on a blue
# tile, the middle one chosen. Needs ImageMagick; the result is committed, so
# the build does not.
set -euo pipefail
cd "$(dirname "$0")"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for size in 16 24 32 48; do
  # Drawn on a 48-unit grid, scaled to each size.
  convert -size 48x48 xc:none \
    -fill '#1d5fa6' -draw 'roundrectangle 1,1 46,46 8,8' \
    -fill white \
    -draw 'roundrectangle 8,9 40,15 2,2' \
    -draw 'roundrectangle 8,21 40,27 2,2' \
    -draw 'roundrectangle 8,33 40,39 2,2' \
    -fill '#f29a1f' -draw 'circle 34,24 34,29' \
    -resize "${size}x${size}" "PNG32:$scratch/$size.png"
done
convert "$scratch"/16.png "$scratch"/24.png "$scratch"/32.png "$scratch"/48.png planchoice.ico
