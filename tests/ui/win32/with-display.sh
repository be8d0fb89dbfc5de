#!/bin/sh
# Runs a command with an X screen: the one set in DISPLAY, or a virtual one of its own.
# Wine draws all windows of a prefix through the screen of the first program that drew one, so
# a run of every test in one prefix wants one screen for all of them (make test-windows).
set -eu
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$@"
