#!/bin/bash
# Builds the Debian package, unpacks it into a scratch root and checks what lands where.
# Usage: check_deb.sh BUILD_DIR APP_ID VERSION MAKER
set -euo pipefail
build=$1 app_id=$2 version=$3 maker=$4

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1
then
    cat "$scratch/cpack.log"
    # CPack builds the project first; when that fails, its log says why.
    find "$scratch/out" -name PreinstallOutput.log -exec tail -n 30 {} \;
    echo "FAIL: cpack"
    exit 1
fi
debs=("$scratch"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: expected one .deb, got: ${debs[*]}"; exit 1; }
deb=${debs[0]}
echo "built $(basename "$deb")"

# The control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = velbrisk ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', expected '$version'"
[[ "$(field Maintainer)" == "$maker <"* ]] || fail "Maintainer is '$(field Maintainer)'"
depends=$(field Depends)
for needed in libqt6widgets6 qt6-qpa-plugins fonts-noto-cjk qt6-translations-l10n; do
    [[ ", $depends," == *", $needed"[\ ,\(]* ]] || fail "Depends lacks $needed: $depends"
done

# Exactly these files, nothing that another folder's install rules might drag in.
root=$scratch/root
dpkg-deb -x "$deb" "$root"
expected=$(printf '%s\n' \
    ./usr/bin/velbrisk \
    ./usr/bin/velbrisk-trim \
    ./usr/share/doc/velbrisk/changelog.gz \
    ./usr/share/doc/velbrisk/copyright \
    ./usr/share/man/man1/velbrisk.1.gz \
    ./usr/share/man/man1/velbrisk-trim.1.gz \
    "./usr/share/applications/$app_id.desktop" \
    "./usr/share/icons/hicolor/48x48/apps/$app_id.png" \
    "./usr/share/metainfo/$app_id.metainfo.xml" | sort)
actual=$(cd "$root" && find . -type f | sort)
if [ "$actual" != "$expected" ]; then
    fail "files in the package differ:"
    diff <(echo "$expected") <(echo "$actual") || true
fi

for program in velbrisk velbrisk-trim; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
done

# The gzipped documents carry no time stamp and open as what they are.
for document in doc/velbrisk/changelog.gz man/man1/velbrisk.1.gz man/man1/velbrisk-trim.1.gz; do
    gz=$root/usr/share/$document
    [ -f "$gz" ] || continue
    [ "$(od -An -tu4 -j4 -N4 "$gz" | tr -d ' ')" = 0 ] || fail "$document has a time stamp"
    gzip -t "$gz" || fail "$document is not a sound gzip file"
done
first_entry=$(zcat "$root/usr/share/doc/velbrisk/changelog.gz" | sed -n 1p)
[[ "$first_entry" == "velbrisk ($version) "* ]] \
    || fail "the changelog starts with '$first_entry', not version $version"
grep -q '^License: MIT$' "$root/usr/share/doc/velbrisk/copyright" \
    || fail "the copyright file names no MIT licence"

# The menu entry names a program and an icon that the package holds.
entry=$root/usr/share/applications/$app_id.desktop
if [ -f "$entry" ]; then
    desktop-file-validate "$entry" || fail "the packaged desktop entry does not validate"
    [ "$(sed -n 's/^Exec=//p' "$entry")" = "velbrisk %f" ] || fail "Exec is not 'velbrisk %f'"
    for type in application/x-ms-dos-executable application/x-msdownload \
                application/vnd.microsoft.portable-executable application/x-msdos-program; do
        grep -q "^MimeType=.*$type;" "$entry" || fail "the entry does not take $type"
    done
    [ "$(sed -n 's/^Icon=//p' "$entry")" = "$app_id" ] || fail "Icon is not $app_id"
fi

# The hicolor folder promises 48 x 48: the PNG header says width and height at bytes 16 to 23.
icon=$root/usr/share/icons/hicolor/48x48/apps/$app_id.png
if [ -f "$icon" ]; then
    size=$(od -An -tx1 -j16 -N8 "$icon" | tr -d ' \n')
    [ "$size" = 0000003000000030 ] || fail "the menu icon is not 48 x 48 (IHDR $size)"
fi

# The packaged window program answers --help with no display at all.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/velbrisk" --help \
    >"$scratch/help.txt" 2>&1 || fail "velbrisk --help failed: $(cat "$scratch/help.txt")"
grep -q '^用法：velbrisk' "$scratch/help.txt" || fail "velbrisk --help printed: $(cat "$scratch/help.txt")"

# The packaged velbrisk-trim trims a folder of files in one command.
mkdir "$scratch/dist"
for name in a b c; do
    { head -c 3000 /dev/urandom; head -c 5000 /dev/zero; } >"$scratch/dist/$name.exe"
done
if "$root/usr/bin/velbrisk-trim" "$scratch"/dist/*.exe >"$scratch/trim.txt" 2>&1; then
    [ "$(grep -c '节省' "$scratch/trim.txt")" = 3 ] || fail "velbrisk-trim reported: $(cat "$scratch/trim.txt")"
    for name in a b c; do
        [ -f "$scratch/dist/$name.trimmed.exe" ] || fail "velbrisk-trim wrote no $name.trimmed.exe"
    done
else
    fail "velbrisk-trim failed: $(cat "$scratch/trim.txt")"
fi

# "Open with": the desktop lists the entry for a Windows program, and launching the entry with a
# file, as a file manager does, starts the packaged program with that file and it stays up.
"$(dirname "$0")/check_open_with.sh" "$root" "$app_id" || fail "\"Open with\" does not work"

[ "$failures" -eq 0 ] || exit 1
echo "the package holds the program, its menu entry, icon and metainfo"
