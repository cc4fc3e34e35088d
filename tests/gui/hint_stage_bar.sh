#!/usr/bin/env bash
# The mouse resting on the first stage-bar button brings up its hint pop-up
# (dialog 339) with the button's text; moving away closes it.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

start_sarvolt 1280x1024
if wine "$probe" wait SarVolt "SARVOLT - Конструкторская документация" 60000 >/dev/null; then
    dismiss_start_dialog
    sleep 1
    read -r x y w h < <(probe rect SarVolt 1298)
    xdotool mousemove $((x + w / 2)) $((y + h / 2))
    text=$(probe popup 1320 5000)
    echo "hint: $text"
    [[ $text == " Ввод опорных точек для графи-\\n ческих элементов проекций объ-\\n екта и их размерных сетей" ]] \
        || fail "hint text differs"
    shot hint_stage_bar
    xdotool mousemove $((x - 300)) $((y + 200))
    sleep 1.5
    wine "$probe" popup 1320 0 >/dev/null && fail "pop-up stays after the mouse moved away"
else
    fail "frame window not found"
fi
finish
