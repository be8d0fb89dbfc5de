#!/bin/sh
# Runs a command with an X screen: the one set in DISPLAY, or a virtual one of its own.
# Wine draws a prefix's windows on the screen it met first: one screen for all the tests.
set -eu
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$@"
