#!/bin/bash
# Runs a scenario on a virtual screen of its own with a small window manager, so that windows
# get frames, focus and real pointer and key events; bounded in time, and Wine's server for the
# prefix is stopped before and after, so that nothing is left running.
# Usage: on-screen.sh WINE_RUN PREFIX SECONDS SCENARIO [ARGUMENT...]
set -euo pipefail
wine_run=$1 prefix=$2 seconds=$3
shift 3
for tool in xvfb-run openbox xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done

# The prefix is made (and the locale compiled) before the clock starts.
"$wine_run" "$prefix" cmd.exe /c exit 0
stop_wine() { WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; }
stop_wine
trap stop_wine EXIT

export WINE_RUN=$wine_run WINE_PREFIX=$prefix
status=0
timeout --kill-after=10 "$seconds" \
    xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96" \
    bash -c '
        openbox --sm-disable >/dev/null 2>&1 &
        # openbox is ready once it has claimed the screen.
        for _ in $(seq 50); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
            sleep 0.1
        done
        status=0
        "$@" || status=$?
        # Wine goes before the screen does, so that none of its processes loses its display.
        WINEPREFIX=$WINE_PREFIX wineserver -k 2>/dev/null
        kill %1 2>/dev/null || true
        exit $status
    ' on-screen "$@" || status=$?
[ "$status" -ne 124 ] || echo "FAIL: the scenario took longer than $seconds s"
exit "$status"
