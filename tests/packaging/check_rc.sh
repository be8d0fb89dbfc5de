#!/bin/bash
# Compiles the Windows resource script and reads the version record, the hand cursor and the
# manifest back out of the result.
# Usage: check_rc.sh WINDRES RC MAKER PRODUCT FILE_VERSION HOT_X HOT_Y MANIFEST
set -euo pipefail
windres=$1 rc=$2 maker=$3 product=$4 file_version=$5 hot_x=$6 hot_y=$7 manifest=$8

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$windres" "$rc" -O res -o "$scratch/velbrisk.res"
# Decompiled, windres writes each text back with every character beyond ASCII as \xNNNN.
"$windres" -i "$scratch/velbrisk.res" -J res -O rc -o "$scratch/back.rc"

escaped() {
    local unit
    for unit in $(printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx2 -v); do
        if [ $((16#$unit)) -lt 128 ]; then
            printf "\\$(printf %03o $((16#$unit)))"
        else
            printf '\\x%s' "$unit"
        fi
    done
}
value_line() {  # the text of one VALUE as windres writes it, L"" when it needed escapes
    local text
    text=$(escaped "$2")
    if [[ "$text" == *\\x* ]]; then
        printf 'VALUE "%s", L"%s"' "$1" "$text"
    else
        printf 'VALUE "%s", "%s"' "$1" "$text"
    fi
}

failures=0
expect() {
    if ! grep -qF -- "$1" "$scratch/back.rc"; then
        echo "FAIL: the compiled record lacks: $1"
        failures=$((failures + 1))
    fi
}
expect 'BLOCK "080404b0"'
expect 'VALUE "Translation", 0x804, 1200'
# LANG_CHINESE 4, SUBLANG_CHINESE_SIMPLIFIED 2: the resources themselves are marked Chinese (PRC).
expect 'LANGUAGE 4, 2'
expect "$(value_line CompanyName "$maker")"
expect "$(value_line FileVersion "$file_version")"
expect "$(value_line ProductVersion "$file_version")"
expect "$(value_line ProductName "$product")"
expect "$(value_line InternalName "$product")"
expect "$(value_line OriginalFilename "$product.exe")"
# The program file's icon: one group icon with the picture in it, id 1.
expect '1 14 /* RT_GROUP_ICON */'
# The hand cursor, id 101 for the windows' LoadCursor, pointing with the finger's tip.
expect '101 12 /* RT_GROUP_CURSOR */'
expect "Hotspot x: $hot_x, y: $hot_y."
# Windows reads the manifest of a program from id 1 of its own resource type.
expect '1 24 /* RT_MANIFEST */'

# A manifest that is not well-formed XML stops Windows from starting the program at all.
if ! xmllint --noout "$manifest"; then
    echo "FAIL: the manifest is not well-formed"
    failures=$((failures + 1))
fi
manifest_says() {
    if ! grep -qF -- "$1" "$manifest"; then
        echo "FAIL: the manifest lacks: $1"
        failures=$((failures + 1))
    fi
}
manifest_says 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'
manifest_says '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>'
manifest_says '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>'
manifest_says '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>'
manifest_says '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>'

if [ "$failures" -ne 0 ]; then
    echo "--- the record as compiled:"
    cat "$scratch/back.rc"
    exit 1
fi
echo "the resource script compiles and carries the version record, icon, cursor and manifest"
