#!/bin/bash
# The Windows program stands alone: it imports only DLLs that every Windows has (no libstdc++,
# winpthread or libgcc DLL to ship beside it), and stripped it stays well under 1 MiB.
# Usage: check_program.sh STRIP OBJDUMP PROGRAM
set -euo pipefail
strip=$1 objdump=$2 program=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

system_dlls=" kernel32.dll user32.dll gdi32.dll shell32.dll comctl32.dll comdlg32.dll ole32.dll "
system_dlls+=" oleaut32.dll advapi32.dll shlwapi.dll uxtheme.dll msvcrt.dll ucrtbase.dll "
imports=$("$objdump" -p "$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || fail "objdump found no imports in $program"
for dll in $imports; do
    [[ "$system_dlls" == *" $dll "* || "$dll" == api-ms-win-* ]] ||
        fail "imports $dll, which Windows does not have"
done

"$strip" -o "$scratch/stripped.exe" "$program"
size=$(stat -c %s "$scratch/stripped.exe")
[ "$size" -lt $((1024 * 1024)) ] || fail "stripped program is $size bytes, not under 1 MiB"

# A window program: subsystem 2 (Windows GUI), so that no console opens beside the window.
subsystem=$("$objdump" -p "$program" | awk '$1 == "Subsystem" { print $2 }')
[ "$subsystem" = 00000002 ] || fail "subsystem is $subsystem, not 2 (Windows GUI)"

[ "$failures" -eq 0 ]
