#!/usr/bin/env bash
# The programs' command-line conventions and their failures that must be reported, not hidden:
# --help, --version, unknown options, output that cannot be written, scripts and music that are
# not regular files, and orv without a display.
#
#   tests/cli/check_cli.sh ORV_RENDER ORV_TUNE [ORV]
set -euo pipefail
render=$1
tune=$2
orv=${3:-}
work=$(mktemp -d /tmp/orv-cli.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
version=$("$render" --version | sed 's/.* //')

failures=0
fail() {
    echo "FAIL - $*"
    failures=$((failures + 1))
}
# Runs a command that may fail; its exit status goes to status.
run() {
    status=0
    "$@" || status=$?
}

for program in "$render" "$tune" $orv; do
    name=$(basename "$program")
    run "$program" --help > out 2> err
    [ $status = 0 ] && head -n1 out | grep -q "^usage: $name" && [ ! -s err ] ||
        fail "$name --help: usage on standard output, status 0"
    [ "$("$program" --version)" = "$name (orv) $version" ] || fail "$name --version"
    run "$program" --no-such-option > out 2> err
    [ $status = 2 ] && [ ! -s out ] && grep -q "no-such-option" err && grep -q "^usage: $name" err ||
        fail "$name --no-such-option: usage on standard error, status 2"
    run "$program" --help > /dev/full 2> err
    [ $status = 1 ] && grep -q "write error" err || fail "$name --help >/dev/full: status 1"
done
[ ! -e ./--help ] || fail "orv-tune --help wrote a file"

printf 'time 0\nframe\n' > script
run "$render" --script - < script > /dev/full 2> err
[ $status = 1 ] && grep -q "write error" err || fail "orv-render >/dev/full: a write error, status 1"
mkdir dir
run "$render" --script dir > out 2> err
[ $status = 2 ] && grep -q "dir" err || fail "orv-render --script DIRECTORY is refused"

# A FIFO without a writer: refused at once instead of waiting for one.
mkfifo fifo
run timeout 20 "$render" --script fifo > out 2> err
[ $status = 2 ] && grep -q "not a regular file" err || fail "orv-render --script FIFO is refused"
run timeout 20 "$render" --music fifo --syncs > out 2> err
[ $status = 1 ] && grep -q "fifo: not a regular file" err || fail "orv-render --music FIFO is refused"

# Messages: the pitch's real fault is named; a bad script line is shown cut and escaped (a NUL
# in it does not end the echo early, a terminal's escape is not sent); --music with --script is
# named as the other command it belongs to.
run "$render" --script script --pitch 2561 > out 2> err
[ $status = 2 ] && grep -q "2561 is not a multiple of 4" err || fail "--pitch 2561: not a multiple of 4"
run "$render" --script script --pitch 2000 > out 2> err
[ $status = 2 ] && grep -q "2000 is too small" err || fail "--pitch 2000: too small"
{
    printf 'time 0\nfra\000me \033[2J'
    head -c 100000 /dev/zero | tr '\0' x
    printf '\n'
} > bad
run "$render" --script bad > out 2> err
line=$(grep "bad script line 2" err || true)
[ $status = 2 ] && [ "$(wc -l < err)" = 1 ] && [ ${#line} -lt 200 ] &&
    grep -qF 'fra\x00me \x1B[2Jxxx' <<< "$line" && grep -qF '(100011 bytes)' <<< "$line" ||
    fail "a bad script line is shown cut to 80 bytes, escaped (got: $(head -c 300 err | cat -v))"
run "$render" --script script --music x.xm > out 2> err
[ $status = 2 ] && grep -q "belongs to .orv-render --music FILE --syncs" err && ! grep -q "unknown option" err ||
    fail "--music after --script is named as the --syncs command"
# A snapshot that cannot be saved (no snap folder) is reported under orv-render's own name.
printf 'time 0\nkey space\nframe\n' > snapshot.script
run "$render" --script snapshot.script > out 2> err
[ $status = 0 ] && grep -q "^orv-render: snapshot snap/orq_00.tga not saved" err ||
    fail "orv-render's snapshot messages start with orv-render: (got: $(cat err))"

# A stream of more than ten minutes shows its measuring's progress on a terminal, and only there.
# (A sparse file: 11 minutes of silence, 16-bit stereo at 44100 Hz.)
bytes=$((44100 * 4 * 660))
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
printf "RIFF$(le32 $((bytes + 36)))WAVEfmt $(le32 16)\x01\x00\x02\x00$(le32 44100)$(le32 $((44100 * 4)))\x04\x00\x10\x00data$(le32 $bytes)" > long.wav
truncate -s $((bytes + 44)) long.wav
run "$render" --music long.wav --syncs > out 2> err
[ $status = 0 ] && [ ! -s err ] && grep -qx "end sample=$((44100 * 660))" out ||
    fail "orv-render --syncs of a long stream into a file: no progress shown (got $status: $(head -c 200 err))"
if command -v script > /dev/null; then
    run script -qec "'$render' --music long.wav --syncs > out" /dev/null > tty
    [ $status = 0 ] && grep -q "measuring long.wav: 50%" tty && grep -q "measuring long.wav: 100%" tty ||
        fail "orv-render --syncs of a long stream on a terminal shows its progress (got $status: $(head -c 300 tty | cat -v))"
fi

# No display at all: orv does not run unseen on an off-screen driver.
if [ -n "$orv" ]; then
    run timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
        XDG_RUNTIME_DIR="$work" "$orv" > out 2> err
    [ $status = 2 ] && grep -q "CreateWindowEx FAILED" err ||
        fail "orv without a display: status 2 and the failure (got $status: $(cat err))"
fi

[ "$failures" = 0 ] || exit 1
echo "all command-line checks passed"
