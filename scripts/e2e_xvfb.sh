#!/usr/bin/env bash
# End-to-end test of the real demo under Xvfb: the window comes up full screen, what it shows
# matches the offline renderer, the keys do what they should, the end of the music ends the run,
# the failures end it with their own statuses, and a run without a display fails loudly. One line per check; non-zero exit on any failure.
#
#   scripts/e2e_xvfb.sh [BUILD_DIR]            (default: build)
#   scripts/e2e_xvfb.sh --measure [BUILD_DIR]  also measure start-up, frame intervals, CPU use
#
# Needs the targets orv, orv-render and orv-e2e-module built in BUILD_DIR (orv-present-probe
# too for --measure), and Xvfb, xdotool and ImageMagick (import, convert).
set -euo pipefail

measure=0
if [ "${1:-}" = "--measure" ]; then
    measure=1
    shift
fi
build=$(cd "${1:-build}" && pwd) || exit 2
orv="$build/orv"
render="$build/orv-render"
make_module="$build/orv-e2e-module"
probe="$build/liborv-present-probe.so"

failures=0
pass() { echo "ok   - $*"; }
fail() {
    echo "FAIL - $*"
    # What the program said explains most failures; show it with the check.
    [ -n "${run_dir:-}" ] && [ -s "$run_dir/out.log" ] && sed 's/^/       /' "$run_dir/out.log" | head -n 20 || true
    failures=$((failures + 1))
}

for tool in Xvfb xdotool import convert; do
    command -v "$tool" > /dev/null || { echo "FAIL - $tool is not installed"; exit 1; }
done
for bin in "$orv" "$render" "$make_module"; do
    [ -x "$bin" ] || { echo "FAIL - $bin is not built"; exit 1; }
done

. "$(dirname "$0")/xvfb_start.sh"
MakeScratch orv-e2e

# A free display number; a 640x480 screen makes the picture unscaled, so pixels compare exactly.
StartXvfb 90 130 640x480x24 "$work/xvfb.log"
export DISPLAY="$display"
export SDL_AUDIODRIVER=dummy

"$make_module" "$work/orv.xm" || { echo "FAIL - the test module could not be written"; exit 1; }

# The offline renderer's intro frames at ticks 0..99 (until then the logo takes no random
# numbers, so each tick's frame is the same however many frames came before) and the cleared
# frame that ends the intro, as TGA pixel data (rows bottom up, blue, green, red).
mkdir -p "$work/ref"
{
    for k in $(seq 0 99); do printf 'time %d\nframe\n' $((k * 20)); done
    printf 'time 5020\nframe\n'
} > "$work/ref.script"
"$render" --script "$work/ref.script" --dump "$work/ref" > "$work/ref.trace" ||
    { echo "FAIL - orv-render did not run"; exit 1; }
for f in "$work"/ref/frame_*.tga; do tail -c +19 "$f" | md5sum | cut -d' ' -f1; done > "$work/ref.sums"
intro_sums=$(head -n 100 "$work/ref.sums")
cleared_sum=$(tail -n 1 "$work/ref.sums")

screen_sum() {
    import -window root "$work/shot.png" 2> /dev/null &&
        convert "$work/shot.png" -flip -depth 8 bgr:- | md5sum | cut -d' ' -f1
}

# Starts orv in a fresh working directory with the arguments in $orv_args; sets orv_pid and
# run_dir.
orv_args=()
start_orv() {
    run_dir="$work/run$1"
    mkdir -p "$run_dir/snap"
    cp "$work/orv.xm" "$run_dir/"
    (cd "$run_dir" && exec env ${2:+LD_PRELOAD="$2"} ORV_PROBE_OUT="$run_dir/probe.txt" \
        "$orv" "${orv_args[@]}" > "$run_dir/out.log" 2>&1) &
    orv_pid=$!
}

# Waits up to $1 seconds for orv to end; sets status to its exit status, or "running".
wait_orv() {
    status=running
    for _ in $(seq $(($1 * 10))); do
        if ! kill -0 "$orv_pid" 2> /dev/null; then
            status=0
            wait "$orv_pid" || status=$?
            return
        fi
        sleep 0.1
    done
}

alive() { kill -0 "$orv_pid" 2> /dev/null; }

