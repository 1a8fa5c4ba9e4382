#!/bin/sh
# Makes the sample catalogue: zumivok.dat and the pictures it names, beside
# this script. Start ZumiVok in this folder to browse it: the picture lines
# are paths relative to the data folder, which is the current directory.
# The data file is Windows-1252, every line ended by CR LF.
set -eu

CONVERT=${CONVERT:-/usr/bin/convert}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/pictures"
cd "$here/pictures"

# Outline colour shared by every drawing.
ink='rgb(40,30,60)'

# SPARKIT: a small sky-blue runner with round ears and sparks about it, as PNG.
"$CONVERT" -size 120x110 xc:white \
    -fill 'rgb(120,200,255)' -stroke "$ink" -strokewidth 2 \
    -draw 'circle 36,44 36,56' -draw 'circle 80,44 80,56' \
    -fill none -draw 'path "M 86,80 Q 108,84 104,66 Q 100,56 92,64"' \
    -fill 'rgb(120,200,255)' -draw 'ellipse 58,72 30,24 0,360' \
    -fill 'rgb(225,245,255)' -stroke none -draw 'ellipse 58,82 16,11 0,360' \
    -fill white -stroke "$ink" -draw 'ellipse 48,64 7,8 0,360' -draw 'ellipse 68,64 7,8 0,360' \
    -fill "$ink" -stroke none -draw 'circle 49,65 49,69' -draw 'circle 69,65 69,69' \
    -stroke "$ink" -strokewidth 2 -fill none -draw 'path "M 52,78 Q 58,83 64,78"' \
    -fill 'rgb(120,200,255)' -draw 'ellipse 44,96 8,5 0,360' -draw 'ellipse 72,96 8,5 0,360' \
    -stroke 'rgb(255,200,0)' -strokewidth 3 \
    -draw 'polyline 14,20 22,28 16,30 26,40' -draw 'polyline 98,14 92,24 100,24 94,34' \
    -strip -define png:exclude-chunks=date,time -depth 8 +dither -colors 64 sparkit.png

# BLOBBIN: a round purple puff with a leaf on its head, as a 256-colour BMP.
"$CONVERT" -size 110x110 xc:white \
    -fill 'rgb(60,160,60)' -stroke "$ink" -strokewidth 2 \
    -draw 'path "M 55,30 Q 60,8 80,10 Q 74,28 55,30 Z"' \
    -fill 'rgb(150,90,210)' -draw 'ellipse 55,66 40,36 0,360' \
    -fill 'rgb(210,185,245)' -stroke none -draw 'ellipse 55,80 22,16 0,360' \
    -fill white -stroke "$ink" -draw 'ellipse 42,58 8,10 0,360' -draw 'ellipse 68,58 8,10 0,360' \
    -fill "$ink" -stroke none -draw 'circle 44,60 44,64' -draw 'circle 66,60 66,64' \
    -stroke "$ink" -strokewidth 2 -fill none -draw 'path "M 46,76 Q 55,84 64,76"' \
    -colors 256 -type Palette -compress None BMP3:blobbin.bmp

# DRIZZLET: a blue droplet with a small cloud above it, as GIF.
"$CONVERT" -size 100x120 xc:white \
    -fill 'rgb(230,235,245)' -stroke "$ink" -strokewidth 2 \
    -draw 'ellipse 36,18 16,10 0,360' -draw 'ellipse 60,16 18,12 0,360' \
    -fill 'rgb(70,150,235)' \
    -draw 'path "M 50,34 C 66,56 84,74 84,90 C 84,108 68,116 50,116 C 32,116 16,108 16,90 C 16,74 34,56 50,34 Z"' \
    -fill white -draw 'ellipse 40,84 7,8 0,360' -draw 'ellipse 60,84 7,8 0,360' \
    -fill "$ink" -stroke none -draw 'circle 41,86 41,89' -draw 'circle 61,86 61,89' \
    -stroke "$ink" -strokewidth 2 -fill none -draw 'path "M 44,100 Q 50,105 56,100"' \
    -stroke none -fill 'rgb(70,150,235)' -draw 'ellipse 24,40 3,5 0,360' -draw 'ellipse 80,44 3,5 0,360' \
    +dither -colors 32 drizzlet.gif

