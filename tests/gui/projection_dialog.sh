#!/usr/bin/env bash
# "Определить проекцию объекта": with "Без эскиза" cleared and a BMP named,
# "Выполнить" adds a projection whose window shows the sketch and carries
# the typed title; "Выполнить" without a sketch file is refused with its
# message; "Отказаться" adds nothing.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

write_bmp "$work/sketch.bmp" 80 40 0 128 0
sketch=$(winepath -w "$work/sketch.bmp" 2>/dev/null | tr -d '\r')

views_count() { probe views SarVolt | grep -c .; }

start_with_one_view

# "Отказаться": nothing added.
wine "$probe" post SarVolt 0x0111 40099 0 >/dev/null
probe popup 1088 10000 >/dev/null || fail "no projection dialog"
wine "$probe" answer 1088 2 cancel || fail "cancel not pressed"
sleep 1
[ "$(views_count)" = 1 ] || fail "a cancelled projection dialog added a window"

# "Выполнить" without a sketch file: refused, the dialog stays.
wine "$probe" post SarVolt 0x0111 40099 0 >/dev/null
probe popup 1088 10000 >/dev/null || fail "no projection dialog"
wine "$probe" click "Определить проекцию объекта" 1098 || fail "\"Без эскиза\" not cleared"
sleep 0.5
wine "$probe" answer 1088 1 run || fail "OK not pressed"
wine "$probe" dialog "В Н И М А Н И Е !!!" 5000 >/dev/null || fail "no message for a missing sketch file"
wine "$probe" press "В Н И М А Н И Е !!!" 1 >/dev/null 2>&1
wine "$probe" gone "В Н И М А Н И Е !!!" 5000 >/dev/null 2>&1
probe popup 1088 3000 >/dev/null || fail "the dialog closed on a refused \"Выполнить\""

# The sketch named and a title typed: the new window shows the sketch.
wine "$probe" settext "Определить проекцию объекта" 1008 "$sketch" || fail "path not typed"
wine "$probe" settext "Определить проекцию объекта" 1012 "Сечение А" || fail "title not typed"
wine "$probe" answer 1088 1 run || fail "OK not pressed"
for _ in $(seq 1 50); do
    [ "$(views_count)" = 2 ] && break
    sleep 0.2
done
list=$(probe views SarVolt)
echo "$list"
[ "$(views_count)" = 2 ] || fail "\"Выполнить\" did not add a window"
printf '%s\n' "$list" | grep -q "Сечение А" || fail "the new window does not carry the title"
[ "$(probe viewsend SarVolt 2 0x8050 4 0)" = 80 ] || fail "the new window does not show the sketch"
shot projection_dialog
wine "$probe" post SarVolt 0x0010 0 0 >/dev/null
wine "$probe" answer 1033 2 no || fail "no save question at the end"
wait_end || fail "SARVOLT.exe did not end"
finish
