#!/bin/sh
# Compares `orv-render --music FILE --syncs` with the expected listings, and checks that a file
# that does not load fails with a message naming it.
# usage: check_syncs.sh FIXTURE-WRITER ORV-RENDER GOLDEN-DIR WORK-DIR
# ORV_EMULATOR, when set, runs both programs (e.g. wine for a Windows build).
set -eu
fixtures=$1 render=$2 golden=$3 work=$4
run() { ${ORV_EMULATOR:+"$ORV_EMULATOR"} "$@"; }
mkdir -p "$work"
run "$fixtures" "$work"
status=0
for file in melody.xm stream.wav; do
    name=${file%.*}
    run "$render" --music "$work/$file" --syncs >"$work/$name.syncs"
    if ! diff -u "$golden/$name.syncs" "$work/$name.syncs"; then
        echo "check_syncs: $file: listing differs" >&2
        status=1
    fi
done
for file in missing.xm seeds; do
    if run "$render" --music "$work/$file" --syncs >"$work/fail.out" 2>"$work/fail.err"; then
        echo "check_syncs: $file: expected a failure" >&2
        status=1
    elif [ -s "$work/fail.out" ] || ! grep -q "$work/$file" "$work/fail.err"; then
        echo "check_syncs: $file: expected only a message naming the file" >&2
        status=1
    fi
done
exit $status