# Waits up to 10 s for orv's window to be shown; its id goes to $work/wid.
wait_window() {
    for _ in $(seq 200); do
        xdotool search --onlyvisible --name '^orv$' > "$work/wid" 2> /dev/null && return 0
        sleep 0.05
    done
    return 1
}

# Run 1: the picture, Space, Esc ignored in the intro and ending the run after it.
start_orv 1
start=$(date +%s.%N)
if wait_window; then
    pass "the window comes up"
else
    fail "the window comes up"
fi
geometry=$(xdotool getwindowgeometry "$(head -n1 "$work/wid")" 2> /dev/null | grep Geometry || true)
if [ "$geometry" = "  Geometry: 640x480" ]; then
    pass "the window covers the screen (640x480)"
else
    fail "the window covers the screen: $geometry"
fi

xdotool key space
snap="$run_dir/snap/orq_00.tga"
for _ in $(seq 30); do
    [ -f "$snap" ] && [ "$(stat -c %s "$snap")" = 921618 ] && break
    sleep 0.1
done
if [ -f "$snap" ] && [ "$(stat -c %s "$snap")" = 921618 ]; then
    snap_sum=$(tail -c +19 "$snap" | md5sum | cut -d' ' -f1)
    if grep -qx "$snap_sum" <<< "$intro_sums"; then
        pass "Space writes snap/orq_00.tga, the logo frame of tick $(($(grep -nx "$snap_sum" <<< "$intro_sums" | head -n1 | cut -d: -f1) - 1))"
    else
        fail "snap/orq_00.tga matches one of orv-render's intro frames"
    fi
else
    fail "Space writes snap/orq_00.tga"
fi

matched=
for _ in 1 2 3; do
    sum=$(screen_sum || true)
    if grep -qx "$sum" <<< "$intro_sums"; then
        matched=$(grep -nx "$sum" <<< "$intro_sums" | head -n1 | cut -d: -f1)
        break
    fi
    sleep 0.1
done
if [ -n "$matched" ]; then
    pass "an intro screenshot matches orv-render's frame at tick $((matched - 1))"
else
    fail "an intro screenshot matches one of orv-render's frames at ticks 0..99"
fi

xdotool key Escape
sleep 0.5
if alive; then pass "Esc is ignored during the intro"; else fail "Esc is ignored during the intro"; fi

# The module's first note comes 4.8 s into the music: until then the screen is black.
now=$(date +%s.%N)
sleep "$(awk -v s="$start" -v n="$now" 'BEGIN { w = s + 7.0 - n; print (w > 0 ? w : 0) }')"
sum=$(screen_sum || true)
if [ "$sum" = "$cleared_sum" ]; then
    pass "after the intro the screen matches orv-render's cleared music-phase frame"
else
    fail "after the intro the screen matches orv-render's cleared music-phase frame"
fi

xdotool key Escape
wait_orv 5
if [ "$status" = 0 ]; then pass "Esc after the intro ends the run with status 0"; else
    fail "Esc after the intro ends the run with status 0 (got $status)"
fi

# Run 2: the end of the music ends the run with status 1; the music is the file named on the
# command line, not the (here silent) ./orv.xm.
orv_args=("$work/orv.xm")
if [ "$measure" = 1 ] && [ -f "$probe" ]; then start_orv 2 "$probe"; else start_orv 2; fi
: > "$run_dir/orv.xm"
wait_orv 30
orv_args=()
if [ "$status" = 1 ]; then pass "the end of the music named on the command line ends the run with status 1"; else
    fail "the end of the music named on the command line ends the run with status 1 (got $status)"
fi
if [ "$measure" = 1 ] && [ -f "$run_dir/probe.txt" ]; then
    echo "info - start to first frame on screen: $(awk '/^first/ { printf "%.1f ms", $2 / 1000 }' "$run_dir/probe.txt")"
    sort -k2 -n "$run_dir/probe.txt" | awk '/^interval/ { v[n++] = $2 / 1000 }
        END { printf "info - %d frame intervals (ms): min %.2f  p50 %.2f  p90 %.2f  p99 %.2f  max %.2f\n",
              n, v[0], v[int(n * 0.5)], v[int(n * 0.9)], v[int(n * 0.99)], v[n - 1] }'
fi

# Run 3: a system key during the intro ends the run at once.
start_orv 3
wait_window || true
sleep 0.5
xdotool key alt
wait_orv 3
if [ "$status" = 0 ]; then pass "Alt during the intro ends the run with status 0"; else
    fail "Alt during the intro ends the run with status 0 (got $status)"
