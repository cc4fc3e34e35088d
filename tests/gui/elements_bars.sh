#!/usr/bin/env bash
# Marking, bars and the break tool on a drawing: two segments drawn at the
# image stage; the first marked with a click and made a bar through the bar
# dialog (a width that is no number refused, then 6); at the reference-point
# stage the break tool splits the second segment at its middle.  The saved
# drawing, read back by the store, holds the bar on the first segment with
# its outline, and the second segment as two segments sharing a new point
# at the click.  Screenshots of each step.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/elements_fixture.exe
trap finish EXIT

(cd "$work" && wine "$fixture" elements.svt >/dev/null 2>&1) || { fail "fixture drawing not written"; exit 1; }

start_on_views elements.svt

enter_stage 40006   # the image stage
echo "view: offset $ox $oy scale $sx $sy shift $hx $hy (x1000)"
# pixel x y: the pixel of a drawing position.
pixel() {
    python3 -c "import math
print(math.floor(($1 - $ox/1000 + $hx/1000) * $sx/1000 + 0.5), math.floor(($2 - $oy/1000 + $hy/1000) * $sy/1000 + 0.5))"
}
at() {  # x y: left button down and up at a drawing position
    local px py
    read -r px py <<<"$(pixel "$1" "$2")"
    probe viewsend SarVolt 1 0x0201 1 $(( (py << 16) | px )) >/dev/null
    probe viewsend SarVolt 1 0x0202 0 $(( (py << 16) | px )) >/dev/null
}
tool() { probe notify SarVolt "$1" 0 >/dev/null || fail "no tool button $1"; sleep 0.3; }

# Segments 1-2 from (20, 20) to (80, 20) and 4-3 from (20, 60) to (80, 60).
tool 1065
at 20 20; at 80 20
at 20 60; at 80 60
shot elements_bars_segments

# Marking: a click on the first segment marks it; the bar button opens the
# bar dialog.
tool 1074
at 50 20
[ "$(probe childenabled SarVolt 1883)" = 1 ] || fail "the bar button is not enabled by a marked segment"
( probe notify SarVolt 1883 0 >/dev/null ) &
barjob=$!
probe popup 1885 8000 >/dev/null || fail "no bar dialog"
shot elements_bars_dialog
wine "$probe" type 1885 "широкий" 0 >/dev/null
( wine "$probe" answer 1885 1 yes >/dev/null ) &
yesjob=$!
text=$(probe popup 1001 8000) || fail "no message for a bad width"
echo "message: $text"
[[ $text == *"Ширина бруска задана неверно"* ]] || fail "wrong message for a bad width: $text"
wine "$probe" answer 1001 1 ok >/dev/null
wait $yesjob
wine "$probe" type 1885 "6" 0 >/dev/null
wine "$probe" answer 1885 1 yes >/dev/null
wait $barjob
shot elements_bars_bar

# The break tool at the reference-point stage: a click on the middle of
# the second segment.
wine "$probe" post SarVolt 0x0111 40004 0 >/dev/null
sleep 1
tool 1632
at 50 60
shot elements_bars_break

save_and_quit

got=$(cd "$work" && wine "$fixture" --elements elements.svt | tr -d '\r')
echo "$got"
python3 - <<PY || fail "saved records differ from what was entered"
lines = """$got""".splitlines()
rows = [l.split() for l in lines]
elements = [r for r in rows if r[0].isdigit()]
user = [r for r in elements if r[3] == "0"]
outline = [r for r in elements if r[3] == "2"]
bars = [r for r in rows if r[0] == "bar"]
points = {int(r[1]): (float(r[2]), float(r[3])) for r in rows if r[0] == "point"}
print("user", user, "outline", len(outline), "bars", bars)
ok = True
# The bar follows the first segment, width 6, with its sides and caps.
first = [r for r in user if r[1] == "1" and r[4:] == ["1", "2"]]
ok = ok and len(first) == 1 and len(bars) == 1 and bars[0][1] == first[0][0] and abs(float(bars[0][3]) - 6) < 1e-6
ok = ok and len(outline) == 6
# The second segment now ends at a new point near (50, 60), where a second
# segment starts and runs on to point 3.
a = [r for r in user if r[1] == "1" and r[4] == "4"]
b = [r for r in user if r[1] == "1" and r[5:] == ["3"]]
ok = ok and len(a) == 1 and len(b) == 1 and a[0][5] == b[0][4] and int(a[0][5]) > 8
if ok:
    x, y = points[int(a[0][5])]
    ok = abs(y - 60) < 1 and abs(x - 50) < 1
sys_exit = 0 if ok else 1
raise SystemExit(sys_exit)
PY
