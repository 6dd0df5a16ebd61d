#!/usr/bin/env bash
# The tune tools refuse what they cannot read in bounded time and memory, and orv-tune-wav
# streams: a score or module that is a directory, a FIFO or a device is refused at once with one
# line, an oversized score too; '-' is standard output with the same bytes as a file, and a long
# module is written without holding it in memory.
#
#   tests/tune/check_tools.sh ORV_TUNE ORV_TUNE_WAV
set -u
tune=$(realpath "$1")
wav=$(realpath "$2")
work=$(mktemp -d /tmp/orv-tune-tools.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

failures=0
fail() {
    echo "FAIL - $*"
    failures=$((failures + 1))
}
# One line on standard error naming the file, status 1, and no output file.
refused() {
    local what=$1 status=$2
    [ "$status" = 1 ] && [ "$(wc -l < err)" = 1 ] && grep -q "$what" err && [ ! -e out.xm ] &&
        [ ! -e out.wav ] || fail "$3 (status $status: $(head -c 200 err))"
    rm -f out.xm out.wav
}

mkdir dir
mkfifo fifo
for bad in dir fifo /dev/zero; do
    timeout 20 "$tune" out.xm "$bad" 2> err
    refused "$bad: .*not a regular file" $? "orv-tune refuses the score $bad"
    timeout 20 "$wav" "$bad" out.wav 2> err
    refused "$bad: .*not a regular file" $? "orv-tune-wav refuses the module $bad"
done
head -c 1048577 /dev/zero | tr '\0' ' ' > big.score
"$tune" out.xm big.score 2> err
refused "big.score: .*too large" $? "orv-tune refuses a score over 1 MiB"

# '-' is standard output, as a pipe and as a file, with the bytes the file gets.
"$tune" tune.xm || fail "orv-tune could not write the default tune"
"$wav" tune.xm tune.wav || fail "orv-tune-wav could not write a file"
"$wav" tune.xm - | cat > piped.wav || fail "orv-tune-wav - into a pipe"
"$wav" tune.xm - > redirected.wav || fail "orv-tune-wav - into a file"
[ -e ./- ] && fail "orv-tune-wav wrote a file named -"
cmp -s tune.wav piped.wav && cmp -s tune.wav redirected.wav ||
    fail "standard output did not get the file's bytes"
# The header's data size is the sound that follows it.
size=$(stat -c %s tune.wav)
data=$(od -An -tu4 -j40 -N4 tune.wav | tr -d ' ')
[ "$size" -gt 1000000 ] && [ "$data" = $((size - 44)) ] || fail "data size $data in a $size-byte file"

# A module of about 21 minutes (about 220 MB of sound) takes no more memory than the tune of
# two minutes, give or take 20 MB (measured against it, so that a sanitizer's own memory counts
# on both sides).
cat > long.score <<'SCORE'
instrument 1 bass
channels a
speed 31
bpm 32
riff n bass : A2/64
pattern p
a n
SCORE
printf 'order' >> long.score
for _ in $(seq 8); do printf ' p'; done >> long.score
echo >> long.score
"$tune" long.xm long.score || fail "orv-tune could not write the long module"
if command -v /usr/bin/time > /dev/null; then
    /usr/bin/time -f %M -o short "$wav" tune.xm - > /dev/null
    /usr/bin/time -f %M -o long "$wav" long.xm - | wc -c > bytes
    short=$(tail -n1 short)
    long=$(tail -n1 long)
    [ "$(cat bytes)" -gt 200000000 ] && [ "$long" -lt $((short + 20000)) ] ||
        fail "long module: $(cat bytes) bytes in $long kB, the tune in $short kB"
fi

[ "$failures" = 0 ] || exit 1
echo "all tune tool checks passed"
