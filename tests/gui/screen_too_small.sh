#!/usr/bin/env bash
# On a 640x480 screen SARVOLT refuses to start: the message dialog shows the
# reason with its detail line, and after OK the program ends without ever
# showing its frame or the start dialog.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

start_sarvolt 640x480
texts=$(probe dialog "В Н И М А Н И Е !!!" 60000)
echo "$texts"
grep -q "^1001	Для запуска программы SARVOLT\\\\nЭкран должен быть не менее 782x546" <<<"$texts" \
    || fail "message text differs"
shot screen_too_small
# The frame is still inside its creation: it exists but is never shown.
probe wait SarVolt "SARVOLT - Конструкторская документация" 500 | grep -q "visible 1" \
    && fail "the frame is shown behind the refusal"
wine "$probe" press "В Н И М А Н И Е !!!" 1 || fail "OK not pressed"
wait_end || fail "SARVOLT.exe did not end after the refusal"
wine "$probe" dialog " С чего начать?" 1000 >/dev/null && fail "start dialog appeared"
finish
