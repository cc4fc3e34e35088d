#!/usr/bin/env bash
# The command dispatcher end to end in the running program: a new drawing
# (command 40001, its wizard answered) gets a working file and the reference-point stage, the
# stage commands 40004 and 40005 move the stage caption, and closing the
# unnamed drawing asks whether to name it; answered "No", the title and
# the stage caption return to those of no drawing and the working file is
# left closed beside it.  Every question the program asks is answered here,
# so the scenario cannot wait on a dialog nobody sees.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

start_new_drawing
[ -f "$work/svt00001.tmp" ] || fail "no working file for the new drawing"
cmd 40004
c=$(wait_for caption "1. Опорные точки") || fail "caption after 40004: $c"
title=$(wait_for title "svt00001.tmp \\[этап 1. Опорные точки, активная проекция: \"Вид спереди\"\\] - SARVOLT 9.4") || fail "title at stage 1: $title"
cmd 40005
c=$(wait_for caption "3. Размерная сеть") || fail "caption after 40005: $c"
shot new_stages
cmd 40002
# Closing an unnamed drawing asks question 2; "&Нет" (IDCANCEL) keeps it unnamed.
if q=$(probe dialog "П о д т в е р д и т е  !" 10000); then
    echo "$q" | grep -q "Определить имя временному документу" || fail "close asked something else: $q"
    wine "$probe" press "П о д т в е р д и т е  !" 2 >/dev/null
    wine "$probe" gone "П о д т в е р д и т е  !" 5000 >/dev/null || fail "the question stayed open"
else
    fail "closing the unnamed drawing asked nothing"
fi
title=$(wait_for title "SARVOLT - Конструкторская документация") || fail "title after close: $title"
c=$(wait_for caption "") || fail "stage caption after close: $c"
[ -f "$work/svt00001.tmp" ] || fail "the working file went at close"
shot new_stages_closed
finish
