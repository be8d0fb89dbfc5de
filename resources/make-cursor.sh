#!/bin/sh
# Writes a Windows cursor (.cur) of a picture, with its hot spot.
# Usage: make-cursor.sh CONVERT PICTURE HOT_X HOT_Y OUTPUT.cur
set -eu
convert=$1 picture=$2 hot_x=$3 hot_y=$4 output=$5

# A .cur is an .ico with type 2 in its header and, in each image's entry, the hot spot where an
# icon keeps its planes and bit count. ImageMagick writes icons only (it names a .cur an icon
# too), so it writes the one image and the two fields are set here.
"$convert" "$picture" "ico:$output.part"
le16() { printf "\\$(printf %03o $(($1 % 256)))\\$(printf %03o $(($1 / 256)))"; }
patch() { dd of="$output.part" bs=1 seek="$1" conv=notrunc status=none; }
le16 2 | patch 2
le16 "$hot_x" | patch 10
le16 "$hot_y" | patch 12
mv "$output.part" "$output"
