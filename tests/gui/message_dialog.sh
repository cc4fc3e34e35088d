#!/usr/bin/env bash
# A program message shown by the running program: the frame's private
# command 133 brings up dialog 108 with its Russian text; OK closes it and
# the frame goes on.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

start_sarvolt 1280x1024
if wine "$probe" wait SarVolt "SARVOLT - Конструкторская документация" 60000 >/dev/null; then
    dismiss_start_dialog
    wine "$probe" post SarVolt 0x111 133 0
    texts=$(probe dialog "В Н И М А Н И Е !!!" 10000)
    grep -q "^1001	Изменения могут привести к исчезновению помеченных на проекции 3D линий, задействованных в развёртках$" \
        <<<"$texts" || { echo "$texts"; fail "message text differs"; }
    shot message_dialog
    wine "$probe" press "В Н И М А Н И Е !!!" 1 || fail "OK not pressed"
    wine "$probe" gone "В Н И М А Н И Е !!!" 5000 || fail "dialog still open"
    wine "$probe" wait SarVolt "SARVOLT - Конструкторская документация" 1000 | grep -q "visible 1" \
        || fail "frame gone after the message"
else
    fail "frame window not found"
fi
finish
