#!/bin/sh
# ThreadSanitizer build (build-tsan) and a run of the tests in which a second thread takes part:
# the music library and its outputs, the sync callbacks against the scheduler, the decoders they
# call. Each test runs in a process of its own, as in the other CI runs.
#   scripts/ci_tsan.sh [ctest name regex]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-tsan"
tests=${1:-'^(MusicTest|Bass|SyncRace|SdlAudio|ModuleSource|WavSource|MusicFiles)\.'}
jobs=${ORV_JOBS:-2}

cmake -S "$root" -B "$build" -DORV_SANITIZE=thread -DORV_WERROR=ON -DORV_BENCH=OFF
cmake --build "$build" -j"$jobs" --target orv_tests
# The real audio output's own tests exist when the SDL back end is built.
if cmake --build "$build" --target help | grep -q orv_sdl_audio_tests; then
    cmake --build "$build" -j"$jobs" --target orv_sdl_audio_tests
fi

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
export SDL_AUDIODRIVER=dummy
ctest --test-dir "$build" -R "$tests" -j"$jobs" --output-on-failure --no-tests=error
