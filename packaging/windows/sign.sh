#!/bin/sh
# Signs a Windows program or installer in place with an Authenticode signature (SHA-256).
# Usage: sign.sh OSSLSIGNCODE CERTIFICATE KEY PRODUCT HOME_PAGE FILE
set -eu
osslsigncode=$1 certificate=$2 key=$3 product=$4 home_page=$5 file=$6
# The signed copy is written beside the file and put in its place only when whole.
rm -f "$file.signed"
"$osslsigncode" sign -certs "$certificate" -key "$key" -h sha256 -n "$product" -i "$home_page" \
    -in "$file" -out "$file.signed" >/dev/null
mv -f "$file.signed" "$file"
