#!/bin/bash
# Runs the window program with the options that must answer without opening a window, with no
# display and Qt told to use X11, so that any attempt at a window fails loudly.
# Usage: check_command_line.sh PROGRAM
set -uo pipefail
program=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# check NAME STATUS STREAM PATTERN ARGUMENT...: the exit status, and a line of the named stream
# (out or err) that matches the pattern; the other stream must stay empty.
check() {
    local name=$1 want=$2 stream=$3 pattern=$4
    shift 4
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$program" "$@" \
        >"$scratch/out" 2>"$scratch/err"
    local status=$?
    [ "$status" -eq "$want" ] || fail "$name: status $status, expected $want; stderr: $(cat "$scratch/err")"
    grep -q -- "$pattern" "$scratch/$stream" || fail "$name: no line matching '$pattern' in std$stream"
    local other=out
    [ "$stream" = out ] && other=err
    [ ! -s "$scratch/$other" ] || fail "$name: std$other is not empty: $(cat "$scratch/$other")"
}

check help 0 out '^用法：velbrisk \[选项\] \[文件\]$' --help
check help_short 0 out '^用法：velbrisk' -h
check version 0 out '^velbrisk [0-9]' --version
check unknown_option 2 err '^velbrisk：无法识别的选项“--bogus”$' --bogus
check two_files 2 err '^velbrisk：只能给出一个文件$' a.exe b.exe
check usage_hint 2 err 'velbrisk --help' --bogus

[ "$failures" -eq 0 ] || exit 1
echo "velbrisk answers --help, --version and wrong options without a display"
