#!/usr/bin/env bash
# Renders tests/golden/NAME.script with orv-render and compares the trace with NAME.trace.
# usage: check.sh [RUNNER...] ORV-RENDER SCRIPT (a runner such as node for a WebAssembly build)
# Extra orv-render options for a script may be given in NAME.args (one line).
set -euo pipefail
render=("${@:1:$#-1}")
script=${!#}
base=${script%.script}
args=()
if [[ -f $base.args ]]; then read -r -a args < "$base.args"; fi
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
"${render[@]}" --script "$script" "${args[@]}" > "$actual"
if ! diff -u "$base.trace" "$actual" | head -40; then :; fi
cmp -s "$base.trace" "$actual"
