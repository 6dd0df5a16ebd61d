#!/usr/bin/env bash
# Prints the tune's figures (sound and picture) and, with --check, fails when one is out of its
# bounds. Without MODULE it measures the tune orv-tune makes now.
#
#   scripts/tune_report.sh [--check] [--png FILE] [--sections SPEC] [MODULE]
#
# Needs orv-tune, orv-tune-wav and orv-render built in ORV_BUILD (default build/release), ffmpeg
# and numpy (scripts/deps.sh installs them).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${ORV_BUILD:-$here/../build/release}
python=python3
# Debian's numpy belongs to the system's python.
[ -x /usr/bin/python3 ] && /usr/bin/python3 -c "import numpy" 2> /dev/null && python=/usr/bin/python3
exec "$python" "$here/tune_report.py" --build "$build" "$@"
