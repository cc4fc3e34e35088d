#!/usr/bin/env bash
# At the dimension stage, X, Y and radius dimensions are entered on the
# fixture's four reference points through the dimension panel (role
# buttons, clicks on the points, the nominal, OK); the panel's list shows
# each.  The saved drawing, constructed by the portable code, puts the
# points where the nominals computed here put them.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/dimension_fixture.exe
trap finish EXIT

(cd "$work" && wine "$fixture" dims.svt >/dev/null 2>&1) || { fail "fixture drawing not written"; exit 1; }

# Sketch positions of the fixture's points 1..4 (drawing units).
declare -A px_of py_of
xs=(20 78 81 100)
ys=(20 22 58 63)

start_on_views dims.svt

# The dimension stage, then the view's transform: pixel = (x - offset + shift) * scale + 0.5.
wine "$probe" post SarVolt 0x0111 40005 0 >/dev/null
for _ in $(seq 1 50); do
    probe rect SarVolt 1032 >/dev/null && break
    sleep 0.2
done
probe rect SarVolt 1032 >/dev/null || { fail "no dimension panel"; exit 1; }
read -r ox oy sx sy hx hy <<<"$(figure 1) $(figure 2) $(figure 7) $(figure 8) $(figure 9) $(figure 10)"
echo "view: offset $ox $oy scale $sx $sy shift $hx $hy (x1000)"
for i in 0 1 2 3; do
    read -r px py <<<"$(python3 -c "import math
print(math.floor(($((xs[i])) - $ox/1000 + $hx/1000) * $sx/1000 + 0.5), math.floor(($((ys[i])) - $oy/1000 + $hy/1000) * $sy/1000 + 0.5))")"
    px_of[$((i + 1))]=$px
    py_of[$((i + 1))]=$py
done
click() { probe viewsend SarVolt 1 0x0201 1 $(( (py_of[$1] << 16) | px_of[$1] )) >/dev/null; sleep 0.2; }
press() { probe press2 SarVolt "$1" >/dev/null || fail "no control $1"; sleep 0.3; }
nominal() { probe setin SarVolt 1028 "$1" >/dev/null || fail "no nominal field"; }
ok() { probe postin SarVolt 1032 1 >/dev/null || fail "no dimension panel"; sleep 0.5; }

# One dimension: mode button, roles with their points, nominal, OK.
# dimension MODE-ID "first points" "second points" "centres" NOMINAL
dimension() {
    press "$1"
    local p
    if [ -n "$4" ]; then press 1040; for p in $4; do click "$p"; done; fi
    if [ -n "$2" ]; then press 1025; for p in $2; do click "$p"; done; fi
    if [ -n "$3" ]; then press 1026; for p in $3; do click "$p"; done; fi
    nominal "$5"
    ok
    sleep 0.5
}

dimension 1037 "1" "2" "" "60"       # X: 2 is 60 right of 1
dimension 1036 "1" "2" "" "0"        # Y: 2 level with 1
dimension 1037 "2" "3" "" "0"        # X: 3 on the vertical through 2
dimension 1036 "3" "2" "" "40"       # Y: 2 is 40 up from 3
echo "linear entered"; shot dimension_input_linear

# Radius about 3 through 4, then 4 level with 3: the radius kind first.
probe pickin SarVolt 1032 1 >/dev/null || fail "kind combo not set"
sleep 0.3
press 1040; click 3
press 1025; click 4
nominal "20"
ok
sleep 0.5
probe pickin SarVolt 1032 0 >/dev/null
sleep 0.3
dimension 1036 "3" "4" "" "0"        # Y: 4 level with 3
shot dimension_input_radius

list=$(probe items SarVolt 1055)
echo "list:"; printf '%s\n' "$list"
count=$(printf '%s\n' "$list" | grep -c .)
[ "$count" = 6 ] || fail "the list holds $count dimensions, not 6"
printf '%s\n' "$list" | grep -Eq '^ *60[.,]? +L' || fail "no X dimension 60 in the list"
printf '%s\n' "$list" | grep -Eq '^ *40[.,]? +L' || fail "no Y dimension 40 in the list"
printf '%s\n' "$list" | grep -Eq '^ *20[.,]? +R' || fail "no radius 20 in the list"

save_and_quit

solved=$(cd "$work" && wine "$fixture" --solve dims.svt | tr -d '\r')
echo "constructed:"; echo "$solved"
# Computed from the nominals: 1 stays (origin); 2 = 1 + (60, 0); 2 is 40
# up from 3, and up is the smaller model y, so 3 = 2 + (0, 40); 4 = 3 +
# (20, 0) (radius 20, level with 3, on the side of the sketch).
python3 - "$solved" <<'PY' || fail "the entered network does not construct to the computed positions"
import sys
def table(text):
    t = {}
    for line in text.splitlines():
        f = line.split()
        if len(f) == 4 and f[0].isdigit():
            t[int(f[0])] = (float(f[1]), float(f[2]))
    return t
native = table(sys.argv[1])
expect = {1: (20, 20), 2: (80, 20), 3: (80, 60), 4: (100, 60)}
ok = True
for n, (x, y) in expect.items():
    for name, t in (("native", native),):
        if n not in t or abs(t[n][0] - x) > 1e-6 or abs(t[n][1] - y) > 1e-6:
            print(name, n, t.get(n), "expected", (x, y)); ok = False
if "result 0" not in sys.argv[1]:
    print("native run not clean"); ok = False
sys.exit(0 if ok else 1)
PY
