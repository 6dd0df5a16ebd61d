#!/usr/bin/env bash
# Builds orv and renders the example script offline into ./out (one TGA per frame), until the
# real window and music are in place.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build/release -j "${ORV_JOBS:-2}" --target orv-render
./build/release/orv-render --script examples/intro.script --dump out
echo "frames written to ./out"
