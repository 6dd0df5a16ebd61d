#!/usr/bin/env bash
# Builds the load fuzzer with clang, writes its seed corpus and runs it for a bounded time.
# usage: scripts/ci_fuzz.sh [SECONDS]   (default 60)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
seconds=${1:-60}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DORV_FUZZ=ON -DORV_SDL=OFF -DORV_BENCH=OFF \
    -DORV_WERROR=ON >/dev/null
cmake --build "$build" -j2 --target load_fuzzer orv-music-fixtures

rm -rf "$build/fuzz-fixtures" "$build/fuzz-work"
"$build/orv-music-fixtures" "$build/fuzz-fixtures"
mkdir -p "$build/fuzz-work/corpus" "$build/fuzz-work/artifacts"
cp "$build/fuzz-fixtures/seeds/"* "$build/fuzz-work/corpus/"

# New inputs go to the work corpus; crashes are written under artifacts/ and fail the script.
"$build/load_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/fuzz-work/artifacts/" "$build/fuzz-work/corpus"
