#!/usr/bin/env bash
# On a drawing with a sketch, at the image stage, clicks on reference
# points draw a segment, a circle, an arc with centre, a smooth curve and
# a Bezier spline; a click beside
# every point takes nothing; the saved drawing, read back by the store,
# holds exactly those elements on those points.  Screenshots of each step.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/elements_fixture.exe
trap finish EXIT

write_grid_sketch "$work/sketch.bmp"
sketch=$(winpath "$work/sketch.bmp")
(cd "$work" && wine "$fixture" elements.svt "$sketch" >/dev/null 2>&1) || { fail "fixture drawing not written"; exit 1; }

# Positions of the fixture's points 1..8 (drawing units).
declare -A px_of py_of
xs=(20 80 80 20 50 50 110 110)
ys=(20 20 60 60 40 80 40 80)

start_on_views elements.svt

# The image stage, then the view's transform: pixel = (x - offset + shift) * scale + 0.5.
enter_stage 40006
echo "view: offset $ox $oy scale $sx $sy shift $hx $hy (x1000)"
for i in 0 1 2 3 4 5 6 7; do
    read -r px py <<<"$(python3 -c "import math
print(math.floor(($((xs[i])) - $ox/1000 + $hx/1000) * $sx/1000 + 0.5), math.floor(($((ys[i])) - $oy/1000 + $hy/1000) * $sy/1000 + 0.5))")"
    px_of[$((i + 1))]=$px
    py_of[$((i + 1))]=$py
done
click() { probe viewsend SarVolt 1 0x0201 1 $(( (py_of[$1] << 16) | px_of[$1] )) >/dev/null; }
tool() { probe notify SarVolt "$1" 0 >/dev/null || fail "no tool button $1"; sleep 0.3; }

tool 1065                      # segment
click 1; click 2
shot elements_input_segment
tool 1066                      # circle: a point on it, the centre
click 3; click 5
# Beside every point: nothing is taken.
probe viewsend SarVolt 1 0x0201 1 $(( ((py_of[1] + 40) << 16) | (px_of[1] + 40) )) >/dev/null
shot elements_input_circle
tool 1067                      # arc with centre: start, end, centre
click 1; click 4; click 5
shot elements_input_arc
tool 1068                      # smooth curve through 4, 5, 3, finished
click 4; click 5; click 3
tool 1078
shot elements_input_curve
tool 1176                      # Bezier: start, end, two control points
click 1; click 7; click 6; click 8
shot elements_input_bezier
wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null   # save
sleep 2
shot elements_input_saved
wine "$probe" close SarVolt 10000 >/dev/null 2>&1
wait_end || fail "SARVOLT.exe did not end"

got=$(cd "$work" && wine "$fixture" --elements elements.svt | tr -d '\r')
echo "$got"
# "number kind line-type image points...": the user elements, in the order
# drawn, with their kinds and points; the spline's curve image.
kinds=$(printf '%s\n' "$got" | awk '$1 ~ /^[0-9]+$/ && $4 == 0 { s = $2 ":"; for (i = 5; i <= NF; i++) s = s (i > 5 ? " " : "") $i; printf "%s;", s }')
echo "kinds and points: $kinds"
[ "$kinds" = "1:1 2;2:3 5;3:1 4 5;5:4 5 3;12:1 7 6 8;" ] || fail "stored elements differ from the clicks"
printf '%s\n' "$got" | awk '$4 == 1 && $2 == 5' | grep -q . || fail "the Bezier spline has no curve image"
