#!/usr/bin/env bash
# Measures how far the live demo's picture is from its sound: orv plays a module of 32 isolated
# lightning notes (orv-e2e-module --sync) on an Xvfb screen into a null sink of PulseAudio, and
# of PipeWire where it runs; the sink's monitor is recorded and dated (orv-sync-measure record),
# the notes' onsets are found in the recording, and the presents that first show each bolt are
# found in the present times orv writes under $ORV_SYNC_LOG. For each SDL driver it can run it
# prints picture minus sound (positive: the picture is late), mean and standard deviation over
# the notes, and how far the heard times orv reckoned were from the onsets.
#
#   scripts/measure_sync.sh [BUILD_DIR] [RUNS] [-- ORV_ARGS...]   (defaults: build/release 3)
#
# Needs orv, orv-e2e-module and orv-sync-measure built in BUILD_DIR; installs the sound servers
# (scripts/deps.sh sync) when they are missing. The servers run with a runtime folder of their
# own, so nothing else on the machine hears them or is heard.
set -uo pipefail
build=$(cd "${1:-build/release}" && pwd) || exit 2
runs=${2:-3}
shift $(( $# > 2 ? 2 : $# ))
[ "${1:-}" = -- ] && shift
orv_args=("$@")
for bin in orv orv-e2e-module orv-sync-measure; do
    [ -x "$build/$bin" ] || { echo "FAIL - $build/$bin is not built"; exit 1; }
done
"$(dirname "$0")/deps.sh" sync || exit 1

. "$(dirname "$0")/xvfb_start.sh"
MakeScratch orv-sync
server_pids=()
StopServers() {
    local p
    for p in "${server_pids[@]}"; do kill "$p" 2> /dev/null; done
    for p in "${server_pids[@]}"; do
        for _ in $(seq 30); do kill -0 "$p" 2> /dev/null || break; sleep 0.1; done
    done
    server_pids=()
}
# ORV_SYNC_KEEP=DIR keeps the recordings and logs there.
KeepAndClean() {
    StopServers
    [ -n "${ORV_SYNC_KEEP:-}" ] && rm -rf "$ORV_SYNC_KEEP" && cp -r "$work" "$ORV_SYNC_KEEP"
    CleanScratch
}
trap KeepAndClean EXIT

StartXvfb 171 210 640x480x24 "$work/xvfb.log"
"$build/orv-e2e-module" --sync "$work/sync.xm" || { echo "FAIL - no test module"; exit 1; }
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset PULSE_SERVER PIPEWIRE_REMOTE

WaitForPulse() {
    for _ in $(seq 100); do
        pactl info > /dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

StartPulseAudio() {
    cat > "$work/pulse.pa" <<'PA'
load-module module-native-protocol-unix
load-module module-null-sink sink_name=orv_null rate=44100 channels=2
set-default-sink orv_null
PA
    pulseaudio -n -F "$work/pulse.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        --system=no --disallow-exit > "$work/pulse.log" 2>&1 &
    server_pids+=($!)
    WaitForPulse
}

StartPipeWire() {
    # PipeWire's session manager wants a session bus: one of its own.
    dbus-daemon --session --fork --print-pid=1 --address="unix:path=$XDG_RUNTIME_DIR/bus" \
        > "$work/dbus.pid" || return 1
    server_pids+=("$(cat "$work/dbus.pid")")
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
    pipewire > "$work/pipewire.log" 2>&1 &
    server_pids+=($!)
    sleep 0.5
    wireplumber > "$work/wireplumber.log" 2>&1 &
    server_pids+=($!)
    pipewire-pulse > "$work/pipewire-pulse.log" 2>&1 &
    server_pids+=($!)
    WaitForPulse || return 1
    sleep 1 # the session manager sets the graph up
    pactl load-module module-null-sink sink_name=orv_null rate=44100 channels=2 \
        > /dev/null || return 1
    for _ in $(seq 50); do
        pactl set-default-sink orv_null 2> /dev/null && return 0
        sleep 0.1
    done
    return 1
}

# Measure LABEL DRIVER: one run of orv with SDL_AUDIODRIVER=DRIVER (empty: SDL's own choice).
Measure() {
    local label=$1 driver=$2 run="$work/run$((++run_count))"
    mkdir -p "$run"
    parec -d orv_null.monitor --raw --format=s16le --rate=44100 --channels=2 \
        --latency-msec=2 2> "$run/parec.log" |
        "$build/orv-sync-measure" record "$run/rec.raw" > "$run/start" &
    local recorder=$!
    sleep 0.5
    (cd "$run" && exec env DISPLAY="$display" ${driver:+SDL_AUDIODRIVER="$driver"} \
        ORV_SYNC_LOG="$run/sync.log" timeout 90 "$build/orv" "${orv_args[@]}" "$work/sync.xm" \
        > "$run/out.log" 2>&1)
    local status=$?
    sleep 0.5
    pkill -P "$$" -x parec 2> /dev/null
    wait "$recorder"
    if [ "$status" -ne 1 ]; then # 1: the end of the music
        echo "$label: FAIL - orv ended with $status: $(head -c 300 "$run/out.log")"
        return
    fi
    echo "$label: $("$build/orv-sync-measure" analyse "$run/rec.raw" "$(cat "$run/start")" \
        "$run/sync.log" | tr '\n' ';' | sed 's/;$//; s/;/; /g')"
}

run_count=0
# ORV_SYNC_SERVERS picks the servers (default: "pulseaudio pipewire").
servers=" ${ORV_SYNC_SERVERS:-pulseaudio pipewire} "
if [[ $servers != *" pulseaudio "* ]]; then
    :
elif StartPulseAudio; then
    echo "PulseAudio $(pulseaudio --version | awk '{print $2}')"
    for i in $(seq "$runs"); do Measure "pulseaudio (default driver), run $i" ""; done
    for i in $(seq "$runs"); do Measure "alsa through the PulseAudio plugin, run $i" alsa; done
else
    echo "PulseAudio: FAIL - the server did not start: $(head -c 300 "$work/pulse.log")"
fi
StopServers

if [[ $servers != *" pipewire "* ]]; then
    :
elif StartPipeWire; then
    echo "PipeWire $(pipewire --version | awk '/libpipewire/ {print $NF; exit}')"
    for i in $(seq "$runs"); do Measure "PipeWire (default driver), run $i" ""; done
    for i in $(seq "$runs"); do Measure "PipeWire native driver, run $i" pipewire; done
    for i in $(seq "$runs"); do Measure "alsa through the plugin on pipewire-pulse, run $i" alsa; done
else
    echo "PipeWire: does not run here: $(head -c 300 "$work/pipewire.log")"
fi
StopServers
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
