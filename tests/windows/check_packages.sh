#!/bin/bash
# Makes the Windows zip and installer, and checks them: the zip's files; the installer, run
# silently under Wine, installs for the current user (program, Start-menu shortcut, uninstall
# entry) and its uninstaller takes all of that away again.
# Usage: check_packages.sh BUILD_DIR WINE_RUN PREFIX ZIP SETUP PRODUCT APP_ID
set -uo pipefail
build=$1 wine_run=$2 prefix=$3 zip=$4 setup=$5 product=$6 app_id=$7
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
wine_run() { "$wine_run" "$prefix" "$@"; }

cmake --build "$build" --target package_windows >"$build/package_windows.log" 2>&1 ||
    { cat "$build/package_windows.log"; echo "FAIL: the package_windows target"; exit 1; }

folder=$(basename "$zip" -windows-x64.zip)
expected=$(printf '%s\n' "$folder/LICENSE.txt" "$folder/README.txt" "$folder/velbrisk.exe")
actual=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
[ "$actual" = "$expected" ] || fail "the zip holds: $(echo $actual)"

# requestedExecutionLevel asInvoker: Windows asks for no administrator rights to run it.
grep -aq 'level="asInvoker"' "$setup" || fail "the installer asks for more than the user's rights"

# The user's folders in the prefix, whatever Wine names the user.
users=$(ls -d "$prefix"/drive_c/users/*/AppData 2>/dev/null | grep -v /Public/ | head -n 1)
installed=$users/Local/Programs/$product
shortcut=$users/Roaming/Microsoft/Windows/Start\ Menu/Programs/$product.lnk
key="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$app_id"
rm -rf "$installed" "$shortcut"

wine_run "$setup" /S
for file in velbrisk.exe LICENSE.txt README.txt uninstall.exe; do
    [ -f "$installed/$file" ] || fail "not installed: $installed/$file"
done
cmp -s "$installed/velbrisk.exe" <(unzip -p "$zip" "$folder/velbrisk.exe") ||
    fail "the installed program is not the zip's"
[ -f "$shortcut" ] || fail "no Start-menu shortcut at $shortcut"
uninstall=$(wine_run reg query "$key" /v UninstallString 2>/dev/null | tr -d '\r')
[[ "$uninstall" == *'uninstall.exe"'* ]] || fail "no uninstall entry under $key: $uninstall"

# The uninstaller copies itself away and goes on from there, so its work ends a little later.
wine_run "$installed/uninstall.exe" /S
for _ in $(seq 100); do [ -e "$installed" ] || break; sleep 0.2; done
[ ! -e "$installed" ] || fail "left after uninstalling: $(ls "$installed")"
[ ! -f "$shortcut" ] || fail "the shortcut is left after uninstalling"
wine_run reg query "$key" >/dev/null 2>&1 && fail "the uninstall entry is left after uninstalling"

[ "$failures" -eq 0 ] && echo "zip and installer hold the program; it installs and uninstalls for the user"
[ "$failures" -eq 0 ]
