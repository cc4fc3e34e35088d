#!/usr/bin/env bash
# Sketch files that cannot be shown: a file named .bmp that is not a BMP, a
# missing file (answered "No": the projection opens without its sketch) and
# a BMP whose header promises more rows than the file holds.  Each gets its
# message, every projection still opens its window, and the drawing's
# records are unchanged.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/projection_fixture.exe

printf 'not a picture at all, only text in a file named .bmp\n' >"$work/text.bmp"
python3 - "$work/cut.bmp" <<'PY'
import struct, sys
w, h = 400, 300
rows = bytes(w * 3) * 10                      # 10 of the 300 rows promised
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, w * 3 * h, 2835, 2835, 0, 0)
head = b"BM" + struct.pack("<IHHI", 14 + 40 + w * 3 * h, 0, 0, 54)
open(sys.argv[1], "wb").write(head + info + rows)
PY
(cd "$work" && wine "$fixture" fixture.svt "1:$(winpath "$work/text.bmp")" "2:$(winpath "$work/gone.bmp")" \
    "3:$(winpath "$work/cut.bmp")" >/dev/null 2>&1) || fail "fixture drawing not written"
records() { tail -c +2049 "$work/fixture.svt" | md5sum; }
before=$(records)

start_sarvolt 1280x1024 "$work" fixture.svt
if wine "$probe" wait SarVolt "" 60000 >/dev/null; [ -n "$(probe title SarVolt)" ]; then
    seen=""
    for _ in 1 2 3 4 5 6; do
        text=$(probe popup 1001 4000) && {
            seen="$seen|$text"
            wine "$probe" answer 1001 1 ok
            continue
        }
        text=$(probe popup 1033 2000) && {
            seen="$seen|$text"
            wine "$probe" answer 1033 2 no
            continue
        }
        [ "$(probe views SarVolt | grep -c .)" -ge 3 ] && break
    done
    echo "messages: $seen"
    [[ $seen == *"Файл эскиза не в формате BMP!"* ]] || fail "no message for the file that is not a BMP"
    [[ $seen == *"Нет файла на этом месте"* ]] || fail "no question for the missing file"
    [[ $seen == *"повреждён"* ]] || fail "no message for the cut BMP"
    for _ in $(seq 1 25); do
        [ "$(probe views SarVolt | grep -c .)" -ge 3 ] && break
        sleep 0.2
    done
    probe views SarVolt
    [ "$(probe views SarVolt | grep -c .)" = 3 ] || fail "not every projection opened its window"
    for n in 1 2 3; do
        [ "$(probe viewsend SarVolt $n 0x8050 4 0)" = 0 ] || fail "projection $n shows a sketch"
    done
    shot projection_bad_sketch
    wine "$probe" close SarVolt 10000 >/dev/null 2>&1
    wait_end || fail "SARVOLT.exe did not end"
    [ "$(records)" = "$before" ] || fail "the drawing's records changed"
else
    fail "frame window not found"
fi
finish
