#!/bin/bash
# A user opens a file with velbrisk.exe, types a name for the copy, clicks "开始压缩", closes
# "压缩完毕！" with Enter and leaves by "退出程序".
# Usage: trim-scenario.sh WINE_RUN PREFIX PROGRAM SCRATCH, alone on the X screen of DISPLAY.
set -uo pipefail
wine_run=$1 prefix=$2 program=$3 scratch=$4
. "$(dirname "$0")/../checks.sh"
need openbox xdotool
# A window manager for frames, focus and real pointer and key events, for this run only.
openbox --sm-disable >/dev/null 2>&1 &
trap "kill $!; WINEPREFIX='$prefix' wineserver -k 2>/dev/null" EXIT
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do sleep 0.1; done
# A point of the main window's client area, in pixels at 96 dpi.
click_at() { xdotool mousemove --window "$main" --sync "$1" "$2" click 1; }

# 701 bytes of data and 299 zero bytes: the copy keeps the data and the ten blank bytes after it.
# A blank and Chinese in the folder's name: the argument must arrive whole and in UTF-8.
folder="$scratch/压缩 测试"
rm -rf "$scratch" && mkdir -p "$folder"
{ head -c 701 /dev/zero | tr '\0' 'A'; head -c 299 /dev/zero; } >"$folder/source.exe"

# The file comes on the command line, as Explorer's verb and "Open with" hand it over.
"$wine_run" "$prefix" "$program" "Z:${folder//\//\\}\\source.exe" &
running=$!
main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Velbrisk v1\.0' | head -n 1)
xdotool windowactivate --sync "$main" && sleep 0.5
# From the source box Tab passes the hidden box to the copy's name.
xdotool key --delay 100 Tab Tab && xdotool type --delay 30 trimmed && click_at 370 46
box=$(timeout 30 xdotool search --sync --onlyvisible --name '^Velbrisk$' | head -n 1)
[ -n "$box" ] && xdotool windowactivate --sync "$box" key Return && sleep 0.5 ||
    fail "no message after 开始压缩"
for _ in $(seq 50); do [ -f "$folder/trimmed.exe" ] && break; sleep 0.1; done
cmp -s <(head -c 711 "$folder/source.exe") "$folder/trimmed.exe" ||
    fail "the copy is not the first 711 bytes of the source: $(ls -l "$folder")"
click_at 370 62
timeout 10 tail --pid="$running" -f /dev/null || fail "the program still runs after 退出程序"
[ "$failures" -eq 0 ]
