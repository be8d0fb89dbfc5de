#!/bin/bash
# The Windows program stands alone: it imports only DLLs that every Windows has (no libstdc++,
# winpthread or libgcc DLL to ship beside it), and opens no console beside its window.
# Usage: check_program.sh OBJDUMP PROGRAM
set -euo pipefail
. "$(dirname "$0")/../checks.sh"
system_dlls=" kernel32.dll user32.dll gdi32.dll shell32.dll comctl32.dll comdlg32.dll ole32.dll "
system_dlls+=" oleaut32.dll advapi32.dll shlwapi.dll uxtheme.dll msvcrt.dll ucrtbase.dll "
headers=$("$1" -p "$2")
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || fail "objdump found no imports in $2"
for dll in $imports; do
    [[ "$system_dlls" == *" $dll "* || "$dll" == api-ms-win-* ]] ||
        fail "imports $dll, which Windows does not have"
done
subsystem=$(awk '$1 == "Subsystem" { print $2 }' <<<"$headers")
[ "$subsystem" = 00000002 ] || fail "subsystem $subsystem, not 2 (Windows GUI)"
[ "$failures" -eq 0 ]
