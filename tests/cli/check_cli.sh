#!/usr/bin/env bash
# The programs' command-line conventions and their failures that must be reported, not hidden:
# --help, --version, unknown options, output that cannot be written, scripts and music that are
# not regular files, and orv without a display.
#
#   tests/cli/check_cli.sh ORV_RENDER ORV_TUNE [ORV]
set -u
render=$1
tune=$2
orv=${3:-}
work=$(mktemp -d /tmp/orv-cli.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
version=$("$render" --version | sed 's/.* //')

failures=0
fail() {
    echo "FAIL - $*"
    failures=$((failures + 1))
}

for program in "$render" "$tune" $orv; do
    name=$(basename "$program")
    "$program" --help > out 2> err
    [ $? = 0 ] && head -n1 out | grep -q "^usage: $name" && [ ! -s err ] ||
        fail "$name --help: usage on standard output, status 0"
    [ "$("$program" --version)" = "$name (orv) $version" ] || fail "$name --version"
    "$program" --no-such-option > out 2> err
    [ $? = 2 ] && [ ! -s out ] && grep -q "no-such-option" err && grep -q "^usage: $name" err ||
        fail "$name --no-such-option: usage on standard error, status 2"
    "$program" --help > /dev/full 2> err
    [ $? = 1 ] && grep -q "write error" err || fail "$name --help >/dev/full: status 1"
done
[ -e ./--help ] && fail "orv-tune --help wrote a file"

printf 'time 0\nframe\n' > script
"$render" --script - < script > /dev/full 2> err
[ $? = 1 ] && grep -q "write error" err || fail "orv-render >/dev/full: a write error, status 1"
mkdir dir
"$render" --script dir > out 2> err
[ $? = 2 ] && grep -q "dir" err || fail "orv-render --script DIRECTORY is refused"

# A FIFO without a writer: refused at once instead of waiting for one.
mkfifo fifo
timeout 20 "$render" --script fifo > out 2> err
[ $? = 2 ] && grep -q "not a regular file" err || fail "orv-render --script FIFO is refused"
timeout 20 "$render" --music fifo --syncs > out 2> err
[ $? = 1 ] && grep -q "fifo: not a regular file" err || fail "orv-render --music FIFO is refused"

# No display at all: orv does not run unseen on an off-screen driver.
if [ -n "$orv" ]; then
    timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
        XDG_RUNTIME_DIR="$work" "$orv" > out 2> err
    status=$?
    [ $status = 2 ] && grep -q "CreateWindowEx FAILED" err ||
        fail "orv without a display: status 2 and the failure (got $status: $(cat err))"
fi

[ "$failures" = 0 ] || exit 1
echo "all command-line checks passed"
