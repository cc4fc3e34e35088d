#!/usr/bin/env bash
# At the image stage, the panel's fragment button opens "Режимы вставки";
# after "Да" a click on point 1 of projection 1 (the fragment) and one on
# point 1 of projection 2 (the target) insert the fragment there.  The
# saved drawing holds the copies in projection 2 with the instance number,
# moved by the offset between the two points, and the fragment unchanged.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/dimension_fixture.exe
trap finish EXIT
dialog="Режимы вставки"

start_fragment_drawing --fragment 2
cmd 40006   # the image stage
caption=$(wait_for caption "2. Ввод изображения") || fail "not at the image stage: $caption"

probe press2 SarVolt 1070 >/dev/null || fail "no fragment button"
probe dialog "$dialog" 10000 >/dev/null || { fail "no insertion dialog"; exit 1; }
shot fragment_insert_dialog
probe press "$dialog" 1 >/dev/null
wine "$probe" gone "$dialog" 5000 >/dev/null || fail "the insertion dialog stayed"
sleep 0.5
view_click 1 20 20      # the fragment's binding point
view_click 2 30 30      # placed on the target's point 1
sleep 1
shot fragment_insert_done

save_and_quit

target=$(cd "$work" && wine "$fixture" --projection frag.svt 2 | tr -d '\r')
source_=$(cd "$work" && wine "$fixture" --projection frag.svt 1 | tr -d '\r')
echo "target:"; echo "$target"
# The copy moves by (30,30) - (20,20) = (10,10): 2 (40,20) -> (50,30), 3
# (40,30) -> (50,40); point 1 of the fragment lands on the target's point 1.
python3 - "$target" "$source_" <<'PY' || fail "the inserted fragment is not where computed"
import sys
def parse(text):
    pts, els = [], []
    for line in text.splitlines():
        f = line.split()
        if f and f[0] == "point": pts.append((int(f[1]), float(f[2]), float(f[3]), int(f[4])))
        if f and f[0] == "element": els.append((int(f[1]), int(f[2])))
    return pts, els
tp, te = parse(sys.argv[1])
sp, se = parse(sys.argv[2])
ok = True
copies = sorted((x, y) for n, x, y, inst in tp if inst == 1)
if copies != [(50.0, 30.0), (50.0, 40.0)]:
    print("copied points", copies); ok = False
if len(tp) != 4: print("target points", len(tp)); ok = False
if sorted(i for n, i in te) != [0, 1, 1]: print("target elements", te); ok = False
if len(set(n for n, i in te)) != 3: print("element numbers not distinct", te); ok = False
if len(sp) != 3 or len(se) != 2: print("the fragment changed", sp, se); ok = False
sys.exit(0 if ok else 1)
PY
