#!/usr/bin/env bash
# SARVOLT.exe started with a drawing opens it: the title names the file and
# the stage, a snapshot appears beside the drawing, and undo and redo picked
# from the file menu's submenus keep a complete drawing at its path.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

# A small drawing of the current format: the header and one projection page.
python3 - "$work/fixture.svt" <<'PY'
import struct, sys, time
h = bytearray(2048)
h[0:4] = b"SARV"
struct.pack_into("<H", h, 4, 12358)
struct.pack_into("<I", h, 60, 2048 | 4)       # projection chain
struct.pack_into("<i", h, 92, -1)
struct.pack_into("<H", h, 110, 0x0006)
struct.pack_into("<H", h, 112, 0x8300)
h[114] = 4
h[118] = 1
struct.pack_into("<d", h, 128, 1.0)
struct.pack_into("<I", h, 148, int(time.time()) - 1000)
struct.pack_into("<H", h, 164, 1)
struct.pack_into("<f", h, 214, 0.5)
struct.pack_into("<f", h, 218, 75.0)
h[222] = 3
struct.pack_into("<f", h, 230, 2.0)
struct.pack_into("<f", h, 234, 0.25)
p = bytearray(2048)
r = bytearray(180)
struct.pack_into("<HI", r, 0, 180, 1)
p[4:4 + 180] = r
open(sys.argv[1], "wb").write(bytes(h + p))
PY
cp "$work/fixture.svt" "$work/original.svt"

records_same() { cmp -s <(tail -c +2049 "$work/fixture.svt") <(tail -c +2049 "$work/original.svt"); }
complete() {
    local size
    size=$(stat -c %s "$work/fixture.svt" 2>/dev/null || echo 0)
    [ "$size" -ge 4096 ] && [ $((size % 2048)) = 0 ] && [ "$(head -c 4 "$work/fixture.svt")" = SARV ]
}

start_sarvolt 1280x1024 "$work" fixture.svt
if wine "$probe" wait SarVolt "" 60000 >/dev/null; [ -n "$(probe title SarVolt)" ]; then
    title=""
    for _ in $(seq 1 100); do
        title=$(probe title SarVolt)
        [[ $title == fixture.svt* ]] && break
        sleep 0.2
    done
    echo "title: $title"
    [[ $title == "fixture.svt [этап"*"] - SARVOLT 9.4" ]] || fail "title does not name the drawing: $title"
    [ -f "$work/svt_fixture_00001.tmp" ] || fail "no snapshot beside the drawing"
    shot documents_open
    # Undo (the first item of the undo submenu) and redo.
    wine "$probe" post SarVolt 0x0111 41500 0 >/dev/null
    for _ in $(seq 1 50); do
        [ -f "$work/svt_fixture_00002.tmp" ] && [ ! -f "$work/svt_fixture_00001.tmp" ] && break
        sleep 0.2
    done
    [ -f "$work/svt_fixture_00002.tmp" ] || fail "undo made no step file"
    [ -f "$work/svt_fixture_00001.tmp" ] && fail "undo did not take the snapshot"
    complete || fail "the drawing's path is not a complete drawing after undo"
    records_same || fail "undo did not restore the records"
    wine "$probe" post SarVolt 0x0111 42500 0 >/dev/null
    for _ in $(seq 1 50); do
        [ -f "$work/svt_fixture_00001.tmp" ] && [ ! -f "$work/svt_fixture_00002.tmp" ] && break
        sleep 0.2
    done
    [ -f "$work/svt_fixture_00002.tmp" ] && fail "redo did not take the step file"
    complete || fail "the drawing's path is not a complete drawing after redo"
    records_same || fail "redo did not restore the records"
    title=$(probe title SarVolt)
    [[ $title == fixture.svt* ]] || fail "title after undo and redo: $title"
    shot documents_undo_redo
    ls "$work"
else
    fail "frame window not found"
fi
finish
