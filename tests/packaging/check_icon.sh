#!/bin/bash
# Checks that the Windows icon holds the window's 48 x 36 picture itself, pixel for pixel.
# Usage: check_icon.sh ICO PICTURE
set -euo pipefail
ico=$1 picture=$2

# ICONDIR: reserved 0, type 1 (icon), one image; then that image's width and height bytes.
header=$(od -An -tx1 -N8 "$ico" | tr -d ' \n')
if [ "$header" != 0000010001003024 ]; then
    echo "FAIL: expected one 48 x 36 image in $ico, header is $header"
    exit 1
fi
differing=$(compare -metric AE "$picture" "$ico" null: 2>&1) || true
if [ "$differing" != 0 ]; then
    echo "FAIL: the icon differs from $picture in $differing pixels"
    exit 1
fi
echo "the icon is the 48 x 36 window picture"
