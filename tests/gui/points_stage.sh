#!/usr/bin/env bash
# The reference-point stage on a drawing with a sketch: posted clicks add
# four points, drag one, drop one on another (the merge question answered
# Yes), lay a horizontal auxiliary line through
# a point, drop a point near it (it snaps onto the line) and place it at a
# typed distance from another (a text that is no number refused); the saved
# drawing, read back by the store, holds exactly those points and the line.
# Screenshots of each step.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/projection_fixture.exe
reader=$build/bin/points_fixture.exe
trap finish EXIT

start_points_stage points.svt

# The view's transform: model = offset - shift + pixel / scale.
read -r ox oy sx sy hx hy <<<"$(figure 1) $(figure 2) $(figure 7) $(figure 8) $(figure 9) $(figure 10)"
echo "view: offset $ox $oy scale $sx $sy shift $hx $hy (x1000)"
send() { probe viewsend SarVolt 1 "$1" "$2" $(( ($4 << 16) | $3 )) >/dev/null; }
click() { send 0x0201 1 "$1" "$2"; send 0x0202 0 "$1" "$2"; }
drag() {  # x0 y0 x1 y1
    send 0x0201 1 "$1" "$2"
    send 0x0200 1 $(( ($1 + $3) / 2 )) $(( ($2 + $4) / 2 ))
    send 0x0200 1 "$3" "$4"
}
tool() { probe notify SarVolt "$1" 0 >/dev/null || fail "no tool button $1"; sleep 0.3; }
points() { (cd "$work" && wine "$reader" points.svt | tr -d '\r'); }

tool 1170                                      # add points
click 100 100; click 200 100; click 200 200; click 300 150
click 101 101                                  # on point 1's mark: refused
shot points_stage_added

tool 239                                       # move
drag 200 100 250 120; send 0x0202 0 250 120
shot points_stage_dragged
# Point 3 onto point 4: the merge question, answered Yes.
drag 200 200 300 150
( send 0x0202 0 300 150 ) &
up=$!
text=$(probe popup 1033 8000) || fail "no merge question"
echo "question: $text"
wine "$probe" answer 1033 1 yes >/dev/null
wait $up
shot points_stage_merged

# A horizontal auxiliary line through point 2 (the dialog answered "Да"),
# then point 4 dropped two pixels off it snaps onto it.
( probe notify SarVolt 1904 0 >/dev/null ) &
tooljob=$!
probe popup 1911 8000 >/dev/null || fail "no auxiliary-line dialog"
wine "$probe" answer 1004 1 yes >/dev/null
wait $tooljob
click 250 120
shot points_stage_aux_line
tool 239
drag 300 150 320 122; send 0x0202 0 320 122
shot points_stage_snapped

# Placing at a distance along X: the dialog answered "Да", point 2 the
# base, the snapped point the one to place; a text that is no number is
# refused with a message, then 20 places it.
( probe notify SarVolt 1908 0 >/dev/null ) &
tooljob=$!
probe popup 1039 8000 >/dev/null || fail "no distance dialog"
wine "$probe" answer 1039 1 yes >/dev/null
wait $tooljob
click 250 120
click 320 120
[ "$(probe childenabled SarVolt 1511)" = 1 ] || fail "\"Да\" not enabled by a point to place"
probe childtext SarVolt 1111 "abc" >/dev/null
( probe notify SarVolt 1511 0 >/dev/null ) &
applyjob=$!
text=$(probe popup 1001 8000) || fail "no message for a bad distance"
echo "message: $text"
[[ $text == *"Расстояние задано неверно"* ]] || fail "wrong message for a bad distance: $text"
wine "$probe" answer 1001 1 ok >/dev/null
wait $applyjob
probe childtext SarVolt 1111 "20" >/dev/null
probe notify SarVolt 1511 0 >/dev/null
shot points_stage_distance

save_and_quit

got=$(points)
echo "$got"
# Read back: three points (four added, one merged away): the one added first,
# the
# dragged one at pixel (250, 120), the other 20 units to its right at its
# height (snapped onto the line, then placed); a free horizontal line
# through the dragged one.
python3 - "$ox" "$oy" "$sx" "$sy" "$hx" "$hy" <<PY || fail "saved records differ from the clicks"
import sys
ox, oy, sx, sy, hx, hy = (float(v) / 1000 for v in sys.argv[1:])
lines = """$got""".splitlines()
pts = {int(l.split()[1]): tuple(map(float, l.split()[2:4])) for l in lines if l.startswith("point")}
aux = [l.split() for l in lines if l.startswith("aux")]
print("points", pts, "aux", aux)
pixel = lambda p: (int((p[0] - ox + hx) * sx + 0.5), int((p[1] - oy + hy) * sy + 0.5))
ok = len(pts) == 3
if ok:
    first = min(pts.values(), key=lambda p: p[0])
    ok = all(abs(u - v) <= 1 for u, v in zip(pixel(first), (100, 100)))
    a, b = sorted(p for p in pts.values() if p != first)
    ok = all(abs(u - v) <= 1 for u, v in zip(pixel(a), (250, 120)))
    ok = ok and abs(b[0] - a[0] - 20) < 1e-3 and abs(b[1] - a[1]) < 1e-3
    ok = ok and len(aux) == 1 and aux[0][1:3] == ["0", "0"] and abs(float(aux[0][4]) - a[1]) < 1e-3
sys.exit(0 if ok else 1)
PY
