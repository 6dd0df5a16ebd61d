#!/usr/bin/env bash
# Installs the Debian packages orv needs, when any is missing: to build and run the demo
# ("scripts/deps.sh run"), or also to run every test (the default), or to build and test the page
# ("scripts/deps.sh web"), or the sound servers that scripts/measure_sync.sh plays into
# ("scripts/deps.sh sync").
set -euo pipefail
source "$(dirname "$0")/lib.sh"
packages=(cmake g++ make pkg-config libsdl2-dev libxmp-dev libdeflate-dev libgtest-dev libbenchmark-dev)
if [ "${1:-test}" = web ]; then
  # The page: Debian's Emscripten, libxmp's source (dpkg-source), Chromium and node for its tests,
  # and a game whose music (modules by other people) the page's tests play.
  packages=(cmake make pkg-config emscripten dpkg-dev chromium imagemagick vodovod)
  command -v node > /dev/null && command -v npm > /dev/null || packages+=(nodejs npm)
elif [ "${1:-test}" = sync ]; then
  # PulseAudio and PipeWire with their tools and ALSA plug-ins, sox to read the recordings.
  packages=(pulseaudio pulseaudio-utils pipewire pipewire-bin pipewire-pulse
            wireplumber libasound2-plugins sox xvfb xauth)
elif [ "${1:-test}" != run ]; then
  packages+=(clang libclang-rt-14-dev clang-format xvfb xauth xdotool x11-apps imagemagick sox
             libavcodec-dev libavformat-dev libswresample-dev libavutil-dev zlib1g-dev
             ffmpeg python3-numpy)
fi
need_packages "${packages[@]}"
