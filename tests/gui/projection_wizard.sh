#!/usr/bin/env bash
# A new drawing starts with the wizard: a sketch file typed into the front
# view's list is taken with "Принять", and "Выполнить" opens a "Вид спереди"
# window that shows the sketch.  Cancelling the wizard makes no drawing.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

write_bmp "$work/sketch.bmp" 64 48 255 0 0
sketch=$(winepath -w "$work/sketch.bmp" 2>/dev/null | tr -d '\r')

start_sarvolt 1280x1024 "$work"
if wine "$probe" wait SarVolt "" 60000 >/dev/null; [ -n "$(probe title SarVolt)" ]; then
    dismiss_start_dialog
    # Cancelled: no window, no drawing.
    wine "$probe" post SarVolt 0x0111 40001 0 >/dev/null
    wine "$probe" answer 2171 2 cancel || fail "no wizard on the first new drawing"
    sleep 1
    [ -z "$(probe views SarVolt)" ] || fail "a cancelled wizard opened a window"

    wine "$probe" post SarVolt 0x0111 40001 0 >/dev/null
    probe popup 2171 10000 >/dev/null || fail "no wizard"
    # A typed name (CBN_EDITCHANGE) turns OK into "Принять": the first press
    # takes the name into the list, the second runs the wizard.
    wine "$probe" type 2133 "$sketch" 5 || fail "sketch name not typed"
    wine "$probe" answer 2171 1 accept || fail "OK not pressed"
    sleep 0.5
    probe popup 2171 1000 >/dev/null || fail "the first OK after typing closed the wizard"
    wine "$probe" answer 2171 1 run || fail "OK not pressed"

    for _ in $(seq 1 50); do
        [ -n "$(probe views SarVolt)" ] && break
        sleep 0.2
    done
    sleep 1
    list=$(probe views SarVolt)
    echo "$list"
    [ "$(printf '%s\n' "$list" | grep -c "^Вид спереди	")" = 1 ] || fail "the wizard did not open one \"Вид спереди\" window"
    [ "$(probe viewsend SarVolt 1 0x8050 4 0)" = 64 ] || fail "the front view does not show the typed sketch"
    shot projection_wizard
    # The new drawing has no name: closing asks whether to save it ("No").
    wine "$probe" post SarVolt 0x0010 0 0 >/dev/null
    wine "$probe" answer 1033 2 no || fail "no save question at the end"
    wait_end || fail "SARVOLT.exe did not end"
else
    fail "frame window not found"
fi
finish
