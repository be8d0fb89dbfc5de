#!/bin/bash
# The window program's answers that need no window, with no display and Qt told to use X11, so
# that any attempt at a window fails loudly.
# Usage: check_command_line.sh PROGRAM VERSION
set -u
program=$1 version=$2
. "$(dirname "$0")/../checks.sh"
run() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$program" "$@"; }
# check STATUS STDOUT'S-FIRST-LINE STDERR ARGUMENT...
check() {
    local want="$1:$2:$3" got
    shift 3
    got="$(run "$@" >/dev/null 2>&1; echo $?):$(run "$@" 2>/dev/null | head -n 1):$(run "$@" 2>&1 >/dev/null)"
    [ "$got" = "$want" ] || fail "velbrisk $*: $got"
}
hint=$'\n请用“velbrisk --help”查看用法。'
check 0 '用法：velbrisk [选项] [文件]' '' --help
check 0 '用法：velbrisk [选项] [文件]' '' a.exe -h
check 0 "velbrisk $version" '' --version
check 2 '' "velbrisk：无法识别的选项“--bogus”$hint" --bogus
check 2 '' "velbrisk：无法识别的选项“-platform”$hint" -platform xcb
check 2 '' "velbrisk：只能给出一个文件$hint" a.exe b.exe
check 2 '' "velbrisk：文件名不能为空$hint" ''
check 1 '' "velbrisk：找不到图形界面（没有设置 DISPLAY 或 WAYLAND_DISPLAY），无法打开窗口。" a.exe
# Help that cannot be written, here to a full disk, is no success.
! run --help >/dev/full 2>/dev/null || fail "velbrisk --help ended well on a full disk"
[ "$failures" -eq 0 ]
