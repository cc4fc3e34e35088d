#!/usr/bin/env bash
# At the annotation stage: a leader placed with its tool, a text placed and
# dragged while the button is held, a section designation of two nodes, a
# text moved with the move tool; saved, the drawing read back by the store
# holds those records at those places.  Screenshots of each step.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/elements_fixture.exe
reader=$build/bin/annotation_fixture.exe
trap finish EXIT

start_annotation_stage
echo "view: offset $ox $oy scale $sx $sy shift $hx $hy (x1000)"
# The drawing length of one pixel.
unit=$(python3 -c "print(abs(1000 / $sx))")
down() { mouse 0x0201 "$1" "$2" 1; }
move() { mouse 0x0200 "$1" "$2" 1; }
up() { mouse 0x0202 "$1" "$2" 0; }
tool() { probe notify SarVolt "$1" 0 >/dev/null || fail "no tool button $1"; sleep 0.3; }

probe notify SarVolt 1156 0 >/dev/null || { fail "no annotation panel"; exit 1; }

tool 1160                      # leader at (60, 50)
down 60 50; up 60 50
shot annotation_place_leader
tool 1164                      # text placed at (30, 70), dragged to (35, 75)
down 30 70; move 33 72; move 35 75; up 35 75
shot annotation_place_text
tool 1165                      # section line: two nodes
down 90 30; up 90 30
down 100 30; up 100 30
shot annotation_place_section
tool 1156                      # move tool: the text dragged by its corner to (40, 85)
down 36 74; move 38 80; move 41 84; up 41 84
shot annotation_place_moved
save_and_quit

got=$(cd "$work" && wine "$reader" notes.svt | tr -d '\r')
echo "$got"
check() {  # kind x y: a record of that kind within two pixels of (x, y)
    printf '%s\n' "$got" | LC_ALL=C awk -v k="$1" -v x="$2" -v y="$3" -v u="$unit" \
        '$1 == k { dx = $3 - x; dy = $4 - y; if (dx < 0) dx = -dx; if (dy < 0) dy = -dy; if (dx <= 2 * u + 0.01 && dy <= 2 * u + 0.01) f = 1 } END { exit !f }'
}
[ "$(printf '%s\n' "$got" | grep -c .)" = 3 ] || fail "three records expected"
printf '%s\n' "$got" | grep -q '^bad' && fail "a stored record does not pass its checks"
check 1 "$(python3 -c "print(60 - 0.6)")" 50 || fail "leader not at its click"
check 3 40 85 || fail "text not where it was dragged"
check 4 90 30 || fail "section not at its first click"
printf '%s\n' "$got" | awk '$1 == 4 && $5 == 2' | grep -q . || fail "section without its two nodes"
