#!/usr/bin/env bash
# Draws the program's icon, planchoice.ico: a list of three plans on a blue
# tile, the middle one chosen. Needs ImageMagick; the result is committed, so
# the build does not.
#
# The picture is designed on a 48-unit grid and drawn anew at each size, its
# edges put on whole pixels there, so that no size is a blurred copy of
# another. The 256 px image is kept as PNG, as Windows reads it since Vista.
set -euo pipefail
cd "$(dirname "$0")"

sizes=(16 20 24 32 40 48 64 256)
images=()
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for size in "${sizes[@]}"; do
  # A place on the grid, in pixels at this size: the nearest pixel edge.
  at() { echo $(((2 * $1 * size + 48) / 96)); }
  # ImageMagick's pixel coordinates are the pixels' centres: a shape from
  # edge A to edge B covers pixels A to B-1.
  box() { echo "$(at "$1"),$(at "$2") $(($(at "$3") - 1)),$(($(at "$4") - 1))"; }
  radius() { echo "$(at "$1"),$(at "$1")"; }

  tile="roundrectangle $(box 1 1 47 47) $(radius 8)"
  bars=()
  for top in 9 21 33; do
    # Bars a few pixels high are sharper with square ends.
    if [ "$(at 2)" -gt 1 ]; then
      bars+=(-draw "roundrectangle $(box 8 "$top" 40 $((top + 6))) $(radius 2)")
    else
      bars+=(-draw "rectangle $(box 8 "$top" 40 $((top + 6)))")
    fi
  done
  # The dot sits on the middle bar's centre line, whatever its rounding.
  dot=$(awk -v x="$(at 34)" -v y2="$(($(at 21) + $(at 27)))" -v size="$size" 'BEGIN {
    printf "circle %.2f,%.2f %.2f,%.2f", x - 0.5, y2 / 2 - 0.5, x - 0.5, y2 / 2 - 0.5 + 5 * size / 48 }')

  convert -size "${size}x${size}" xc:none \
    -fill '#1d5fa6' -draw "$tile" \
    -fill white "${bars[@]}" \
    -fill '#f29a1f' -draw "$dot" \
    "PNG32:$scratch/$size.png"
  images+=("$scratch/$size.png")
done
convert "${images[@]}" planchoice.ico
