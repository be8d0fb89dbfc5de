# Sourced by the check scripts: failures counted to the end, a skip for a missing tool, a scratch
# folder that goes with the script.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "SKIP: $*"; exit 77; }
need() { for tool; do command -v "$tool" >/dev/null || skip "no $tool (tools/setup)"; done; }
temporary_scratch() { scratch=$(mktemp -d) && trap 'rm -rf "$scratch"' EXIT; }
