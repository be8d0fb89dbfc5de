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
    "./usr/share/applications/$app_id.desktop" \
    "./usr/share/icons/hicolor/48x48/apps/$app_id.png" \
    "./usr/share/metainfo/$app_id.metainfo.xml" | sort)
actual=$(cd "$root" && find . -type f | sort)
if [ "$actual" != "$expected" ]; then
    fail "files in the package differ:"
    diff <(echo "$expected") <(echo "$actual") || true
fi

[ -x "$root/usr/bin/velbrisk" ] || fail "usr/bin/velbrisk is not executable"

# The menu entry names a program and an icon that the package holds.
entry=$root/usr/share/applications/$app_id.desktop
if [ -f "$entry" ]; then
    desktop-file-validate "$entry" || fail "the packaged desktop entry does not validate"
    [ "$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")" = velbrisk ] || fail "Exec is not velbrisk"
    [ "$(sed -n 's/^Icon=//p' "$entry")" = "$app_id" ] || fail "Icon is not $app_id"
fi

# The hicolor folder promises 48 x 48: the PNG header says width and height at bytes 16 to 23.
icon=$root/usr/share/icons/hicolor/48x48/apps/$app_id.png
if [ -f "$icon" ]; then
    size=$(od -An -tx1 -j16 -N8 "$icon" | tr -d ' \n')
    [ "$size" = 0000003000000030 ] || fail "the menu icon is not 48 x 48 (IHDR $size)"
fi

# The packaged program starts and stays up (it has no command line that would make it return).
export QT_QPA_PLATFORM=offscreen
"$root/usr/bin/velbrisk" >"$scratch/run.log" 2>&1 &
pid=$!
sleep 3
if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    wait "$pid" 2>/dev/null || true
else
    wait "$pid" && status=0 || status=$?
    fail "the packaged program ended by itself (status $status):"
    cat "$scratch/run.log"
fi

[ "$failures" -eq 0 ] || exit 1
echo "the package holds the program, its menu entry, icon and metainfo"
