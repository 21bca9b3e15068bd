#!/bin/sh
# Draws the program's seven icons (resources/icons/icon1.ico .. icon7.ico)
# with ImageMagick. Shapes only, no fonts, so every machine draws the same
# pictures. The .ico files are committed; run this again only to change them.
#   1, 2  128 x 128  the program: a reader with firmware flowing into it
#   3      32 x 32   the reader's chip
#   4      32 x 32   the download arrow
#   5      32 x 32   message boxes: the reader with a warning badge
#   6      32 x 32   done: a check mark
#   7      32 x 32   failed: a cross
# Every picture is drawn on a 128 x 128 canvas and scaled down, and written
# as a single 32-bit (alpha) image.
set -e
out="$(cd "$(dirname "$0")/.." && pwd)/resources/icons"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

body='#1d3557'
screen='#0b0f14'
green='#00d000'
chip='#2a9d8f'
pins='#dfe6ec'

# The reader: a rounded body with a small green-on-black display and a chip.
reader() {
    convert -size 128x128 xc:none \
        -fill "$body" -draw 'roundrectangle 10,40 118,120 14,14' \
        -fill "$screen" -draw 'roundrectangle 20,50 70,74 4,4' \
        -fill "$green" -draw 'rectangle 25,56 50,59' -draw 'rectangle 25,64 62,67' \
        -fill "$chip" -draw 'rectangle 80,52 106,78' \
        -stroke "$pins" -strokewidth 3 \
        -draw 'line 86,47 86,52' -draw 'line 93,47 93,52' -draw 'line 100,47 100,52' \
        -draw 'line 86,78 86,83' -draw 'line 93,78 93,83' -draw 'line 100,78 100,83' \
        -stroke none -fill '#457b9d' -draw 'roundrectangle 20,88 108,108 6,6' \
        -fill "$screen" -draw 'rectangle 28,96 100,100' \
        "$1"
}

# A green arrow pointing down into the reader.
arrow() {
    convert "$1" -fill "$green" -stroke '#006400' -strokewidth 2 \
        -draw 'polygon 52,2 76,2 76,22 92,22 64,48 36,22 52,22' "$2"
}

reader "$work/reader.png"
arrow "$work/reader.png" "$work/program.png"

# Icon 2 (window and About box) is the program picture; icon 1 (the file's
# picture in the shell) adds a spark of the flint the program is named after.
cp "$work/program.png" "$work/icon2.png"
convert "$work/program.png" -fill '#ffb703' -stroke '#fb8500' -strokewidth 2 \
    -draw 'polygon 104,4 110,16 124,18 112,26 116,38 104,30 92,38 96,26 84,18 98,16' \
    "$work/icon1.png"

# Icon 3: the chip alone.
convert -size 128x128 xc:none -fill "$chip" -draw 'roundrectangle 28,28 100,100 8,8' \
    -fill '#264653' -draw 'rectangle 46,46 82,82' \
    -stroke "$pins" -strokewidth 8 \
    -draw 'line 44,8 44,28' -draw 'line 64,8 64,28' -draw 'line 84,8 84,28' \
    -draw 'line 44,100 44,120' -draw 'line 64,100 64,120' -draw 'line 84,100 84,120' \
    -draw 'line 8,44 28,44' -draw 'line 8,64 28,64' -draw 'line 8,84 28,84' \
    -draw 'line 100,44 120,44' -draw 'line 100,64 120,64' -draw 'line 100,84 120,84' \
    "$work/icon3.png"

# Icon 4: the download arrow over a bar.
convert -size 128x128 xc:none -fill "$green" -stroke '#006400' -strokewidth 4 \
    -draw 'polygon 44,6 84,6 84,52 112,52 64,100 16,52 44,52' \
    -fill "$body" -stroke none -draw 'roundrectangle 12,106 116,122 6,6' \
    "$work/icon4.png"

# Icon 5: the reader with a yellow warning badge.
convert "$work/reader.png" -fill '#ffb703' -stroke '#7a4b00' -strokewidth 4 \
    -draw 'polygon 64,2 104,70 24,70' \
    -stroke none -fill '#1b1b1b' -draw 'rectangle 59,22 69,50' -draw 'circle 64,60 64,65' \
    "$work/icon5.png"

# Icon 6: a check mark.
convert -size 128x128 xc:none -fill "$green" -draw 'circle 64,64 64,6' \
    -stroke white -strokewidth 16 -fill none -draw 'polyline 34,66 56,88 96,42' \
    "$work/icon6.png"

# Icon 7: a cross.
convert -size 128x128 xc:none -fill '#d62828' -draw 'circle 64,64 64,6' \
    -stroke white -strokewidth 16 -draw 'line 40,40 88,88' -draw 'line 88,40 40,88' \
    "$work/icon7.png"

for n in 1 2; do
    convert "$work/icon$n.png" -alpha on -define icon:auto-resize=128 "$out/icon$n.ico"
done
for n in 3 4 5 6 7; do
    convert "$work/icon$n.png" -alpha on -resize 32x32 -define icon:auto-resize=32 "$out/icon$n.ico"
done
echo "icons written to $out"