# PEBBLUMP: a grey stone creature with moss on its back, as JPEG.
"$CONVERT" -size 130x100 xc:white \
    -fill 'rgb(150,145,140)' -stroke "$ink" -strokewidth 2 \
    -draw 'path "M 14,84 C 10,50 40,24 70,26 C 104,28 122,56 116,84 Z"' \
    -fill 'rgb(90,150,70)' -stroke none \
    -draw 'ellipse 70,30 22,7 0,360' -draw 'ellipse 50,36 10,5 0,360' \
    -fill 'rgb(120,115,110)' -draw 'circle 36,70 36,74' -draw 'circle 96,64 96,69' \
    -fill white -stroke "$ink" -draw 'ellipse 58,58 7,6 0,360' -draw 'ellipse 80,58 7,6 0,360' \
    -fill "$ink" -stroke none -draw 'rectangle 54,58 62,62' -draw 'rectangle 76,58 84,62' \
    -stroke "$ink" -strokewidth 2 -draw 'line 62,74 76,74' \
    -strip -quality 85 -sampling-factor 2x2 pebblump.jpg

# GLIMMOW: a moth-like glow creature, as a Windows icon.
"$CONVERT" -size 64x64 xc:white \
    -fill 'rgb(255,240,150)' -stroke "$ink" -strokewidth 1.5 \
    -draw 'ellipse 18,26 14,18 0,360' -draw 'ellipse 46,26 14,18 0,360' \
    -fill 'rgb(255,200,60)' -draw 'ellipse 32,36 8,20 0,360' \
    -fill "$ink" -stroke none -draw 'circle 29,24 29,26' -draw 'circle 35,24 35,26' \
    -stroke "$ink" -strokewidth 1.5 -fill none \
    -draw 'path "M 29,16 Q 24,6 18,6"' -draw 'path "M 35,16 Q 40,6 46,6"' \
    +dither -colors 64 glimmow.ico

cd "$here"
python3 - <<'EOF'
# Each entry: name, picture line, data lines. The first data line is the
# Zumling's number alone, as the editor's help asks.
entries = [
    ("SPARKIT", "pictures/sparkit.png", [
        "25",
        "A quick little Zumling that crackles when it runs.  Stores static in its zig-zag tail.",
        "Lets the charge go with a snap when it is startled.",
    ]),
    ("MOSSLOP", "No picture", [
        "12",
        "Sleeps for weeks under a blanket of moss and wakes up hungry.",
    ]),
    ("BLOBBIN", "pictures/blobbin.bmp", [
        "7",
        "A round, bouncy Zumling.  Rolls downhill faster than it can walk uphill.",
        "The leaf on its head turns toward the sun.",
    ]),
    ("DRIZZLET", "pictures/drizzlet.gif", [
        "31",
        "Never far from its own little cloud.  Found by the Weißbach after a storm.",
    ]),
    ("PEBBLUMP", "pictures/pebblump.jpg", [
        "40",
        "Looks like a stone until it blinks.  Hikers sit on it by mistake.",
        "Grows moss on its back in wet years.",
    ]),
    ("FROSTWICK", "No picture", [
        "58",
        "Leaves a trail of frost flowers on every window it passes.",
        "Its favourite treat is a frozen café au lait.",
    ]),
    ("GLIMMOW", "pictures/glimmow.ico", [
        "63",
        "Glows softly at night.  Drawn to lanterns, porch lights and reading lamps.",
    ]),
]
lines = []
for name, picture, data in entries:
    lines += ["~Begin Entry", name, picture, *data, "~End Entry"]
content = "".join(line + "\r\n" for line in lines).encode("cp1252")
assert b"\xe9" in content and b"\xdf" in content
with open("zumivok.dat", "wb") as out:
    out.write(content)
EOF
