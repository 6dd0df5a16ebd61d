#!/usr/bin/env bash
# Builds orv, makes the default music (orv.xm) when it is missing or was made by an older
# generator, and starts the demo.
# Esc ends it after the intro; Space saves snapshots into ./snap, made here for them.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh run
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build/release -j "${ORV_JOBS:-2}" --target orv orv-tune
# The default music is kept in step with the generator: an orv.xm that an older orv-tune wrote
# (its header names orv-tune as the tracker) is replaced, and kept as orv.xm.old. Any other
# orv.xm is the user's own and is played as it is.
made_by_orv_tune() {
  [ -f "$1" ] && [ ! -L "$1" ] && [ "$(head -c 17 "$1")" = "Extended Module: " ] &&
    [ "$(head -c 58 "$1" | tail -c 20 | tr -d '\0')" = orv-tune ]
}
if [ ! -e orv.xm ] && [ ! -L orv.xm ]; then
  echo "making the default music: orv.xm"
  ./build/release/orv-tune orv.xm
elif made_by_orv_tune orv.xm && [ ! orv.xm -nt build/release/orv-tune ]; then
  ./build/release/orv-tune orv.xm.new
  if cmp -s orv.xm orv.xm.new; then
    rm orv.xm.new
    touch orv.xm
  else
    echo "orv.xm came from an older orv-tune: making the current default music (the old one is kept as orv.xm.old)"
    mv -f orv.xm orv.xm.old
    mv orv.xm.new orv.xm
  fi
fi
mkdir -p snap
exec ./build/release/orv
