#!/bin/bash
# Checks that the Windows hand cursor is the drawn picture, pixel for pixel, as a cursor (not an
# icon) whose hot spot is the tip of the finger.
# Usage: check_cursor.sh CUR PICTURE HOT_X HOT_Y
set -euo pipefail
cur=$1 picture=$2 hot_x=$3 hot_y=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Header: reserved 0, type 2 (cursor), one image; its entry: width and height 32, two bytes
# of colour count and reserve, then the hot spot where an icon has planes and bit count.
le16() { printf '%02x%02x' $(($1 % 256)) $(($1 / 256)); }
header=$(od -An -tx1 -N14 "$cur" | tr -d ' \n')
[ "${header:0:12}" = 000002000100 ] || fail "not one cursor image: header ${header:0:12}"
[ "${header:12:4}" = 2020 ] || fail "not 32 x 32: ${header:12:4}"
[ "${header:20:8}" = "$(le16 "$hot_x")$(le16 "$hot_y")" ] ||
    fail "hot spot bytes ${header:20:8}, expected ($hot_x, $hot_y)"

differing=$(compare -metric AE "$picture" "$cur" null: 2>&1) || true
[ "$differing" = 0 ] || fail "the cursor differs from $picture in $differing pixels"

# The hot spot lies on the hand's outline with nothing drawn above it: the tip of the finger.
alphas=$(convert "$picture" -format "%[fx:p{$hot_x,$hot_y}.a] %[fx:p{$hot_x,$((hot_y - 1))}.a]" info:)
[ "$alphas" = "1 0" ] || fail "($hot_x, $hot_y) is not the finger's tip (opacity here and above: $alphas)"

[ "$failures" -eq 0 ] && echo "the cursor is the 32 x 32 hand with its hot spot at ($hot_x, $hot_y)"
[ "$failures" -eq 0 ]
