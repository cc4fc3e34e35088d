#!/usr/bin/env bash
# The lists of projections and fragments on a drawing with two projections
# and no fragment: the fragment list shows "Нет фрагментов" with the edit
# controls disabled; a new title renames the projection's window; scales
# out of 0..2500 and angles that are no angle are refused with a message,
# the drawing unchanged; "Удалить" answered "Да" removes the
# window and the record (read back from the saved file).
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/projection_fixture.exe
(cd "$work" && wine "$fixture" fixture.svt "1:" "2:" >/dev/null 2>&1) || fail "fixture drawing not written"

views() { probe views SarVolt; }
projections="Проекции чертежа"
fragments="Фрагменты чертежа"
warning="В Н И М А Н И Е !!!"
question="П о д т в е р д и т е  !"

start_sarvolt 1280x1024 "$work" fixture.svt
if wine "$probe" wait SarVolt "" 60000 >/dev/null; [ -n "$(probe title SarVolt)" ]; then
    for _ in $(seq 1 100); do [ "$(views | grep -c .)" -ge 2 ] && break; sleep 0.2; done
    [ "$(views | grep -c .)" = 2 ] || fail "the fixture's two windows did not open"
    # ---- fragments: none
    wine "$probe" post SarVolt 0x0111 40030 0 >/dev/null
    probe dialog "$fragments" 10000 >/dev/null || fail "no fragment list"
    [ "$(probe dlgtext "$fragments" 1100)" = "Нет фрагментов" ] || fail "no \"Нет фрагментов\""
    for id in 1012 1761 1 1109; do
        [ "$(probe enabled "$fragments" $id)" = 0 ] || fail "control $id enabled without fragments"
    done
    shot fragment_list_empty
    wine "$probe" press "$fragments" 2 >/dev/null
    wine "$probe" gone "$fragments" 5000 || fail "Отказаться did not end the fragment list"
    # ---- rename
    wine "$probe" post SarVolt 0x0111 40015 0 >/dev/null
    probe dialog "$projections" 10000 >/dev/null || fail "no projection list"
    shot projection_list
    wine "$probe" settext "$projections" 1012 "Деталь" >/dev/null
    wine "$probe" press "$projections" 1 >/dev/null
    wine "$probe" gone "$projections" 5000 || fail "Выполнить did not end the projection list"
    sleep 0.5
    echo "windows:"; views
    views | grep -q "(Деталь)" || fail "the window caption does not follow the new title"
    # ---- bad scales and angles refused, the dialog stays, and the drawing
    # saved afterwards is the one saved before
    wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null
    sleep 1.5
    before=$(sha256sum "$work/fixture.svt" | cut -d' ' -f1)
    wine "$probe" post SarVolt 0x0111 40015 0 >/dev/null
    probe dialog "$projections" 10000 >/dev/null || fail "no projection list the second time"
    [ "$(probe dlgtext "$projections" 1012)" = "Деталь" ] || fail "the stored title is not shown again"
    scale=$(probe dlgtext "$projections" 1761)
    # field value: each refused with the warning on "Выполнить".
    for bad in "1761 0" "1761 -5" "1761 3000" "1761 1e400" "1755 abc" "1756 ^"; do
        read -r id value <<<"$bad"
        wine "$probe" settext "$projections" "$id" "$value" >/dev/null
        wine "$probe" press "$projections" 1 >/dev/null
        probe dialog "$warning" 5000 >/dev/null || fail "$value in $id gave no message"
        wine "$probe" press "$warning" 1 >/dev/null
        wine "$probe" gone "$warning" 5000 >/dev/null
        probe dialog "$projections" 2000 >/dev/null || fail "$value in $id ended the dialog"
        [ "$id" = 1761 ] && wine "$probe" settext "$projections" 1761 "$scale" >/dev/null
        [ "$id" = 1761 ] || wine "$probe" settext "$projections" "$id" "0" >/dev/null
    done
    [ "$(probe enabled "$projections" 1673)" = 1 ] || fail "Расширить disabled for an open window"
    wine "$probe" press "$projections" 2 >/dev/null
    wine "$probe" gone "$projections" 5000 || fail "Отказаться did not end the projection list"
    wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null
    sleep 1.5
    [ "$(sha256sum "$work/fixture.svt" | cut -d' ' -f1)" = "$before" ] || fail "refused values changed the drawing"
    wine "$probe" post SarVolt 0x0111 40015 0 >/dev/null
    probe dialog "$projections" 10000 >/dev/null || fail "no projection list the third time"
    # ---- delete, answered "Да"
    wine "$probe" press "$projections" 1109 >/dev/null
    probe dialog "$question" 5000 >/dev/null || fail "Удалить asked no question"
    wine "$probe" press "$question" 1 >/dev/null
    wine "$probe" gone "$projections" 5000 || fail "Удалить did not end the projection list"
    sleep 0.5
    [ "$(views | grep -c .)" = 1 ] || fail "the window of the deleted projection is still open"
    wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null
    sleep 1.5
    left=$(cd "$work" && wine "$fixture" --list fixture.svt | tr -d '\r')
    echo "records left: $left"
    [ "$(echo "$left" | grep -c .)" = 1 ] || fail "the deleted projection's record is still stored"
else
    fail "frame window not found"
fi
finish
