#!/bin/bash
# The end-to-end harness on a window of its own: the probe must read the controls' classes, ids,
# places and texts and a message box, and the pointer and keys must reach the window.
# Usage (through on-screen.sh): harness-scenario.sh PROBE FIXTURE SCRATCH
set -uo pipefail
export PROBE=$1
fixture=$2 scratch=$3
source "$(dirname "$0")/screen-lib.sh"

rm -rf "$scratch" && mkdir -p "$scratch"
typed_file=$scratch/typed.txt
wine_run "$fixture" "$(windows_path "$typed_file")" &

find_window VelbriskProbeFixture "Velbrisk v1.0" || { echo "FAIL: the window did not open"; exit 1; }
[ "$(cut -d, -f3,4 <<<"$window_client")" = 406,183 ] ||
    fail "client area is $window_client, not 406 x 183"

# Each row: class, id, place in the client area, flags, text; as the fixture makes them.
expected=$(printf '%s\n' \
    $'Static\t10\t352,40,48,12\tve\t开始压缩' \
    $'Edit\t11\t8,24,337,18\tve\t' \
    $'ListBox\t12\t8,60,120,60\tve\tc: [系统] | z:')
actual=$(probe controls "$window" | cut -f1-3,5,6)
[ "$actual" = "$expected" ] || fail "controls differ:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"

typed='Z:\tmp\velbrisk probe.exe'
type_into "$(control Edit '')" "$typed"
[ -n "$(control Edit "$typed")" ] || fail "the text box does not read back what was typed"

click "$(control Static 开始压缩)"
if find_window '#32770' Velbrisk 10000; then
    box=$window
    [ -n "$(control Static 压缩完毕！)" ] || fail "the message box does not say 压缩完毕！"
    ok=$(control Button 确定)
    [ -n "$ok" ] || fail "the message box has no 确定 button (is Wine's locale Chinese?)"
    [ -n "$ok" ] && click "$ok"
    probe gone "$box" 5000 || fail "the message box stayed open after its button was clicked"
else
    fail "no message box after a click on the label"
fi

for _ in $(seq 50); do [ -s "$typed_file" ] && break; sleep 0.1; done
[ "$(cat "$typed_file" 2>/dev/null)" = "$typed" ] ||
    fail "the window wrote '$(cat "$typed_file" 2>/dev/null)', not what was typed"

[ "$failures" -eq 0 ] && echo "the probe reads the window, its message box, and the pointer and keys reach it"
[ "$failures" -eq 0 ]