fi

# Run 4: SIGTERM from outside ends the run as a system key does.
start_orv 4
wait_window || true
sleep 0.5
kill -TERM "$orv_pid"
wait_orv 3
if [ "$status" = 0 ]; then pass "SIGTERM ends the run with status 0"; else
    fail "SIGTERM ends the run with status 0 (got $status)"
fi

# Run 6: the window destroyed by another client ends the run as closing it does, quietly.
start_orv 6
wait_window || true
sleep 5.5
xdotool windowclose "$(head -n1 "$work/wid")" 2> /dev/null || true
wait_orv 3
if [ "$status" = 0 ] && ! grep -q "X Error" "$run_dir/out.log"; then
    pass "a window destroyed from outside ends the run with status 0"
else
    fail "a window destroyed from outside ends the run with status 0 (got $status: $(head -c 300 "$run_dir/out.log"))"
fi

# Run 7: a FIFO as the music is refused at once, and the run goes on without music until Esc.
start_orv 7
rm -f "$run_dir/orv.xm"
mkfifo "$run_dir/orv.xm"
wait_window || true
sleep 6
alive && xdotool key Escape
wait_orv 3
if [ "$status" = 0 ] && grep -q "orv.xm: not a regular file" "$run_dir/out.log"; then
    pass "a FIFO as the music is refused and Esc still ends the run"
else
    fail "a FIFO as the music is refused and Esc still ends the run (got $status: $(cat "$run_dir/out.log"))"
fi

# Run 8: an audio output that cannot start ends the run with status 4 after the intro.
orv_sdl_audio=$SDL_AUDIODRIVER
export SDL_AUDIODRIVER=no-such-driver
start_orv 8
wait_orv 10
export SDL_AUDIODRIVER=$orv_sdl_audio
if [ "$status" = 4 ] && grep -q "audio output could not be started" "$run_dir/out.log"; then
    pass "an audio output that cannot start ends the run with status 4"
else
    fail "an audio output that cannot start ends the run with status 4 (got $status)"
fi

# Run 9: a window sized beyond what can be shown is kept to what can, without a crash.
orv_args=(--window)
start_orv 9
orv_args=()
wait_window || true
sleep 0.5
xdotool windowsize "$(head -n1 "$work/wid")" 65535 65535 2> /dev/null || true
sleep 1
xdotool windowsize "$(head -n1 "$work/wid")" 32767 32767 2> /dev/null || true
sleep 1
if alive; then
    kill -TERM "$orv_pid" 2> /dev/null || true
    wait_orv 3
fi
if [ "$status" = 0 ]; then pass "windows sized 65535x65535 and 32767x32767 leave orv running"; else
    fail "windows sized 65535x65535 and 32767x32767 leave orv running (got $status)"
fi

# Starts an X server of its own for the runs that kill theirs or need one each; sets display.
start_private_xvfb() {
    local xvfb_pid_main=$xvfb_pid display_main=$display
    StartXvfb 160 199 640x480x24 "$work/xvfb-$1.log"
    scratch_pids+=("$xvfb_pid")
    private_pid=$xvfb_pid
    xvfb_pid=$xvfb_pid_main
    private_display=$display
    display=$display_main
    # Its socket may be there before it answers.
    for _ in $(seq 100); do
        DISPLAY=$private_display xdotool getdisplaygeometry > /dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "FAIL - the X server on $private_display does not answer"
    exit 1
}

# Runs 10, 11: the X server killed during the intro and during the music ends the run with
# status 2 and one line of orv's own (Xlib's default handler ended it with 1, the music's end).
for phase in intro music; do
    start_private_xvfb "$phase"
    DISPLAY=$private_display start_orv "10$phase"
    DISPLAY=$private_display wait_window || true
    if [ "$phase" = intro ]; then sleep 1; else sleep 6.5; fi
    kill "$private_pid" 2> /dev/null || true
    wait_orv 10
    wait "$private_pid" 2> /dev/null || true # its display number free again
    if [ "$status" = 2 ] && [ "$(grep -cv '^ALSA' "$run_dir/out.log")" = 1 ] &&
        grep -qx "orv: the connection to the display was lost" "$run_dir/out.log"; then
        pass "the X server killed during the $phase ends the run with status 2 and one line"
    else
        fail "the X server killed during the $phase ends the run with status 2 and one line (got $status)"
    fi
