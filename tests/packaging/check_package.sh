#!/bin/bash
# What the Debian package must hold to install, show in the menu and open a Windows program, and
# what the Windows program's icon, cursor and resource script must be.
# Usage: check_package.sh BUILD APP_ID VERSION WINDOW_XPM ICO HAND_XPM CUR HOT_X HOT_Y RC
#                         MANIFEST [WINDRES]
set -uo pipefail
build=$1 app_id=$2 version=$3 window_xpm=$4 ico=$5 hand_xpm=$6 cur=$7 hot_x=$8 hot_y=$9
rc=${10} manifest=${11} windres=${12:-}
. "$(dirname "$0")/../checks.sh"
temporary_scratch

# The package as `make package` makes it: exactly these files, with these modes.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/log" 2>&1 ||
    { tail -n 30 "$scratch/log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$scratch"/out/*.deb)
root=$scratch/root
dpkg-deb -x "$deb" "$root"
files=$(cd "$root" && find . -type f -printf '%P %m\n' | LC_ALL=C sort | sed 's|^usr/||' | tr '\n' ' ')
[ "$files" = "bin/velbrisk 755 bin/velbrisk-trim 755 share/applications/$app_id.desktop 644 \
share/doc/velbrisk/changelog.gz 644 share/doc/velbrisk/copyright 644 \
share/icons/hicolor/48x48/apps/$app_id.png 644 share/lintian/overrides/velbrisk 644 \
share/man/man1/velbrisk-trim.1.gz 644 share/man/man1/velbrisk.1.gz 644 \
share/metainfo/$app_id.metainfo.xml 644 " ] || fail "the package holds: $files"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version: $(dpkg-deb -f "$deb" Version)"
# What Qt loads at run time, which the libraries' own dependencies do not bring.
for needed in libqt6widgets6 qt6-qpa-plugins fonts-noto-cjk qt6-translations-l10n; do
    [[ ", $(dpkg-deb -f "$deb" Depends)," == *", $needed"[\ ,\(]* ]] || fail "Depends lacks $needed"
done

# The menu entry opens a Windows program's file, by its path, with the packaged program.
entry=$root/usr/share/applications/$app_id.desktop
types='application/x-ms-dos-executable;application/x-msdownload;'
types+='application/vnd.microsoft.portable-executable;application/x-msdos-program;'
lines=$(grep -E '^(Exec|Icon|MimeType)=' "$entry")
[ "$lines" = "$(printf 'Exec=velbrisk %%f\nIcon=%s\nMimeType=%s' "$app_id" "$types")" ] ||
    fail "the menu entry: $lines"

env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/velbrisk" --version |
    grep -qx "velbrisk $version" || fail "the packaged velbrisk does not answer --version"

# The Windows icon is the window's 48 x 36 picture at 256 colours (8 bits a pixel); the cursor is
# the hand, as a cursor, whose hot spot is the finger's tip: drawn, with nothing drawn above it.
[ "$(od -An -tx1 -N14 "$ico" | tr -d ' \n')" = 0000010001003024000001000800 ] ||
    fail "the icon is no 48 x 36 at 256 colours"
[ "$(compare -metric AE "$window_xpm" "$ico" null: 2>&1)" = 0 ] || fail "the icon is not the picture"
le16() { printf '%02x%02x' $(($1 % 256)) $(($1 / 256)); }
header=$(od -An -tx1 -N14 "$cur" | tr -d ' \n')
[ "${header:0:16}${header:20:8}" = "0000020001002020$(le16 "$hot_x")$(le16 "$hot_y")" ] ||
    fail "the cursor's header is $header, not a 32 x 32 cursor pointing at ($hot_x, $hot_y)"
[ "$(compare -metric AE "$hand_xpm" "$cur" null: 2>&1)" = 0 ] || fail "the cursor is not the hand"
tip=$(convert "$hand_xpm" -format "%[fx:p{$hot_x,$hot_y}.a] %[fx:p{$hot_x,$((hot_y - 1))}.a]" info:)
[ "$tip" = "1 0" ] || fail "($hot_x, $hot_y) is not the finger's tip"

# The resource script has every fact filled in; with windres and xmllint (the Windows packages) it
# compiles with the icon, cursor and manifest, and the manifest is well-formed.
! grep -q '@\|, ""' "$rc" || fail "the resource script lacks a fact: $(grep '@\|, ""' "$rc")"
if [ -n "$windres" ]; then
    xmllint --noout "$manifest" || fail "the manifest is not well-formed"
    "$windres" "$rc" -O res -o "$scratch/res" && "$windres" -i "$scratch/res" -J res -O rc \
        -o "$scratch/back.rc" || fail "the resource script does not compile"
    for made in '1 14 /* RT_GROUP_ICON */' '101 12 /* RT_GROUP_CURSOR */' '1 24 /* RT_MANIFEST */'; do
        grep -qF "$made" "$scratch/back.rc" || fail "the compiled resources lack $made"
    done
fi
[ "$failures" -eq 0 ]
