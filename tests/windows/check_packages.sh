#!/bin/bash
# The Windows zip and installer as a user meets them, under Wine: velbrisk-trim.exe from the zip,
# then a silent install (Explorer's verb on .exe files, the user's PATH) and uninstall.
# Usage: check_packages.sh BUILD WINE_RUN PREFIX ZIP SETUP PRODUCT APP_ID
set -uo pipefail
build=$1 wine_run=$2 prefix=$3 zip=$4 setup=$5 product=$6 app_id=$7
. "$(dirname "$0")/../checks.sh"
need makensis unzip iconv script
wine_run() { "$wine_run" "$prefix" "$@"; }
# What reg.exe writes, in the prefix's code page (936), as UTF-8 without CRs.
reg() { wine_run reg "$@" 2>/dev/null | iconv -f GB18030 -t UTF-8 | tr -d '\r'; }
reg_value() { reg query "$1" "${@:2}" | sed -n 's/^ *[^ ].*  *REG_[A-Z_]*  *//p'; }
cmake --build "$build" --target package_windows >"$build/package_windows.log" 2>&1 ||
    { cat "$build/package_windows.log"; echo "FAIL: the package_windows target"; exit 1; }

# A blank and Chinese in the folder's and the file's names: they must arrive whole.
scratch=$build/tests/windows/packages
folder="$scratch/压缩 测试"
rm -rf "$scratch" && mkdir -p "$folder" && cd "$folder" || exit 1
{ head -c 701 /dev/zero | tr '\0' 'A'; head -c 299 /dev/zero; } >小程序.exe

# Its line reads back as UTF-8 where redirected, and as text on a console (a terminal in Wine).
package=$(basename "$zip" -windows-x64.zip)
trim=$scratch/$package/velbrisk-trim.exe
unzip -q "$zip" -d "$scratch"
line='小程序.exe：1000 → 711 字节，节省 28.9%，写入 小程序.trimmed.exe'
wine_run "$trim" 小程序.exe >out 2>err
[ "$(tr -d '\r' <out)" = "$line" ] || fail "velbrisk-trim.exe from the zip wrote: $(cat out err)"
rm -f 小程序.trimmed.exe
script -qec "'$wine_run' '$prefix' '$trim' 小程序.exe" /dev/null </dev/null >console
grep -qF "$line" console || fail "on a console velbrisk-trim.exe showed: $(od -c console)"

# The user's own PATH, with a variable in it, which must come through both as it was.
reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d '%USERPROFILE%\bin;C:\tools' /f >/dev/null
snapshot() { reg query 'HKCU\Software\Classes' /s; reg query 'HKCU\Environment' /s; }
before=$(snapshot)
installed=$(ls -d "$prefix"/drive_c/users/*/AppData | grep -v /Public/ | head -n 1)
installed=$installed/Local/Programs/$product
verb_key="HKCU\\Software\\Classes\\SystemFileAssociations\\.exe\\shell\\$product"
uninstall_key="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$app_id"

wine_run "$setup" /S
diff -r -x uninstall.exe "$scratch/$package" "$installed" || fail "not installed as in the zip"
install_folder=$(reg_value "$uninstall_key" /v InstallLocation)
[ "$(reg_value "$verb_key" /ve)" = '用 Velbrisk 压缩' ] || fail "the verb: $(reg query "$verb_key" /s)"
command=$(reg_value "$verb_key\\command" /ve)
[ "$command" = "\"$install_folder\\velbrisk.exe\" \"%1\"" ] || fail "the verb's command: $command"
path=$(reg_value 'HKCU\Environment' /v Path)
[ "$path" = "%USERPROFILE%\\bin;C:\\tools;$install_folder" ] || fail "PATH after installing: $path"
size=$(reg_value "$uninstall_key" /v EstimatedSize) kib=$(($(cat "$installed"/* | wc -c) / 1024))
[ -n "$size" ] && ((size - kib <= 1 && kib - size <= 1)) ||
    fail "EstimatedSize is '$size', the folder holds $kib KiB"

# The uninstaller copies itself away and goes on from there, so its work ends a little later.
wine_run "$installed/uninstall.exe" /S
for _ in $(seq 100); do [ -e "$installed" ] || break; sleep 0.2; done
[ ! -e "$installed" ] || fail "left after uninstalling: $(ls "$installed")"
! wine_run reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstall entry is left"
diff <(echo "$before") <(echo "$(snapshot)") || fail "the keys or PATH differ after uninstalling"
wine_run reg delete 'HKCU\Environment' /v Path /f >/dev/null 2>&1
[ "$failures" -eq 0 ]
