#!/bin/sh
# Runs the PE header reader's fuzz target for a bounded time, its corpus seeded by the test images.
# usage: run_fuzz.sh FUZZER SEED-WRITER DICTIONARY WORK-FOLDER SECONDS
# The corpus grows in WORK-FOLDER/corpus from run to run; a finding lands in WORK-FOLDER/findings
# and makes the run fail.
set -eu
mkdir -p "$4/seeds" "$4/corpus" "$4/findings"
"$2" "$4/seeds"
exec "$1" -max_total_time="$5" -print_final_stats=1 -dict="$3" -artifact_prefix="$4/findings/" \
    "$4/corpus" "$4/seeds"
