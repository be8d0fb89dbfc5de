#!/bin/bash
# The Windows program stands alone: it imports only DLLs that every Windows has (no libstdc++,
# winpthread or libgcc DLL to ship beside it), and opens no console beside its window.
# Usage: check_program.sh OBJDUMP PROGRAM
set -euo pipefail
system_dlls=" kernel32.dll user32.dll gdi32.dll shell32.dll comctl32.dll comdlg32.dll ole32.dll "
system_dlls+=" oleaut32.dll advapi32.dll shlwapi.dll uxtheme.dll msvcrt.dll ucrtbase.dll "
imports=$("$1" -p "$2" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || { echo "FAIL: objdump found no imports in $2"; exit 1; }
status=0
for dll in $imports; do
    [[ "$system_dlls" == *" $dll "* || "$dll" == api-ms-win-* ]] ||
        { echo "FAIL: imports $dll, which Windows does not have"; status=1; }
done
subsystem=$("$1" -p "$2" | awk '$1 == "Subsystem" { print $2 }')
[ "$subsystem" = 00000002 ] || { echo "FAIL: subsystem $subsystem, not 2 (Windows GUI)"; status=1; }
exit $status
