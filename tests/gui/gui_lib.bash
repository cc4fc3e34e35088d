# Shared by the GUI scenario scripts (sourced, not a test itself): the Wine
# environment, the probe, a temporary work folder, and the start and end of
# SARVOLT.exe inside a Wine virtual desktop, which manages and maximises the
# frame and sets the screen size the program sees.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$here/scripts/wine_env.sh"
probe=$build/bin/gui_probe.exe
exe=$build/bin/SARVOLT.exe
shots=$build/screenshots
mkdir -p "$shots"
work=$(mktemp -d)
status=0
sarvolt_pid=

fail() { echo "FAIL: $*"; status=1; }

# start_sarvolt WxH [folder] [args...]: starts the program on a virtual desktop
# of that size, in the folder given (the work folder by default).
start_sarvolt() {
    local size=$1 folder=${2:-$work}
    shift 2 2>/dev/null || shift $#
    export GUI_PROBE_DESKTOP=sarvolt$$
    (cd "$folder" && exec wine explorer "/desktop=$GUI_PROBE_DESKTOP,$size" "$exe" "$@") &
    sarvolt_pid=$!
    # The probe reaches the desktop once it exists.
    local _
    for _ in $(seq 1 100); do
        wine "$probe" acp >/dev/null 2>&1 && break
        sleep 0.2
    done
}

# Waits up to 30 s for the started program to end; kills it when it does not.
wait_end() {
    local _
    for _ in $(seq 1 300); do
        kill -0 "$sarvolt_pid" 2>/dev/null || { wait "$sarvolt_pid" 2>/dev/null; return 0; }
        sleep 0.1
    done
    return 1
}

# Ends the program when still running, and removes the work folder.
finish() {
    if [ -n "$sarvolt_pid" ] && kill -0 "$sarvolt_pid" 2>/dev/null; then
        wine "$probe" close SarVolt 10000 >/dev/null 2>&1
        if ! wait_end; then
            fail "SARVOLT.exe did not end"
            wine "$probe" terminate SarVolt "В Н И М А Н И Е !!!" >/dev/null 2>&1
        fi
    fi
    kill "$sarvolt_pid" 2>/dev/null
    rm -rf "$work"
    exit $status
}

# The probe's output without the carriage returns of the Wine console.
probe() { wine "$probe" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

shot() { import -window root "$shots/$1.png" 2>/dev/null || echo "screenshot $1 failed"; }

# Started without a drawing, the program shows its start dialog: closes it
# (button 2) when it appears within the time given (ms, 10000 by default).
dismiss_start_dialog() {
    wine "$probe" dialog " С чего начать?" "${1:-10000}" >/dev/null 2>&1 || return 0
    wine "$probe" press " С чего начать?" 2 >/dev/null 2>&1
    wine "$probe" gone " С чего начать?" 5000 >/dev/null 2>&1
}
