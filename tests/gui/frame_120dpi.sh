#!/usr/bin/env bash
# At 120 DPI the frame uses the normal panel templates (scale panel 117,
# stage bar 322) with 64-pixel icons instead of the compact ones of 96 DPI.
# The prefix's DPI is set for this run only and put back afterwards.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

key='HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'
old=$(wine reg query "$key" /v LogPixels 2>/dev/null | tr -d '\r' | awk '/REG_DWORD/ {print $NF}')
restore() {
    if [ -n "$old" ]; then
        wine reg add "$key" /v LogPixels /t REG_DWORD /d $((old)) /f >/dev/null
    else
        wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1
    fi
}
trap restore EXIT
wine reg add "$key" /v LogPixels /t REG_DWORD /d 120 /f >/dev/null

start_sarvolt 1280x1024
if wine "$probe" wait SarVolt "SARVOLT - Конструкторская документация" 60000 >/dev/null; then
    dismiss_start_dialog
    sleep 1
    read -r x y w h < <(probe rect SarVolt 1298)
    echo "stage-bar button: ${w}x${h}"
    [ "${w:-0}" -ge 68 ] && [ "${h:-0}" -ge 68 ] || fail "stage-bar button too small for a 64-pixel icon"
    [ "$(probe text SarVolt 1018)" = "На всё окно" ] || fail "scale panel missing"
    shot frame_120dpi
else
    fail "frame window not found"
fi
restore
trap - EXIT
finish
