#!/usr/bin/env bash
# The layout stage in the running program: a new drawing (its wizard
# answered) goes to stage 6 (command 40029); the sheet window ("Assembly")
# becomes the active MDI child, the rebuild before layout ends with the
# stage caption "6. Компоновка чертежа"; a screenshot shows the sheet.  Closing the drawing then closes both windows without a crash.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

start_new_drawing
cmd 40029
c=$(wait_for caption "6. Компоновка чертежа") || fail "caption after 40029: $c"
a=""
for _ in $(seq 1 50); do
    a=$(wine "$probe" active SarVolt 2>/dev/null | tr -d '\r')
    [ "$a" = "Компоновка чертежа" ] && break
    sleep 0.2
done
[ "$a" = "Компоновка чертежа" ] || fail "the active window is not the sheet window: $a"
sleep 1
shot layout_stage
cmd 40002
if q=$(probe dialog "П о д т в е р д и т е  !" 10000); then
    wine "$probe" press "П о д т в е р д и т е  !" 2 >/dev/null
    wine "$probe" gone "П о д т в е р д и т е  !" 5000 >/dev/null || fail "the question stayed open"
fi
title=$(wait_for title "SARVOLT - Конструкторская документация") || fail "title after close: $title"
a=$(wine "$probe" active SarVolt 2>/dev/null | tr -d '\r')
[ "$a" = "Компоновка чертежа" ] && fail "the sheet window stayed after close"
[ -n "$(probe title SarVolt)" ] || fail "the program ended"
finish
