#!/bin/bash
# A user trims a file with velbrisk.exe: types the source's path and a name, clicks "开始压缩",
# reads "压缩完毕！", closes it, and leaves by "退出程序"; the copy must hold the kept bytes.
# Usage (through on-screen.sh): trim-scenario.sh PROBE PROGRAM SCRATCH
set -uo pipefail
export PROBE=$1
program=$2 scratch=$3
source "$(dirname "$0")/screen-lib.sh"

# 701 bytes of data, then 299 zero bytes: the probe that meets data is 300 bytes from the end,
# and the copy keeps 711 bytes, the data and the ten blank bytes of the probes before it.
folder=$scratch/job
rm -rf "$scratch" && mkdir -p "$folder"
source_file=$folder/source.exe
{ head -c 701 /dev/zero | tr '\0' 'A'; head -c 299 /dev/zero; } >"$source_file"

wine_run "$program" &
find_window '*' "Velbrisk v1.0" 30000 || { echo "FAIL: the main window did not open"; exit 1; }
main=$window
[ "$(cut -d, -f3,4 <<<"$window_client")" = 406,183 ] ||
    fail "client area is $window_client, not 406 x 183 at 96 dpi"

# Text and SaveText are the two boxes 360 and 960 twips from the top; the third box lies below
# the client area.
boxes=$(probe controls "$main" | awk -F'\t' 'tolower($1) == "edit"')
box_at() { awk -F'\t' -v top="$1" '{ split($3, r, ","); if (r[2] == top) { print; exit } }' <<<"$boxes"; }
text_box=$(box_at 24) save_box=$(box_at 64)
[ -n "$text_box" ] && [ -n "$save_box" ] || { echo "FAIL: no boxes at 24 and 64 px:"; echo "$boxes"; exit 1; }

type_into "$text_box" "$(windows_path "$source_file")"
type_into "$save_box" trimmed
click "$(control Static 开始压缩)"

if find_window '#32770' Velbrisk 30000; then
    box=$window
    [ -n "$(control Static 压缩完毕！)" ] || fail "the message is not 压缩完毕！: $(probe controls "$box" | cut -f1,6)"
    click "$(control Button 确定)"
    probe gone "$box" 5000 || fail "the message box stayed open after 确定 was clicked"
else
    fail "no message box within 30 s of the click on 开始压缩"
fi

output=$folder/trimmed.exe
if [ -f "$output" ]; then
    cmp -s <(head -c 711 "$source_file") "$output" ||
        fail "the copy is not the first 711 bytes of the source ($(stat -c %s "$output") bytes)"
else
    fail "no copy at $output"
fi
cmp -s <({ head -c 701 /dev/zero | tr '\0' 'A'; head -c 299 /dev/zero; }) "$source_file" ||
    fail "the source changed"

window=$main
click "$(control Static 退出程序)"
probe gone "$main" 10000 || fail "the window stayed open after 退出程序"

[ "$failures" -eq 0 ] && echo "velbrisk.exe trimmed the file as a user would, and closed"
[ "$failures" -eq 0 ]
