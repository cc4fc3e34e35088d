#!/usr/bin/env bash
# On a 1280x1024 desktop SARVOLT shows its maximised frame with the menu, the
# scale panel, the stage button bar and the prompt line, which shows the
# frame's size while no drawing is open; closing the frame ends the program.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

start_sarvolt 1280x1024
if wine "$probe" wait SarVolt "SARVOLT - Конструкторская документация" 60000 >/dev/null; then
    dismiss_start_dialog
    sleep 1
    wine "$probe" zoomed SarVolt || fail "frame is not maximised"
    prompt=$(probe text SarVolt 1052)
    [[ $prompt =~ ^[0-9]+x[0-9]+ ]] || fail "prompt line shows '$prompt', not the frame size"
    [ "$(probe text SarVolt 1322)" = "Масшт" ] || fail "scale panel missing"
    [ "$(probe text SarVolt 1018)" = "На всё окно" ] || fail "fit button missing"
    for id in 1298 1299 1300 1301 1302 1303 1306; do
        wine "$probe" rect SarVolt $id >/dev/null || fail "stage-bar button $id missing"
    done
    read -r bx by bw bh < <(probe rect SarVolt 1298)
    [ "${bx:-0}" -gt 1100 ] || fail "stage bar is not at the right edge (x=$bx)"
    shot frame_maximised
    wine "$probe" close SarVolt 20000 || fail "frame did not close"
    wait_end || fail "SARVOLT.exe still running after its frame was closed"
else
    fail "frame window not found"
fi
finish
