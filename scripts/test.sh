#!/usr/bin/env bash
# Builds orv and runs every test: the unit and golden tests, the same under ASan+UBSan and
# (the threaded ones) under TSan, a bounded fuzzing run, the real demo under Xvfb, the web
# page (its golden traces under node, the page itself in headless Chromium), and the Windows
# build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
./scripts/deps.sh
jobs=${ORV_JOBS:-2}

step "build and test (warnings are errors)"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_WERROR=ON > /dev/null
cmake --build build/release -j "$jobs"
ctest --test-dir build/release -j "$jobs" --output-on-failure
./scripts/ci_heart.sh

step "the Debian package installs and runs"
./scripts/ci_package.sh build/release

step "build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DORV_WERROR=ON -DORV_SDL=OFF \
      -DORV_BENCH=OFF -DORV_SANITIZE=address,undefined > /dev/null
cmake --build build/asan -j "$jobs"
ctest --test-dir build/asan -j "$jobs" --output-on-failure

step "threaded tests under ThreadSanitizer"
./scripts/ci_tsan.sh

step "fuzzing the music loader for a bounded time"
./scripts/ci_fuzz.sh "${ORV_FUZZ_SECONDS:-60}"

step "the real demo under Xvfb"
./scripts/e2e_xvfb.sh build/release
step "the web page: golden traces under node, the page in headless Chromium"; ./scripts/ci_web.sh build/release
step "the Windows build and its tests under Wine"; ./scripts/ci_windows.sh build/release
echo
echo "all tests passed"
