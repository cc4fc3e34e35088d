#!/usr/bin/env bash
# The marked-point list and the deletion of a point at the reference-point
# stage on a drawing with a sketch: three points added, the first and the
# third Shift-marked, command 154 opens the save dialog, a name without
# extension is typed and the list lands in NAME.txt with exactly the marked
# points; then Alt+click (the real pointer and keyboard) deletes the second
# point, and the saved drawing, read back by the store, holds the other two.
# Screenshots of each step.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/projection_fixture.exe
reader=$build/bin/points_fixture.exe
trap finish EXIT

start_points_stage points.svt

send() { probe viewsend SarVolt 1 "$1" "$2" $(( ($4 << 16) | $3 )) >/dev/null; }
click() { send 0x0201 "${3:-1}" "$1" "$2"; send 0x0202 0 "$1" "$2"; }
tool() { probe notify SarVolt "$1" 0 >/dev/null || fail "no tool button $1"; sleep 0.3; }
points() { (cd "$work" && wine "$reader" points.svt | tr -d '\r'); }

tool 1170                                      # add points
click 100 100; click 200 100; click 300 100
tool 239                                       # move: Shift marks
click 100 100 5; click 300 100 5
shot points_list_marked

# Command 154: the save dialog, a name typed, "Сохранить".
title="Сохранить список помеченных точек"
probe postin SarVolt 1111 154 >/dev/null || fail "command 154 not posted"
wine "$probe" dialog "$title" 10000 >"$work/dialog.txt" 2>&1 || fail "no save dialog"
shot points_list_dialog
name=$(winpath "$work/marked")
probe settext "$title" 1148 "$name" >/dev/null || probe settext "$title" 1152 "$name" >/dev/null ||
    fail "no file name field"
wine "$probe" press "$title" 1 >/dev/null
wine "$probe" gone "$title" 5000 >/dev/null || fail "save dialog stays"
for _ in $(seq 1 50); do [ -s "$work/marked.txt" ] && break; sleep 0.1; done
got=$(od -An -c "$work/marked.txt" 2>/dev/null | tr -s ' ')
echo "list: $got"
want=$(printf 'point(1) = 1\r\npoint(2) = 3\r\nnpoint = 2\r\n' | od -An -c | tr -s ' ')
[ "$got" = "$want" ] || fail "the list file differs: $got"

# Alt+click on the second point with the real pointer: it goes.
read -r vx vy _ < <(probe views SarVolt | head -1 | cut -f2)
xdotool mousemove $((vx + 200)) $((vy + 100))
sleep 0.3
xdotool keydown Alt_L
sleep 0.2
xdotool click 1
sleep 0.3
xdotool keyup Alt_L
sleep 0.2
xdotool key Escape
sleep 0.5
shot points_list_deleted

save_and_quit

got=$(points)
echo "$got"
numbers=$(printf '%s\n' "$got" | awk '$1 == "point" { printf "%s ", $2 }')
[ "$numbers" = "1 3 " ] || fail "saved points differ: $numbers"
