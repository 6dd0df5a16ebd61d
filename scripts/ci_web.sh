#!/usr/bin/env bash
# CI for the web page: builds it (scripts/web.sh), runs the golden traces under node, then the
# browser tests in headless Chromium, and prints the page's measurements: its size, and the
# frame cost of the WebAssembly build against the native one on the same frames.
# usage: scripts/ci_web.sh [NATIVE_BUILD_DIR]   (default build/release, which must hold orv-render)
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build/release}
jobs=${ORV_JOBS:-2}
[ -x "$native/orv-render" ] || cmake --build "$native" -j "$jobs" --target orv-render
# The captures' lossy formats play in the browser too (when orv-capture is built there).
if [ -f "$native/CMakeCache.txt" ] && grep -q '^FFMPEG_FOUND:INTERNAL=1' "$native/CMakeCache.txt"; then
  cmake --build "$native" -j "$jobs" --target orv-capture orv-e2e-module
fi

./scripts/web.sh --no-serve

echo "golden traces under node"
NODE_PATH=/usr/share/nodejs NODE_OPTIONS=--no-experimental-fetch \
  ctest --test-dir build/web -j "$jobs" --output-on-failure

echo "browser tests (puppeteer-core from the lockfile, the system's Chromium)"
mkdir -p build/web-test
cp tests/web/package.json tests/web/package-lock.json build/web-test/
(cd build/web-test && npm ci --no-audit --no-fund --loglevel=error)
node --test tests/web/serve_test.js
NODE_PATH=$PWD/build/web-test/node_modules node tests/web/page_test.js \
  build/web "$native/orv-render"
if [ -x "$native/orv-capture" ]; then
  NODE_PATH=$PWD/build/web-test/node_modules node tests/web/video_test.js \
    "$native/orv-capture" "$native/orv-e2e-module"
fi

echo "measurements"
# What a visitor downloads, as it is and gzipped.
for f in orv.wasm orv.js orv.xm index.html orv-page.js orv-audio.js orv-snapshot.js; do
  printf '%s: %d bytes, %d gzipped\n' "$f" "$(stat -c %s "build/web/$f")" "$(gzip -9c "build/web/$f" | wc -c)"
done
# The same frames, natively and in WebAssembly under node: every effect triggered over and
# over through a minute of music, after the intro.
script=build/web-test/frame_cost.script
awk 'BEGIN {
  for (f = 0; f <= 260; f++) { print "time " f * 20; print "frame" }
  split("1 2 3 5 6 7 8 9 10 12 13", fx, " ")
  for (f = 0; f < 3000; f++) {
    if (f % 25 == 0) for (i = 1; i <= 11; i++) print "sync " fx[i] " " (36 + (f + i) % 48) " 64"
    print "time " (5220 + f * 20); print "frame"
  } }' > "$script"
# User CPU seconds (a loaded machine changes them far less than the clock's): cpu OUT CMD...
cpu() {
  local out=$1 TIMEFORMAT=%U
  shift
  { time "$@" > "$out"; } 2>&1
}
t_native=$(cpu "$script.native" "$native/orv-render" --script "$script")
t_wasm=$(NODE_OPTIONS=--no-experimental-fetch cpu "$script.wasm" node build/web/orv-render.js --script "$script")
cmp "$script.native" "$script.wasm" # the same frames, whatever runs them
awk -v n="$t_native" -v w="$t_wasm" 'BEGIN {
  printf "3261 frames (with their trace CRCs): native %s s, WebAssembly under node %s s of CPU (%.2fx)\n",
         n, w, w / n }'
