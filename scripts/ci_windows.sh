#!/usr/bin/env bash
# The Windows build and its tests under Wine: builds everything with scripts/windows.sh, runs
# the unit and golden tests through CTest's emulator, compares a whole-song trace of
# orv-render.exe with the native one's, and runs orv.exe end to end in Xvfb with a PulseAudio
# null sink. Prints the build, Wine start-up and test times.
#
#   scripts/ci_windows.sh [NATIVE_BUILD_DIR]   (default build/release; needs orv-render,
#                                               orv-tune and orv-e2e-module built there)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
root=$PWD
native=$(cd "${1:-build/release}" && pwd)
build=$root/build/windows-build
work=$root/build/windows-test
secs() { date +%s.%N; }
took() { awk -v a="$1" -v b="$(secs)" 'BEGIN { printf "%.1f s", b - a }'; }

packages=(xvfb xauth xdotool imagemagick pulseaudio)
need_packages "${packages[@]}"

# A private Wine prefix; the desktop's .NET and HTML engines are never wanted.
export WINEPREFIX=$root/build/windows-wine WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$work"
mkdir -p "$work"

# Every Wine program of this run, the build's included, sees one X screen from the start: Wine's
# desktop process starts with the first program a server runs, and one started without a
# display leaves every later window of that server uncreatable.
. scripts/xvfb_start.sh
StartXvfb 100 139 1024x768x24 "$work/xvfb.log"
trap 'wineserver -k 2> /dev/null || true; kill "$xvfb_pid" 2> /dev/null || true' EXIT
export DISPLAY=$display

t=$(secs)
./scripts/windows.sh
build_time=$(took "$t")

step "Wine start-up"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  t=$(secs)
  wineboot -i > /dev/null 2>&1
  wineserver -w
  echo "prefix made in $(took "$t")"
fi
# Programs run in a Wine virtual desktop: an X screen without modes to switch to cannot take
# DirectDraw's 640x480, and in plain full screen Wine 8.0 crashes now and then in its own
# front-buffer copy while another thread writes to waveOut (see scripts/windows_e2e.sh).
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f > /dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f > /dev/null 2>&1
wineserver -k 2> /dev/null || true
wineserver -w
t=$(secs)
wine cmd /c exit 0
cold_start=$(took "$t")
# The server stays up for the rest of the run: each test program then starts quickly.
wineserver -w
wineserver -p
wine cmd /c exit 0
t=$(secs)
wine cmd /c exit 0
warm_start=$(took "$t")
echo "cold start $cold_start, warm start $warm_start"

step "unit and golden tests under Wine"
t=$(secs)
# The back end's own tests need a display; no sound server is offered to any of them. Each
# test program runs as one process, so a failing test fails the step the first time.
PULSE_SERVER=unix:/nonexistent ctest --test-dir "$build" -j "${ORV_JOBS:-2}" --output-on-failure
ctest_time=$(took "$t")

step "whole-song trace: Windows against native"
"$native/orv-tune" "$work/orv.xm"
"$native/orv-render" --music "$work/orv.xm" --syncs > "$work/song.syncs"
# The intro's frames every 10 ms, then the music from 5100 ms with its syncs at their samples.
awk 'BEGIN { for (t = 0; t < 5100; t += 10) printf "time %d\nframe\n", t; start = 5100; now = start }
     function upto(ms) { while (now <= ms) { printf "time %d\nframe\n", now; now += 10 } }
     { split($2, s, "="); ms = start + int(s[2] * 1000 / 44100) }
     $1 == "sync" { upto(ms - 1); split($3, i, "="); split($4, n, "="); split($5, v, "=");
                    if (i[2] < 32) printf "sync %d %d %d\n", i[2], n[2], v[2] }
     $1 == "end" { upto(ms + 100) }' "$work/song.syncs" > "$work/song.script"
"$native/orv-render" --script "$work/song.script" > "$work/song.native"
t=$(secs)
wine "$build/orv-render.exe" --script "$(winepath -w "$work/song.script")" > "$work/song.windows"
song_time=$(took "$t")
if cmp "$work/song.native" "$work/song.windows"; then
  echo "ok   - $(wc -l < "$work/song.native") frames identical ($song_time under Wine)"
else
  echo "FAIL - the whole-song traces differ"
  exit 1
fi

step "orv.exe end to end under Wine in Xvfb"
# The end-to-end run brings its own X screen and sound server: a fresh Wine server starts there.
wineserver -k 2> /dev/null || true
wineserver -w
t=$(secs)
./scripts/windows_e2e.sh "$build" "$native" "$work/e2e"
e2e_time=$(took "$t")

echo
echo "times: build $build_time, Wine cold start $cold_start, warm start $warm_start," \
     "unit and golden tests $ctest_time, whole song $song_time, end to end $e2e_time"
