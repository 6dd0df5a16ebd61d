#!/usr/bin/env bash
# Builds orv, makes the default music (orv.xm) when it is missing, and starts the demo.
# Esc ends it after the intro; Space saves snapshots into ./snap, made here for them.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh run
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build/release -j "${ORV_JOBS:-2}" --target orv orv-tune
if [ ! -f orv.xm ]; then
  echo "making the default music: orv.xm"
  ./build/release/orv-tune orv.xm
fi
mkdir -p snap
exec ./build/release/orv
