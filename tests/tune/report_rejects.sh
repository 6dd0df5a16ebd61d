#!/usr/bin/env bash
# The tune report's check fails a tune that misses its bounds, naming the figures, while the
# figures that tune does meet stay within theirs.
#
#   tests/tune/report_rejects.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
source=$2
work=$(mktemp -d /tmp/orv-tune-report.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/orv-tune" "$work/flat.xm" "$source/tests/tune/flat.score" || exit 1
ORV_BUILD=$build "$source/scripts/tune_report.sh" --check --sections "intro:0 drop:1 finale:2" \
    "$work/flat.xm" > "$work/out"
status=$?
cat "$work/out"
failures=0
expect() {
    grep -q "$1.*$2\$" "$work/out" || { echo "FAIL - expected '$1' to be $2"; failures=$((failures + 1)); }
}
[ $status = 1 ] || { echo "FAIL - status $status, not 1"; failures=$((failures + 1)); }
expect "length 90-180 s" "ok"
expect "clipped samples" "ok"
expect "integrated loudness" "OUT OF BOUNDS"
expect "L/R correlation" "OUT OF BOUNDS"
expect "energy above 4 kHz" "OUT OF BOUNDS"
expect "drop >= 3 LU" "OUT OF BOUNDS"
expect "all-black music frames" "OUT OF BOUNDS"
expect " 8 flower" "OUT OF BOUNDS"
expect "bell: distinct bar rhythms" "OUT OF BOUNDS"
[ "$failures" = 0 ] || exit 1
echo "the check rejects the flat tune"
