#!/bin/sh
# Runs a check of the Windows program, or skips it (77) in a build that has no program yet.
# Usage: run-if-built.sh PROGRAM COMMAND [ARGUMENT...]
program=$1
shift
if [ ! -f "$program" ]; then
    echo "SKIP: no Windows program in this build ($program)"
    exit 77
fi
exec "$@"
