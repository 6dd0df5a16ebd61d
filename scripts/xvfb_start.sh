# Sourced by the scripts that need an X screen. StartXvfb FIRST LAST SIZE LOG picks a free display
# number in FIRST..LAST, starts Xvfb there with a SIZE screen (e.g. 640x480x24) logging to LOG,
# waits up to 10 s for its socket, and sets display and xvfb_pid. Exits 1 when no number is free.
# Every script that sources it runs under the same strict mode.
set -euo pipefail

StartXvfb() {
    display=
    local n
    for n in $(seq "$1" "$2"); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            display=":$n"
            break
        fi
    done
    [ -n "$display" ] || { echo "FAIL - no free X display number"; exit 1; }
    Xvfb "$display" -screen 0 "$3" -nolisten tcp > "$4" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -e "/tmp/.X11-unix/X${display#:}" ] && break
        sleep 0.1
    done
}

# MakeScratch NAME makes a fresh folder /tmp/NAME.XXXXXX, sets work to it, and at exit kills the
# processes in orv_pid, xvfb_pid and scratch_pids (when set) and removes the folder.
MakeScratch() {
    work=$(mktemp -d "/tmp/$1.XXXXXX")
    xvfb_pid=
    orv_pid=
    scratch_pids=()
    trap CleanScratch EXIT
}
CleanScratch() {
    local pid
    for pid in "$orv_pid" "$xvfb_pid" "${scratch_pids[@]}"; do
        [ -z "$pid" ] || kill "$pid" 2> /dev/null || true
    done
    rm -rf "$work"
}
