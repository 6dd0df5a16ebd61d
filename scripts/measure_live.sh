#!/usr/bin/env bash
# Measures the live demo's CPU use by thread: orv with the default music (made by orv-tune) on
# an Xvfb screen, full screen and scaled by the GL driver, over SECONDS after an 8 s warm-up.
# With the present probe built, it also gives the presents per second and the share of the
# window thread's CPU time spent inside the renderer's calls into the GL driver.
#
#   scripts/measure_live.sh [BUILD_DIR] [SCREEN] [SECONDS]   (defaults: build/release 1920x1080 30)
#
# Needs orv and orv-tune built in BUILD_DIR, and Xvfb. Sound goes to SDL's dummy driver.
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd) || exit 2
screen=${2:-1920x1080}
seconds=${3:-30}
probe="$build/liborv-present-probe.so"
for bin in "$build/orv" "$build/orv-tune"; do
    [ -x "$bin" ] || { echo "FAIL - $bin is not built"; exit 1; }
done
command -v Xvfb > /dev/null || { echo "FAIL - Xvfb is not installed"; exit 1; }

. "$(dirname "$0")/xvfb_start.sh"
MakeScratch orv-measure

StartXvfb 131 170 "${screen}x24" "$work/xvfb.log"
"$build/orv-tune" "$work/orv.xm" > /dev/null

preload=
[ -f "$probe" ] && preload=$probe
(cd "$work" && exec env DISPLAY="$display" SDL_AUDIODRIVER=dummy ${preload:+LD_PRELOAD="$preload"} \
    ORV_PROBE_OUT="$work/probe.txt" "$build/orv" > "$work/out.log" 2>&1) &
orv_pid=$!

# TID name ticks, a line per thread.
thread_ticks() {
    for task in /proc/"$orv_pid"/task/*; do
        echo "${task##*/} $(tr -d ' ' < "$task/comm") $(sed 's/.*) //' "$task/stat" | awk '{ print $12 + $13 }')"
    done 2> /dev/null | sort
}
sleep 8
thread_ticks > "$work/cpu0"
sleep "$seconds"
thread_ticks > "$work/cpu1"
kill -0 "$orv_pid" 2> /dev/null || { echo "FAIL - orv ended early: $(head -c 300 "$work/out.log")"; exit 1; }
echo "CPU use over $seconds s, ${screen}, percent of one core:"
join "$work/cpu0" "$work/cpu1" | awk -v t="$(getconf CLK_TCK)" -v s="$seconds" -v main="$orv_pid" '
    { p = ($5 - $3) / t / s * 100; total += p
      if ($2 !~ /^llvmpipe/) own += p
      printf "  %-24s %5.1f%%\n", $2 ($1 == main ? " (window)" : ""), p }
    END { printf "  %-24s %5.1f%%\n  %-24s %5.1f%%\n", "all", total, "all but llvmpipe", own }'

kill -TERM "$orv_pid"
for _ in $(seq 50); do kill -0 "$orv_pid" 2> /dev/null || break; sleep 0.1; done
orv_pid=
if [ -f "$work/probe.txt" ]; then
    awk '/^driver_cpu/ { d = $2 } /^thread_cpu/ { w = $2 } /^interval/ { n++; sum += $2 }
         END { if (n > 0) printf "presents per second: %.1f\n", n / (sum / 1e6)
               if (w > 0) printf "window thread in the renderer'"'"'s calls (upload, clear, copy, present): %.0f%% of its CPU time\n", 100 * d / w }' "$work/probe.txt"
fi
