#!/usr/bin/env bash
# The view construction started in the program: the fixture drawing's
# dimension network (X 60 and Y 0 from 1 to 2, X 0 from 2 to 3, 2 40 up
# from 3, radius 20 about 3 through 4, 4 level with 3) is constructed by the
# stage command; the log dialog ends ">>>Завершено<<<", and the saved
# drawing holds the positions computed here from the nominals.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/dimension_fixture.exe
trap finish EXIT
title="Процесс построения изображения по введённым размерам"

(cd "$work" && wine "$fixture" dims.svt --network >/dev/null 2>&1) || { fail "fixture drawing not written"; exit 1; }

start_on_views dims.svt

wine "$probe" post SarVolt 0x0111 40027 0 >/dev/null   # the construction stage
probe dialog "$title" 20000 >/dev/null || { fail "no construction log"; exit 1; }
button=""
for _ in $(seq 1 100); do
    button=$(probe dlgtext "$title" 2)
    [ "$button" = "OK" ] && break
    sleep 0.2
done
shot construction_run_log
log=$(probe lines "$title" 1096)
echo "log:"; printf '%s\n' "$log"
[ "$button" = "OK" ] || fail "the run did not end (button \"$button\")"
[ "$(printf '%s\n' "$log" | tail -n 1)" = ">>>Завершено<<<" ] || fail "the log does not end \">>>Завершено<<<\""
printf '%s\n' "$log" | grep -q '^\*\*\*' && fail "the log holds error lines"
probe press "$title" 2 >/dev/null
wine "$probe" gone "$title" 5000 >/dev/null || fail "the log did not close"

save_and_quit

points=$(cd "$work" && wine "$fixture" --points dims.svt | tr -d '\r')
echo "true positions:"; echo "$points"
# 1 is the origin and stays; 2 = 1 + (60, 0); 3 is 40 below 2 in the
# model (up is the smaller y); 4 = 3 + (20, 0), level with 3 on the side of
# the sketch (sketch 4 lies right of 3).
python3 - "$points" <<'PY' || fail "the constructed positions are not the computed ones"
import sys
t = {}
for line in sys.argv[1].splitlines():
    f = line.split()
    if len(f) == 4 and f[0].isdigit():
        t[int(f[0])] = (float(f[1]), float(f[2]))
expect = {1: (20, 20), 2: (80, 20), 3: (80, 60), 4: (100, 60)}
ok = True
for n, (x, y) in expect.items():
    if n not in t or abs(t[n][0] - x) > 1e-6 or abs(t[n][1] - y) > 1e-6:
        print(n, t.get(n), "expected", (x, y)); ok = False
sys.exit(0 if ok else 1)
PY
