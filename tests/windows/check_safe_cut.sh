#!/bin/bash
# A real Windows program with 4096 zeros after it, cut both ways by the engine: the safe copy
# holds the program whole, and where the full cut takes declared bytes it ends exactly at them.
# Usage: check_safe_cut.sh WINE_RUN PREFIX CUT_BOTH_WAYS STRIP SIGN_SCRIPT SCRATCH CASE PROGRAM
set -uo pipefail
wine_run=$1 prefix=$2 cut_both_ways=$3 strip=$4 sign=$5 scratch=$6 case=$7 program=$8
. "$(dirname "$0")/../checks.sh"
[ -f "$program" ] || skip "no $program (make package-windows makes the installer)"
rm -rf "$scratch" && mkdir -p "$scratch" && cd "$scratch" || exit 1
run() { "$wine_run" "$prefix" "$@" 2>&1 | tr -d '\r'; }
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
add_u32() {
    local v=$(($(u32 "$1" "$2") + $3))
    printf "$(printf '\\%03o' $((v & 255)) $((v >> 8 & 255)) $((v >> 16 & 255)) $((v >> 24)))" |
        dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
verifies() { osslsigncode verify -CAfile cert.pem -in "$1" >/dev/null 2>&1; }

case $case in
    unstripped | appended) cp "$program" program.exe ;;
    stripped | starts | signed) "$strip" -o program.exe "$program" ;;&
    signed)
        need osslsigncode openssl
        openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Velbrisk test" \
            -addext "extendedKeyUsage=codeSigning" -keyout key.pem -out cert.pem 2>/dev/null &&
            "$sign" osslsigncode cert.pem key.pem Velbrisk https://example.org/ program.exe ||
            { echo "FAIL: the signing step"; exit 1; }
        verifies program.exe || fail "the signing step left the program without a valid signature"
        # 64 zeros more in the table, as its directory entry (PE32+: number 4) and its own
        # length count it; the table still ends the file, where the signature is looked for.
        entry=$(($(u32 program.exe 60) + 24 + 112 + 4 * 8))
        add_u32 program.exe "$(u32 program.exe "$entry")" 64
        add_u32 program.exe $((entry + 4)) 64
        head -c 64 /dev/zero >>program.exe
        verifies program.exe || fail "the padded program's signature does not verify"
        ;;
esac

cp program.exe source.exe && head -c 4096 /dev/zero >>source.exe
# Wine may say something of its own as it starts: only the program's line is read.
line=$(run "$cut_both_ways" "Z:${scratch//\//\\}\\source.exe" safe full | grep '^source ')
read -r _ _ _ declared _ safe _ full _ cut <<<"$line"
[ -n "${cut:-}" ] || { echo "FAIL: $line"; exit 1; }
length=$(stat -c %s program.exe)
cmp -s program.exe <(head -c "$length" safe.exe) || fail "the safe copy lost data"
if [ "$case" = appended ]; then
    [ "$declared" -lt "$length" ] || fail "the appended data counts as declared ($declared)"
    [ "$safe" -eq "$full" ] || fail "the safe cut keeps $safe bytes, the full one $full"
else
    [ "$declared" -eq "$length" ] || fail "the declared end $declared is not the program's $length"
    [ "$cut" -eq 0 ] || [ "$safe" -eq "$declared" ] || fail "the safe cut keeps $safe bytes"
fi
[[ $case != @(starts|signed) ]] || [ "$cut" -gt 0 ] ||
    fail "the full cut takes no declared byte: this shows nothing"
[ "$case" != starts ] || [[ "$(run "$scratch/safe.exe")" == *"usage: cut_both_ways "* ]] ||
    fail "the safe copy does not start"
if [ "$case" = signed ]; then
    verifies safe.exe || fail "the safe copy's signature does not verify"
    ! verifies full.exe || fail "the full copy's signature still verifies"
fi
[ "$failures" -eq 0 ]
