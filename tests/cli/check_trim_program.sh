#!/bin/bash
# velbrisk-trim as a process: a stop by signal in the middle of a batch, a file-size limit, which
# must give an error and not a death, and a report or help that cannot be written.
# Usage: check_trim_program.sh PROGRAM
set -u
program=$(readlink -f "$1")
. "$(dirname "$0")/../checks.sh"
temporary_scratch && cd "$scratch" || exit 1

# Thousands of small files, so that the signal surely comes while the batch runs: each ends it
# with its own status and message, every copy made is whole, and nothing hidden or partial is left.
perl -e 'print "x" x 3000, "\0" x 3000 for 1 .. 3000' >files
head -c 3011 files >kept
for stop in INT:130 TERM:143 HUP:129 QUIT:131; do
    signal=${stop%:*}
    rm -rf in && mkdir in && split -b 6000 -d -a 4 --additional-suffix=.exe files in/
    "$program" in/*.exe >out 2>err &
    for _ in $(seq 2000); do [ -e in/0000.trimmed.exe ] && break; sleep 0.01; done
    kill -s "$signal" $! && wait $!
    status=$?
    [ "$status" = "${stop#*:}" ] || fail "SIG$signal: status $status"
    [ "$(tail -n 1 err)" = "velbrisk-trim：已取消。" ] || fail "SIG$signal: $(cat err)"
    made=(in/*.trimmed.exe)
    [ "${#made[@]}" -lt 3000 ] || fail "SIG$signal: the batch ended before the signal came"
    for copy in "${made[@]}"; do cmp -s kept "$copy" || fail "$copy is not whole"; done
    [ -z "$(ls -A in | grep '^\.')" ] || fail "left behind: $(ls -A in | grep '^\.')"
done

# The limit stops the large file's copy in place: the source stays, and the batch goes on.
head -c 6000 files >small.exe
{ head -c 100000 files; head -c 100000 /dev/zero; } >big.exe
cp big.exe big.before
(ulimit -f 50 && exec "$program" -i big.exe small.exe) >out 2>err
[ $? = 1 ] && grep -q '^velbrisk-trim：无法写入压缩文件！' err || fail "under a file-size limit: $(cat err)"
grep -q '^small.exe：' out || fail "the batch did not go on: $(cat out)"
cmp -s big.exe big.before || fail "the source changed under a file-size limit"

"$program" -n small.exe 2>err >/dev/full
[ $? = 1 ] && grep -q '^velbrisk-trim：无法写出结果' err || fail "report to a full disk: $(cat err)"
! "$program" --help 2>/dev/null >&- || fail "help to a closed output ended well"
[ "$failures" -eq 0 ]
