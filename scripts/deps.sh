#!/usr/bin/env bash
# Installs the Debian packages orv needs to build, test and run, when any is missing.
set -euo pipefail
packages=(cmake g++ make pkg-config clang libclang-rt-14-dev clang-format
          libsdl2-dev libxmp-dev libgtest-dev libbenchmark-dev
          xvfb xauth xdotool x11-apps imagemagick sox)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
