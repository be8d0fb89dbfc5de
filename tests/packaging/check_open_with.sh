#!/bin/bash
# "Open with" as a desktop does it: the installed entry is found by a Windows program's type and
# launched with a file by GIO on a virtual screen; the packaged program must start with that
# file's path and stay up.
# Usage: check_open_with.sh ROOT APP_ID   (ROOT: the unpacked package)
set -uo pipefail
root=$1 app_id=$2
entry=$app_id.desktop

if [ "${3:-}" != --on-screen ]; then
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    # Only the package's entries and the system's types; no user's own defaults.
    export XDG_DATA_DIRS="$root/usr/share:/usr/share"
    export XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config"
    export PATH="$root/usr/bin:$PATH"
    # What the trigger of desktop-file-utils does when the package is installed: the index of
    # types to entries that GIO and other desktops read.
    update-desktop-database "$root/usr/share/applications" || exit 1
    # Read whole before it is searched: grep -q stops at the first match, and a gio cut off by
    # the closed pipe would fail the pipeline.
    listed=$(gio mime application/x-ms-dos-executable)
    if ! grep -q "^[[:space:]]*$entry\$" <<<"$listed"; then
        echo "FAIL: the desktop does not list $entry for Windows programs:"
        echo "$listed"
        exit 1
    fi
    # A name with a space and Chinese, which the entry's %f must hand over as one argument.
    file="$scratch/程序 1.exe"
    printf 'MZ' >"$file"
    xvfb-run --auto-servernum --server-args="-screen 0 800x600x24" \
        "$0" "$root" "$app_id" --on-screen "$file"
    exit
fi

file=$4
export QT_QPA_PLATFORM=xcb
gio launch "$root/usr/share/applications/$entry" "$file" || { echo "FAIL: gio launch"; exit 1; }

# The launched program is the one whose executable is the package's, whatever else runs here.
pid=
for _ in $(seq 100); do
    for candidate in /proc/[0-9]*; do
        if [ "$(readlink "$candidate/exe" 2>/dev/null)" = "$root/usr/bin/velbrisk" ]; then
            pid=${candidate#/proc/}
            break 2
        fi
    done
    sleep 0.1
done
[ -n "$pid" ] || { echo "FAIL: the entry started no velbrisk"; exit 1; }

failures=0
mapfile -d '' arguments <"/proc/$pid/cmdline"
if [ "${#arguments[@]}" -ne 2 ] || [ "${arguments[1]}" != "$file" ]; then
    echo "FAIL: velbrisk was started with: ${arguments[*]}"
    failures=1
fi
sleep 2
if ! kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: velbrisk ended by itself"
    failures=1
fi
kill "$pid" 2>/dev/null
[ "$failures" -eq 0 ] && echo "\"Open with\" started velbrisk with $file"
exit "$failures"
