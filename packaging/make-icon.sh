#!/bin/sh
# Draws ORVIK's icon with ImageMagick (Debian imagemagick): one aerial picture of fields, a forest, a
# river and a runway, cut into four tiles, which is what the program assembles. Each size is drawn
# on its own from the same shapes rather than scaled down, and the tiles sit on whole pixels, so
# even 16 pixels show four sharp tiles. Windows gets packaging/orvik.ico (16, 32, 48 and 256
# pixels); the Linux desktop gets packaging/icons/orvik-<size>.png for its hicolor icon theme (the
# same sizes and 64 and 128), without the time stamps that would change them at every drawing.
set -eu
cd "$(dirname "$0")"

# The picture on a 256-unit square; every part in a context of its own so that no stroke setting
# carries over into the next. The river is an outline filled, as this ImageMagick fills a stroked
# open path too.
picture='
push graphic-context
  fill "#6cab43" rectangle 0,0 256,256
  fill "#9ccc5a" polygon 0,0 96,0 84,38 30,60 0,52
pop graphic-context
push graphic-context
  fill "#e2b94f" polygon 150,0 256,0 256,118 214,112 168,70
  stroke "#c99e36" stroke-width 4
  line 176,12 256,12 line 182,32 256,32 line 190,52 256,52 line 200,72 256,72 line 210,92 256,92
pop graphic-context
push graphic-context
  fill "#2f6a30" polygon 0,150 50,136 98,160 122,212 112,256 0,256
  fill "#3f8a3c" circle 30,190 42,190 circle 70,226 80,226 circle 18,236 26,236
pop graphic-context
push graphic-context
  fill "#7b8a55" polygon 150,170 256,150 256,256 176,256
  fill "#8f8f8f" polygon 168,240 246,168 256,178 178,250
  stroke "#ffffff" stroke-width 2 stroke-dasharray 10,8
  line 174,243 250,173
pop graphic-context
push graphic-context
  fill "#2a7bd0"
  path "M -20,65 C 40,37 90,97 130,121 C 170,145 200,137 280,201
        L 280,227 C 200,163 170,171 130,147 C 90,123 40,63 -20,91 Z"
pop graphic-context
'

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sizes="16 32 48 64 128 256"
for size in $sizes; do
    scale=$(awk -v size="$size" 'BEGIN { printf "%.6f", size / 256 }')
    # Tiles of 112 units with a gap of 32: whole pixels at every size.
    tile=$((size * 112 / 256))
    second=$((size * 144 / 256))
    last=$((size - 1))
    radius=$((size * 14 / 256))
    if [ "$radius" -eq 0 ]; then
        corner=""
        shape=rectangle
    else
        corner=" $radius,$radius"
        shape=roundrectangle
    fi
    tiles="$shape 0,0 $((tile - 1)),$((tile - 1))$corner"
    tiles="$tiles $shape $second,0 $last,$((tile - 1))$corner"
    tiles="$tiles $shape 0,$second $((tile - 1)),$last$corner"
    tiles="$tiles $shape $second,$second $last,$last$corner"

    convert -size "${size}x$size" xc:none -draw "scale $scale,$scale $picture" \
        "$work/picture-$size.png"
    convert -size "${size}x$size" xc:black -fill white -draw "$tiles" "$work/mask-$size.png"
    convert "$work/picture-$size.png" "$work/mask-$size.png" -alpha off \
        -compose CopyOpacity -composite -depth 8 "PNG32:$work/icon-$size.png"
done

# ImageMagick stores the 256-pixel image as PNG inside the icon, as Windows expects.
convert "$work/icon-16.png" "$work/icon-32.png" "$work/icon-48.png" "$work/icon-256.png" orvik.ico
echo "Wrote $(pwd)/orvik.ico"
mkdir -p icons
for size in $sizes; do
    convert "$work/icon-$size.png" -strip -define png:exclude-chunks=date,time \
        "PNG32:icons/orvik-$size.png"
done
echo "Wrote $(pwd)/icons/orvik-*.png"
