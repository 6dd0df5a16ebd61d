#!/usr/bin/env bash
# ThreadSanitizer build (build-tsan) and a run of the tests in which a second thread takes part:
# the music library and its outputs, the sync callbacks against the scheduler, the decoders they
# call, and the real audio output's own tests where the SDL back end is built.
#   scripts/ci_tsan.sh [GTEST FILTER]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-tsan"
tests=${1:-'MusicTest.*:Bass.*:SyncRace.*:ModuleSource.*:WavSource.*:MusicFiles.*'}
jobs=${ORV_JOBS:-2}

cmake -S "$root" -B "$build" -DORV_SANITIZE=thread -DORV_WERROR=ON -DORV_BENCH=OFF > /dev/null
cmake --build "$build" -j"$jobs" --target orv_tests
# The real audio output's own tests exist when the SDL back end is built.
sdl_tests=0
if cmake --build "$build" --target help | grep -q orv_sdl_audio_tests; then
    cmake --build "$build" -j"$jobs" --target orv_sdl_audio_tests
    sdl_tests=1
fi

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
"$build/orv_tests" --gtest_filter="$tests"
if [ "$sdl_tests" = 1 ]; then SDL_AUDIODRIVER=dummy "$build/orv_sdl_audio_tests"; fi
