# Shared by the installer's scenario scripts (sourced, not a test itself): a
# throwaway Wine prefix with the Russian locale and winemenubuilder off (no
# host menu entries), the distribution of the build copied into it, and the
# start of setup.exe.  No virtual desktop: the removal looks for the
# program's window, which the association starts on the default desktop.
build=$1
pfxroot=$(mktemp -d)
export WINEPREFIX=$pfxroot/pfx
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
source "$(dirname "${BASH_SOURCE[0]}")/gui_lib.bash"
unset GUI_PROBE_DESKTOP
drive_c=$WINEPREFIX/drive_c
distribution=$build/distribution
setup_pid=
caution="В Н И М А Н И Е !!!"

# A fresh prefix takes half a minute to make: one is made once per build
# tree, left untouched, and copied for every run.
template=$build/wineprefix-setup-template
if [ ! -f "$template/system.reg" ]; then
    rm -rf "$template"
    WINEPREFIX=$template wineboot -i >/dev/null 2>&1
    WINEPREFIX=$template wineserver -w
fi
cp -a "$template" "$WINEPREFIX"
wineserver -p 60

# The Windows path of a Unix path inside the prefix's drive C.
winpath() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# start_setup FOLDER EXE [args...]: setup.exe started in FOLDER (Unix path)
# from EXE (Windows path).
start_setup() {
    local folder=$1 exe=$2
    shift 2
    (cd "$folder" && exec wine "$exe" "$@") &
    setup_pid=$!
}

# Waits up to 30 s for setup.exe to end.
setup_ended() {
    local _
    for _ in $(seq 1 300); do
        wine "$probe" title Setup >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# Waits until control ID of dialog TITLE holds TEXT (a substring); prints it.
wait_text() {
    local title=$1 id=$2 want=$3 t _
    for _ in $(seq 1 150); do
        t=$(probe dlgtext "$title" "$id" 2>/dev/null)
        [[ $t == *"$want"* ]] && { echo "$t"; return 0; }
        sleep 0.2
    done
    echo "$t"
    return 1
}

# Cancels the dialog TITLE (button 2), again until it is gone; fails after 15 s.
cancel_dialog() {
    local _
    for _ in $(seq 1 15); do
        wine "$probe" press "$1" 2 >/dev/null 2>&1
        wine "$probe" gone "$1" 1000 && return 0
    done
    return 1
}

setup_finish() {
    wine "$probe" terminate Setup "$caution" >/dev/null 2>&1
    wine "$probe" terminate SarVolt "$caution" >/dev/null 2>&1
    [ -n "$setup_pid" ] && kill "$setup_pid" 2>/dev/null
    wineserver -k >/dev/null 2>&1
    rm -rf "$pfxroot"
    finish
}