done

# Runs 12, 13: under an address-space limit the start either goes on or ends with the status
# of a memory failure; never a crash in the GL driver's set-up nor Xlib's status 1.
for mb in 150 400; do
    run_dir="$work/run-ulimit$mb"
    mkdir -p "$run_dir"
    (cd "$run_dir" && ulimit -v $((mb * 1024)) && exec "$orv" > "$run_dir/out.log" 2>&1) &
    orv_pid=$!
    wait_orv 4
    if [ "$status" = running ]; then
        kill -TERM "$orv_pid" 2> /dev/null || true
        wait_orv 5
    fi
    if [ "$status" = 0 ] || [ "$status" = 3 ]; then
        pass "under ulimit -v $mb MB orv runs or ends with status 3 (got $status)"
    else
        fail "under ulimit -v $mb MB orv runs or ends with status 3 (got $status)"
    fi
done

# Run 14: keys pressed as the music ends do not become the exit status: a one-second silent
# WAV, Space and A sent around its end, 16 tries, four at a time on X servers of their own.
wav_bytes=$((44100 * 4))
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
printf "RIFF$(le32 $((wav_bytes + 36)))WAVEfmt $(le32 16)\x01\x00\x02\x00$(le32 44100)$(le32 $((44100 * 4)))\x04\x00\x10\x00data$(le32 $wav_bytes)" > "$work/short.wav"
truncate -s $((wav_bytes + 44)) "$work/short.wav"
keys_at_end() {
    export DISPLAY=$1
    local k
    for k in 1 2 3 4; do
        orv_args=("$work/short.wav")
        start_orv "keys$2-$k"
        rmdir "$run_dir/snap" # Space's snapshots are not kept
        wait_window || true
        sleep 5.5
        for _ in $(seq 200); do
            alive || break
            xdotool key space a 2> /dev/null || true
        done
        wait_orv 5
        echo "$status" >> "$work/keys.status"
    done
}
: > "$work/keys.status"
key_jobs=()
for d in 1 2 3 4; do
    start_private_xvfb "keys$d"
    keys_at_end "$private_display" "$d" > /dev/null 2>&1 &
    key_jobs+=($!)
done
wait "${key_jobs[@]}" || true
if [ "$(grep -cx 1 "$work/keys.status")" = 16 ]; then
    pass "Space and A pressed as the music ends: status 1 in 16 of 16 tries"
else
    fail "Space and A pressed as the music ends: status 1 in 16 of 16 tries (got $(sort "$work/keys.status" | uniq -c | tr -s ' \n' ' '))"
fi

# Run 5 (--measure only): CPU use over 30 s, with $ORV_MEASURE_MODULE as the music if set
# (else none: empty frames after the intro).
if [ "$measure" = 1 ]; then
    start_orv 5
    rm -f "$run_dir/orv.xm"
    [ -n "${ORV_MEASURE_MODULE:-}" ] && cp "$ORV_MEASURE_MODULE" "$run_dir/orv.xm"
    wait_window || true
    sleep 1
    ticks=$(getconf CLK_TCK)
    cpu0=$(awk '{ print $14 + $15 }' "/proc/$orv_pid/stat")
    sleep 30
    cpu1=$(awk '{ print $14 + $15 }' "/proc/$orv_pid/stat" 2> /dev/null || true)
    if [ -n "$cpu1" ]; then
        echo "info - CPU use of orv over 30 s: $(awk -v a="$cpu0" -v b="$cpu1" -v t="$ticks" 'BEGIN { printf "%.1f%%", (b - a) / t / 30 * 100 }')"
    else
        echo "info - CPU use not measured: orv ended within 30 s"
    fi
    kill -TERM "$orv_pid" 2> /dev/null || true
    wait_orv 3
fi
orv_pid=

# No display, and no driver named: the failure is printed at once with status 2 (SDL's
# off-screen driver, which shows nothing, is not taken instead).
status=0
out=$(cd "$work" && timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$orv" 2>&1) || status=$?
if [ "$status" = 2 ] && grep -q FAILED <<< "$out"; then
    pass "without a display orv prints the failure and exits with status 2"
else
    fail "without a display orv prints the failure and exits with status 2 (got $status: $out)"
fi

if [ "$failures" != 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
