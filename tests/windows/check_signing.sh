#!/bin/bash
# The packages' signing step, with a throwaway code-signing certificate made here: the signed
# program carries an Authenticode signature that verifies against that certificate.
# Usage: check_signing.sh SIGN_SCRIPT PROGRAM
set -uo pipefail
sign=$1 program=$2
for tool in openssl osslsigncode; do
    command -v $tool >/dev/null || { echo "SKIP: no $tool (tools/debian-packages-windows.txt)"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out certificate.pem -days 2 \
    -subj "/CN=Velbrisk test signer" -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=codeSigning" 2>/dev/null || { echo "FAIL: openssl req"; exit 1; }
cp "$program" signed.exe
"$sign" osslsigncode certificate.pem key.pem Velbrisk https://velbrisk.example.org/ signed.exe ||
    { echo "FAIL: the signing step"; exit 1; }
osslsigncode verify -CAfile certificate.pem -in signed.exe >verify.log 2>&1 ||
    { cat verify.log; echo "FAIL: the signature does not verify"; exit 1; }
[ ! -e signed.exe.signed ] || { echo "FAIL: the signing step left signed.exe.signed"; exit 1; }
