#!/usr/bin/env bash
# At the annotation stage, the move tool driven by the real mouse and keys
# (SendInput): a text released with Alt held over a reference point takes
# that point as its binding and stands at it; dragged again without Ctrl
# the bound text stays where it is; another text bound the same way and
# dragged with Ctrl held leaves its point.  No Alt release leaves the
# frame's menu bar active.  Saved, the store reads the texts back there.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/elements_fixture.exe
reader=$build/bin/annotation_fixture.exe
trap finish EXIT

start_annotation_stage
# The drawing length of one pixel.
unit=$(python3 -c "print(abs(1000 / $sx))")
tool() { probe notify SarVolt "$1" 0 >/dev/null || fail "no tool button $1"; sleep 0.3; }
drag() {  # key when x1 y1 x2 y2: the real mouse, the key held as told
    read -r a b <<<"$(pixel "$3" "$4")"
    read -r c d <<<"$(pixel "$5" "$6")"
    local got
    got=$(probe drag SarVolt 1 "$1" "$2" "$a" "$b" "$c" "$d") || fail "drag not made"
    [ "$got" = "menu 0" ] || fail "the menu bar is active after the drag with key $1 ($got)"
}

probe notify SarVolt 1156 0 >/dev/null || { fail "no annotation panel"; exit 1; }

tool 1164                      # two texts, at (30, 70) and (20, 90)
mouse 0x0201 30 70 1; mouse 0x0202 30 70 0
mouse 0x0201 20 90 1; mouse 0x0202 20 90 0
tool 1156                      # the move tool
drag 0x12 drop 31 69 50 40     # Alt at the release over point 5 (50, 40)
shot annotation_modifiers_alt
drag 0 all 51 39 70 75         # bound: without Ctrl it stays
drag 0x12 drop 21 89 50 80     # Alt over point 6 (50, 80)
drag 0x11 all 51 79 95 95      # Ctrl: it leaves its point
shot annotation_modifiers_ctrl
save_and_quit

got=$(cd "$work" && wine "$reader" notes.svt | tr -d '\r')
echo "$got"
check() {  # binding x y: a text with that binding within two pixels of (x, y)
    printf '%s\n' "$got" | LC_ALL=C awk -v b="$1" -v x="$2" -v y="$3" -v u="$unit" \
        '$1 == 3 && $2 == b { dx = $3 - x; dy = $4 - y; if (dx < 0) dx = -dx; if (dy < 0) dy = -dy; if (dx <= 2 * u + 0.01 && dy <= 2 * u + 0.01) f = 1 } END { exit !f }'
}
# The free drop within 1.5 mm: it ends where the real mouse's last move
# lands, a few pixels from the point asked for.
near() {
    printf '%s\n' "$got" | LC_ALL=C awk -v b="$1" -v x="$2" -v y="$3" \
        '$1 == 3 && $2 == b { dx = $3 - x; dy = $4 - y; if (dx < 0) dx = -dx; if (dy < 0) dy = -dy; if (dx <= 1.5 && dy <= 1.5) f = 1 } END { exit !f }'
}
[ "$(printf '%s\n' "$got" | grep -c '^3 ')" = 2 ] || fail "two texts expected"
check 5 50 40 || fail "the text released with Alt over point 5 is not bound to it there, or moved without Ctrl"
near 0 94 96 || fail "the text dragged with Ctrl did not leave point 6 for (94, 96)"
