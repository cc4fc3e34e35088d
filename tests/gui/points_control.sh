#!/usr/bin/env bash
# The control distance at the reference-point stage on a drawing with a
# sketch: two control points placed 100 pixels apart, the distance 50 typed
# and "Да" pressed: the control points are gone and the window comes back
# with its sketch scaled so that the two places lie 50 units apart.  Then
# two points Shift-marked form a group that the rotation handle turns.
# Screenshots of each step.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/projection_fixture.exe
reader=$build/bin/points_fixture.exe
trap finish EXIT

start_points_stage points.svt

send() { probe viewsend SarVolt 1 "$1" "$2" $(( ($4 << 16) | $3 )) >/dev/null; }
click() { send 0x0201 1 "$1" "$2"; send 0x0202 0 "$1" "$2"; }
points() { (cd "$work" && wine "$reader" points.svt | tr -d '\r'); }
sx=$(figure 7)
width0=$(figure 5)
echo "scale $sx sketch width $width0 (x1000)"

probe notify SarVolt 1990 0 >/dev/null || fail "no control-distance button"
sleep 0.3
click 100 100; click 200 100
shot points_control_points
[ "$(probe childenabled SarVolt 1511)" = 1 ] || fail "\"Да\" not enabled by two control points"
probe childtext SarVolt 1111 "50" >/dev/null
probe notify SarVolt 1511 0 >/dev/null
sleep 2
for _ in $(seq 1 50); do
    [ -n "$(probe views SarVolt)" ] && break
    sleep 0.2
done
width1=$(figure 5)
echo "sketch width after: $width1 (x1000)"
shot points_control_applied
python3 - "$sx" "$width0" "$width1" <<PY || fail "the sketch is not scaled to the control distance"
import sys
sx, w0, w1 = (float(v) for v in sys.argv[1:])
c = 100 / (sx / 1000)          # the two places apart, in drawing units
want = w0 * 50 / c
print("want", want, "got", w1)
sys.exit(0 if w0 > 0 and abs(w1 - want) <= 0.01 * want else 1)
PY

# A group: two points added, Shift-marked, turned by dragging the handle
# (below the centre by half the group's width) to the right of the centre.
sx=$(figure 7)
sy=$(figure 8)
probe notify SarVolt 1170 0 >/dev/null; sleep 0.3
click 300 300; click 400 300
probe notify SarVolt 239 0 >/dev/null; sleep 0.3
send 0x0201 5 300 300; send 0x0202 4 300 300   # MK_SHIFT | MK_LBUTTON
send 0x0201 5 400 300; send 0x0202 4 400 300
hy=$(python3 -c "print(round(300 + 50 * $sy / $sx))")
shot points_control_group
send 0x0201 1 350 "$hy"
send 0x0200 1 380 "$(( (300 + hy) / 2 ))"
send 0x0200 1 400 300
send 0x0202 0 400 300
shot points_control_turned

save_and_quit
got=$(points)
echo "$got"
# The two group points (the control points are gone): still 100 pixels
# apart about the same middle, no longer on one horizontal.
python3 - "$sx" <<PY || fail "the group was not turned about its centre"
import math, sys
sx = float(sys.argv[1]) / 1000
pts = [tuple(map(float, l.split()[2:4])) for l in """$got""".splitlines() if l.startswith("point")]
print("points", pts)
ok = len(pts) == 2
if ok:
    (ax, ay), (bx, by) = pts
    ok = abs(math.hypot(bx - ax, by - ay) - 100 / sx) < 1 / sx and abs(ay - by) > 10 / sx
sys.exit(0 if ok else 1)
PY
