#!/bin/bash
# A real Windows program with 4096 zeros after it, cut both ways by the engine: the safe copy
# holds the program whole, and where the full cut takes declared bytes it ends exactly at them.
# Usage: check_safe_cut.sh WINE_RUN PREFIX CUT_BOTH_WAYS STRIP SCRATCH CASE PROGRAM; CASE is
# unstripped (symbol tables end it), stripped, starts (stripped; its copy must run), signed
# (stripped, signed, zeros inside its certificate table) or appended (an installer's data).
set -uo pipefail
wine_run=$1 prefix=$2 cut_both_ways=$3 strip=$4 scratch=$5 case=$6 program=$7
skip() { echo "SKIP: $*"; exit 77; }
[ -f "$program" ] || skip "no $program (make package-windows makes the installer)"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
rm -rf "$scratch" && mkdir -p "$scratch"
whole=$scratch/program.exe
run() { "$wine_run" "$prefix" "$@" 2>&1 | tr -d '\r'; }
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
add_u32() {
    local v=$(($(u32 "$1" "$2") + $3))
    printf "$(printf '\\%03o' $((v & 255)) $((v >> 8 & 255)) $((v >> 16 & 255)) $((v >> 24)))" |
        dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
verifies() { osslsigncode verify -CAfile "$scratch/cert.pem" -in "$1" >/dev/null 2>&1; }

case $case in
    unstripped | appended) cp "$program" "$whole" ;;
    stripped | starts) "$strip" -o "$whole" "$program" ;;
    signed)
        command -v osslsigncode >/dev/null && command -v openssl >/dev/null ||
            skip "osslsigncode or openssl is missing"
        openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Velbrisk test" \
            -keyout "$scratch/key.pem" -out "$scratch/cert.pem" 2>/dev/null &&
            "$strip" -o "$scratch/unsigned.exe" "$program" &&
            osslsigncode sign -certs "$scratch/cert.pem" -key "$scratch/key.pem" \
                -in "$scratch/unsigned.exe" -out "$whole" >/dev/null || { echo "FAIL: signing"; exit 1; }
        # 64 zeros more in the table, as its directory entry (PE32+: number 4) and its own
        # length count it; the table still ends the file, where the signature is looked for.
        entry=$(($(u32 "$whole" 60) + 24 + 112 + 4 * 8))
        add_u32 "$whole" "$(u32 "$whole" "$entry")" 64
        add_u32 "$whole" $((entry + 4)) 64
        head -c 64 /dev/zero >>"$whole"
        verifies "$whole" || fail "the padded program's signature does not verify"
        ;;
esac

cp "$whole" "$scratch/source.exe" && head -c 4096 /dev/zero >>"$scratch/source.exe"
line=$(run "$cut_both_ways" "Z:${scratch//\//\\}\\source.exe" safe full)
read -r _ size _ declared _ safe _ full _ cut <<<"$line"
[ -n "${cut:-}" ] || { echo "FAIL: $line"; exit 1; }
echo "$case: source $size, safe cut $safe, full cut $full bytes;" \
    "declared end $declared, $cut declared bytes in the full cut"

length=$(stat -c %s "$whole")
cmp -s "$whole" <(head -c "$length" "$scratch/safe.exe") || fail "the safe copy lost data"
if [ "$case" = appended ]; then
    [ "$declared" -lt "$length" ] || fail "the appended data counts as declared ($declared)"
    [ "$safe" -eq "$full" ] || fail "the safe cut keeps $safe bytes, the full one $full"
else
    [ "$declared" -eq "$length" ] || fail "the declared end $declared is not the program's $length"
    [ "$cut" -eq 0 ] || [ "$safe" -eq "$declared" ] || fail "the safe cut keeps $safe bytes"
fi
if [ "$case" = starts ] || [ "$case" = signed ]; then
    [ "$cut" -gt 0 ] || fail "the full cut takes no declared byte: this shows nothing"
fi
if [ "$case" = starts ]; then
    [ "$(run "$scratch/safe.exe")" = "velbrisk greeting" ] || fail "the safe copy does not start"
    echo "the full copy under Wine: $(run "$scratch/full.exe" | head -n 1)"
elif [ "$case" = signed ]; then
    verifies "$scratch/safe.exe" || fail "the safe copy's signature does not verify"
    ! verifies "$scratch/full.exe" || fail "the full copy's signature still verifies"
fi
[ "$failures" -eq 0 ]
