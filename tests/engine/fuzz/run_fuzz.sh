#!/bin/sh
# Runs the PE header reader's fuzz target for a bounded time, its corpus seeded by the test images.
# usage: run_fuzz.sh FUZZER SEED-WRITER DICTIONARY WORK-FOLDER SECONDS
# The corpus grows in WORK-FOLDER/corpus from run to run; a finding lands in WORK-FOLDER/findings
# and makes the run fail.
set -eu
fuzzer=$1
seeder=$2
dictionary=$3
work=$4
seconds=$5

mkdir -p "$work/seeds" "$work/corpus" "$work/findings"
"$seeder" "$work/seeds"
exec "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -dict="$dictionary" \
    -artifact_prefix="$work/findings/" "$work/corpus" "$work/seeds"
