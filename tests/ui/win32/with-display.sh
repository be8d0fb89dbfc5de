#!/bin/sh
# Runs a command with an X screen: the one set in DISPLAY, or a virtual one of its own.
set -eu
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
