#!/bin/bash
# velbrisk-trim as a process: a stop by signal in the middle of a batch, and a file-size limit,
# which must give an error and not a death.
# Usage: check_program.sh PROGRAM
set -u
program=$(readlink -f "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Thousands of small files, so that the signal surely comes while the batch runs: each ends it
# with its own status and message, every copy made is whole, and nothing hidden or partial is left.
perl -e 'print "x" x 3000, "\0" x 3000 for 1 .. 3000' >files
head -c 3011 files >kept
for stop in INT:130 TERM:143 HUP:129 QUIT:131; do
    rm -rf in && mkdir in && split -b 6000 -d -a 4 --additional-suffix=.exe files in/
    "$program" in/*.exe >out 2>err &
    pid=$!
    for _ in $(seq 2000); do [ -e in/0000.trimmed.exe ] && break; sleep 0.01; done
    kill -s "${stop%:*}" "$pid"
    wait "$pid"
    status=$?
    [ "$status" = "${stop#*:}" ] || fail "SIG${stop%:*}: status $status"
    [ "$(tail -n 1 err)" = "velbrisk-trim：已取消。" ] || fail "SIG${stop%:*}: $(cat err)"
    made=(in/*.trimmed.exe)
    [ "${#made[@]}" -lt 3000 ] || fail "SIG${stop%:*}: the batch ended before the signal came"
    for copy in "${made[@]}"; do cmp -s kept "$copy" || fail "$copy is not whole"; done
    [ -z "$(ls -A in | grep '^\.')" ] || fail "left behind: $(ls -A in | grep '^\.')"
done

# The limit stops the copy of the large file in place: the source stays as it was, the system's
# reason is given, and the batch goes on to the small one.
head -c 6000 files >small.exe
{ head -c 100000 files; head -c 100000 /dev/zero; } >big.exe
cp big.exe big.before
(ulimit -f 50 && exec "$program" -i big.exe small.exe) >out 2>err
status=$?
[ "$status" = 1 ] || fail "under a file-size limit: status $status"
grep -q '^velbrisk-trim：无法写入压缩文件！' err || fail "under a file-size limit: $(cat err)"
grep -q '^small.exe：' out || fail "the batch did not go on: $(cat out)"
cmp -s big.exe big.before || fail "the source changed under a file-size limit"

# A report that cannot be written, to a full disk or a closed output, fails with a word on stderr.
for out in /dev/full closed; do
    if [ "$out" = closed ]; then "$program" -n small.exe 2>err >&-; else "$program" -n small.exe 2>err >"$out"; fi
    status=$?
    [ "$status" = 1 ] && grep -q '^velbrisk-trim：无法写出结果' err || fail "report to $out: status $status, $(cat err)"
done

[ "$failures" -eq 0 ] || exit 1
echo "velbrisk-trim stops cleanly on a signal and reports a file-size limit"
