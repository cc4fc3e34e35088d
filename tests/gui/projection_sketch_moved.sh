#!/usr/bin/env bash
# Sketches moved to another folder: the first missing sketch asks question
# 14, "Да" opens the file dialog, and the file chosen there shows; the
# second projection's sketch is then found in the same folder without a
# question.  After the load both projections store their new paths, which a
# save writes to the file.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/projection_fixture.exe

mkdir -p "$work/old" "$work/new"
python3 - "$work/new/first.bmp" 96 48 "$work/new/second.bmp" 72 40 <<'PY'
import struct, sys
args = sys.argv[1:]
for path, w, h in zip(args[0::3], args[1::3], args[2::3]):
    w, h = int(w), int(h)
    stride = (w * 3 + 3) & ~3
    rows = b"".join(bytes([200, 100, 0]) * w + b"\0" * (stride - w * 3) for _ in range(h))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    head = b"BM" + struct.pack("<IHHI", 14 + 40 + len(rows), 0, 0, 54)
    open(path, "wb").write(head + info + rows)
PY
old=$(winpath "$work/old")
new=$(winpath "$work/new")
(cd "$work" && wine "$fixture" fixture.svt "1:$old\\first.bmp" "2:$old\\second.bmp" >/dev/null 2>&1) ||
    fail "fixture drawing not written"
sketches() { (cd "$work" && wine "$fixture" --sketch fixture.svt | tr -d '\r'); }

start_sarvolt 1280x1024 "$work" fixture.svt
if wine "$probe" wait SarVolt "" 60000 >/dev/null; [ -n "$(probe title SarVolt)" ]; then
    questions=0
    text=$(probe popup 1033 20000) && {
        questions=1
        echo "question: $text"
        wine "$probe" answer 1033 1 yes
    }
    [ "$questions" = 1 ] || fail "no question for the missing sketch"
    title="Имя файла эскиза проекции"
    wine "$probe" dialog "$title" 10000 >/dev/null || fail "no sketch file dialog"
    wine "$probe" settext "$title" 1148 "$new\\first.bmp" || fail "file name not typed"
    wine "$probe" press "$title" 1 >/dev/null
    for _ in $(seq 1 50); do
        [ "$(probe views SarVolt | grep -c .)" -ge 2 ] && break
        probe popup 1033 100 >/dev/null && fail "a second question for a sketch in the chosen folder"
        sleep 0.2
    done
    probe views SarVolt
    [ "$(probe viewsend SarVolt 1 0x8050 4 0)" = 96 ] || fail "the first window does not show the chosen sketch"
    [ "$(probe viewsend SarVolt 2 0x8050 4 0)" = 72 ] || fail "the second sketch was not found in the chosen folder"
    sleep 1
    wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null
    sleep 2
    stored=$(sketches)
    echo "stored: $stored"
    [ "$(printf '%s\n' "$stored" | grep -c 'new\\first.bmp$')" = 1 ] || fail "the first projection keeps its old path"
    [ "$(printf '%s\n' "$stored" | grep -c 'new\\second.bmp$')" = 1 ] || fail "the second projection keeps its old path"
    shot projection_sketch_moved
    wine "$probe" close SarVolt 10000 >/dev/null 2>&1
    wait_end || fail "SARVOLT.exe did not end"
else
    fail "frame window not found"
fi
finish
