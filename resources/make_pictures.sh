#!/bin/sh
# Draws the window icon (zumivok.ico, 32 x 32) and the start-up picture
# (startup.bmp, 164 x 159), both with 256-colour palettes, from ImageMagick 6
# drawing primitives. Run it from anywhere; it writes beside itself.
set -eu

CONVERT=${CONVERT:-/usr/bin/convert}
FONT=${FONT:-/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The icon: a yellow lightning bolt with a black edge on red, as the windows are.
"$CONVERT" -size 32x32 xc:'rgb(255,0,0)' \
    -fill 'rgb(160,0,0)' -draw 'rectangle 0,29 31,31' \
    -fill 'rgb(255,230,0)' -stroke black -strokewidth 1.5 \
    -draw 'polygon 19,1 6,18 14,18 9,30 26,11 17,11 23,1' \
    -fill white -stroke none -draw 'polygon 18,4 11,14 13,14 19,5' \
    +antialias -colors 256 -type Palette "$work/icon.bmp"
"$CONVERT" "$work/icon.bmp" -type Palette -define icon:auto-resize=32 "$here/zumivok.ico"

# The start-up picture: Zumling, a round purple creature with a spark on its
# antenna, waving, with the program's name under it.
"$CONVERT" -size 164x159 xc:white \
    -stroke 'rgb(255,200,0)' -strokewidth 2 \
    -draw 'line 100,16 112,10' -draw 'line 100,16 110,24' -draw 'line 100,16 96,4' \
    -stroke 'rgb(60,20,90)' -strokewidth 3 -fill none \
    -draw 'bezier 82,38 84,26 94,18 100,16' \
    -fill 'rgb(255,220,0)' -stroke 'rgb(200,120,0)' -strokewidth 1 \
    -draw 'polygon 100,7 103,13 109,14 104,18 106,24 100,20 94,24 96,18 91,14 97,13' \
    -fill 'rgb(60,20,90)' -stroke none \
    -draw 'ellipse 60,118 14,7 0,360' -draw 'ellipse 104,118 14,7 0,360' \
    -fill 'rgb(128,64,192)' -stroke 'rgb(60,20,90)' -strokewidth 2 \
    -draw 'ellipse 38,84 9,16 0,360' \
    -draw 'ellipse 130,62 9,16 0,360' \
    -draw 'ellipse 82,78 44,40 0,360' \
    -fill 'rgb(200,170,240)' -stroke none -draw 'ellipse 82,92 26,20 0,360' \
    -fill white -stroke 'rgb(60,20,90)' -strokewidth 2 \
    -draw 'ellipse 68,64 10,12 0,360' -draw 'ellipse 96,64 10,12 0,360' \
    -fill black -stroke none \
    -draw 'circle 70,66 70,71' -draw 'circle 94,66 94,71' \
    -fill white -draw 'circle 72,63 72,65' -draw 'circle 96,63 96,65' \
    -fill 'rgb(255,130,170)' -draw 'ellipse 54,82 6,4 0,360' -draw 'ellipse 110,82 6,4 0,360' \
    -fill 'rgb(120,20,40)' -stroke 'rgb(60,20,90)' -strokewidth 2 \
    -draw 'path "M 70,84 Q 82,98 94,84 Z"' \
    -stroke none -font "$FONT" -pointsize 22 \
    -fill 'rgb(140,0,0)' -annotate +30+151 'ZumiVok' \
    -fill 'rgb(255,0,0)' -annotate +28+149 'ZumiVok' \
    -colors 256 -type Palette -compress None "BMP3:$here/startup.bmp"
