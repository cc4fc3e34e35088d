# Shared by the GUI scenario scripts (sourced, not a test itself): the Wine
# environment, the probe, a temporary work folder, and the start and end of
# SARVOLT.exe inside a Wine virtual desktop, which manages and maximises the
# frame and sets the screen size the program sees.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$here/scripts/wine_env.sh"
probe=$build/bin/gui_probe.exe
exe=$build/bin/SARVOLT.exe
shots=$build/screenshots
mkdir -p "$shots"
work=$(mktemp -d)
status=0
sarvolt_pid=

fail() { echo "FAIL: $*"; status=1; }

# start_sarvolt WxH [folder] [args...]: starts the program on a virtual desktop
# of that size, in the folder given (the work folder by default).
start_sarvolt() {
    local size=$1 folder=${2:-$work}
    shift 2 2>/dev/null || shift $#
    export GUI_PROBE_DESKTOP=sarvolt$$
    (cd "$folder" && exec wine explorer "/desktop=$GUI_PROBE_DESKTOP,$size" "$exe" "$@") &
    sarvolt_pid=$!
    # The probe reaches the desktop once it exists.
    local _
    for _ in $(seq 1 100); do
        wine "$probe" acp >/dev/null 2>&1 && break
        sleep 0.2
    done
}

# Waits up to 30 s for the started program to end; kills it when it does not.
wait_end() {
    local _
    for _ in $(seq 1 300); do
        kill -0 "$sarvolt_pid" 2>/dev/null || { wait "$sarvolt_pid" 2>/dev/null; return 0; }
        sleep 0.1
    done
    return 1
}

# Saves the drawing (command 40013), closes the main window and waits for
# the program to end.
save_and_quit() {
    wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null
    sleep 2
    wine "$probe" close SarVolt 10000 >/dev/null 2>&1
    wait_end || fail "SARVOLT.exe did not end"
}

# Ends the program when still running, and removes the work folder.
finish() {
    if [ -n "$sarvolt_pid" ] && kill -0 "$sarvolt_pid" 2>/dev/null; then
        wine "$probe" close SarVolt 10000 >/dev/null 2>&1
        if ! wait_end; then
            fail "SARVOLT.exe did not end"
            wine "$probe" terminate SarVolt "В Н И М А Н И Е !!!" >/dev/null 2>&1
        fi
    fi
    kill "$sarvolt_pid" 2>/dev/null
    rm -rf "$work"
    exit $status
}

# The probe's output without the carriage returns of the Wine console.
probe() { wine "$probe" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

shot() { import -window root "$shots/$1.png" 2>/dev/null || echo "screenshot $1 failed"; }

# Started without a drawing, the program shows its start dialog: closes it
# (button 2) when it appears within the time given (ms, 10000 by default).
dismiss_start_dialog() {
    wine "$probe" dialog " С чего начать?" "${1:-10000}" >/dev/null 2>&1 || return 0
    wine "$probe" press " С чего начать?" 2 >/dev/null 2>&1
    wine "$probe" gone " С чего начать?" 5000 >/dev/null 2>&1
}

# start_on_views FILE: starts the program on FILE of the work folder and
# waits for the frame and its first projection window; the scenario ends
# when either does not come.
start_on_views() {
    start_sarvolt 1280x1024 "$work" "$1"
    wine "$probe" wait SarVolt "" 60000 >/dev/null
    [ -n "$(probe title SarVolt)" ] || { fail "SARVOLT did not start"; exit 1; }
    local _
    for _ in $(seq 1 100); do
        [ -n "$(probe views SarVolt)" ] && break
        sleep 0.2
    done
    [ -n "$(probe views SarVolt)" ] || { fail "no projection window"; exit 1; }
}

# cmd ID: posts the menu command ID to the main window.
cmd() { wine "$probe" post SarVolt 0x0111 "$1" 0 >/dev/null; }

# wait_for caption|title PATTERN: polls the stage caption or the title for
# up to 10 s until it matches the glob PATTERN (brackets escaped); prints
# what it saw last.
wait_for() {
    local got _
    for _ in $(seq 1 50); do
        if [ "$1" = caption ]; then got=$(probe text SarVolt 1010); else got=$(probe title SarVolt); fi
        [[ $got == $2 ]] && { echo "$got"; return 0; }
        sleep 0.2
    done
    echo "$got"
    return 1
}

# start_new_drawing: starts the program without a drawing, closes its start
# dialog and makes a new drawing (command 40001, the wizard's OK takes its
# one front view); the scenario ends when the frame does not come.
start_new_drawing() {
    start_sarvolt 1280x1024 "$work"
    wine "$probe" wait SarVolt "" 60000 >/dev/null
    [ -n "$(probe title SarVolt)" ] || { fail "frame window not found"; exit 1; }
    dismiss_start_dialog
    sleep 0.5
    cmd 40001
    wine "$probe" answer 2171 1 run || fail "no new-drawing wizard"
    local title
    title=$(wait_for title "svt00001.tmp \\[этап *\\] - SARVOLT 9.4") || fail "title after a new drawing: $title"
}

# start_with_one_view: start_new_drawing, then waits for the wizard's one
# projection window.
start_with_one_view() {
    start_new_drawing
    local _
    for _ in $(seq 1 50); do
        [ -n "$(probe views SarVolt)" ] && break
        sleep 0.2
    done
    [ "$(probe views SarVolt | grep -c .)" = 1 ] || fail "the wizard did not open one window"
}

# write_bmp FILE W H B G R: a 24-bit BMP of W x H pixels in one colour.
write_bmp() {
    python3 - "$@" <<'PY'
import struct, sys
path, w, h, b, g, r = sys.argv[1], *map(int, sys.argv[2:])
stride = (w * 3 + 3) & ~3
rows = b"".join(bytes([b, g, r]) * w + b"\0" * (stride - w * 3) for _ in range(h))
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
head = b"BM" + struct.pack("<IHHI", 14 + 40 + len(rows), 0, 0, 54)
open(path, "wb").write(head + info + rows)
PY
}

# winpath FILE: the Windows form of a path, for arguments of Wine programs.
winpath() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# write_small_drawing FILE...: drawings of the current format, each the
# header (word 110 bits 1-2, word 112 bits 8-9 and 15, word 114 bit 2 set)
# and one page holding one projection.
write_small_drawing() {
    python3 - "$@" <<'PY'
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
h[222] = 3
p = bytearray(2048)
r = bytearray(180)
struct.pack_into("<HI", r, 0, 180, 1)
p[4:4 + 180] = r
for name in sys.argv[1:]:
    open(name, "wb").write(bytes(h + p))
PY
}

# write_grid_sketch FILE: a 400 x 300 24-bit BMP of a light ground with a
# darker line every 50 pixels, the sketch the stage scenarios draw over.
write_grid_sketch() {
    python3 - "$1" <<'PY'
import struct, sys
w, h = 400, 300
row = bytearray()
for x in range(w):
    row += b"\xc0\xc0\xc0" if x % 50 == 0 else b"\xf0\xf0\xf0"
rows = b"".join(bytes(row) if y % 50 else b"\xc0" * (w * 3) for y in range(h))
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
head = b"BM" + struct.pack("<IHHI", 14 + 40 + len(rows), 0, 0, 54)
open(sys.argv[1], "wb").write(head + info + rows)
PY
}

# start_points_stage FILE: the projection fixture writes FILE (one view over
# the grid sketch) into the work folder, the program starts on it and enters
# the reference-point stage.  Needs $fixture.
start_points_stage() {
    write_grid_sketch "$work/sketch.bmp"
    (cd "$work" && wine "$fixture" "$1" "1:$(winpath "$work/sketch.bmp")" >/dev/null 2>&1) ||
        { fail "fixture drawing not written"; exit 1; }
    start_on_views "$1"
    wine "$probe" post SarVolt 0x0111 40004 0 >/dev/null   # the reference-point stage
    sleep 1
}

# A figure of the first projection window (x1000): 1 and 2 its offset, 7 and
# 8 its scale, 9 and 10 its scroll shift.
figure() { probe viewsend SarVolt 1 0x8050 "$1" 0; }

# enter_stage COMMAND: posts a stage command to the frame and reads the
# first window's offset, scale and shift into ox oy sx sy hx hy.
enter_stage() {
    wine "$probe" post SarVolt 0x0111 "$1" 0 >/dev/null
    sleep 1
    read -r ox oy sx sy hx hy <<<"$(figure 1) $(figure 2) $(figure 7) $(figure 8) $(figure 9) $(figure 10)"
}

# pixel X Y: the pixel of drawing position (X, Y) in projection window 1,
# from the figures enter_stage read (x1000): (x - offset + shift) * scale.
pixel() { python3 -c "import math
print(math.floor(($1 - $ox/1000 + $hx/1000) * $sx/1000 + 0.5), math.floor(($2 - $oy/1000 + $hy/1000) * $sy/1000 + 0.5))"; }

# mouse MESSAGE X Y KEYS: the mouse message at drawing position (X, Y) of
# projection window 1 with the key state KEYS.
mouse() {
    local px py
    read -r px py <<<"$(pixel "$2" "$3")"
    probe viewsend SarVolt 1 "$1" "$4" $(( (py << 16) | (px & 0xFFFF) )) >/dev/null
}

# start_annotation_stage: the elements fixture ($fixture) writes notes.svt,
# the program starts on it and enters the annotation stage.
start_annotation_stage() {
    (cd "$work" && wine "$fixture" notes.svt >/dev/null 2>&1) || { fail "fixture drawing not written"; exit 1; }
    start_on_views notes.svt
    enter_stage 40007
}

# start_fragment_drawing OPTION VIEWS: the dimension fixture writes frag.svt
# with OPTION (--fragment, --fragments) into the work folder, the program
# starts on it and shows VIEWS projection windows; the scenario ends when it
# does not.  Needs $fixture.
start_fragment_drawing() {
    (cd "$work" && wine "$fixture" frag.svt "$1" >/dev/null 2>&1) || { fail "fixture drawing not written"; exit 1; }
    start_sarvolt 1280x1024 "$work" frag.svt
    wine "$probe" wait SarVolt "" 60000 >/dev/null
    [ -n "$(probe title SarVolt)" ] || { fail "SARVOLT did not start"; exit 1; }
    local _
    for _ in $(seq 1 100); do
        [ "$(probe views SarVolt | grep -c .)" -ge "$2" ] && break
        sleep 0.2
    done
    [ "$(probe views SarVolt | grep -c .)" -ge "$2" ] || { fail "fewer than $2 projection windows"; exit 1; }
}

# view_pixel N X Y: the lparam of drawing position (X, Y) in the window of
# projection N: pixel = (x - offset + shift) * scale + 0.5.
view_pixel() {
    local n=$1 ox oy sx sy hx hy
    read -r ox oy sx sy hx hy <<<"$(for f in 1 2 7 8 9 10; do probe viewsend SarVolt "$n" 0x8050 "$f" 0; done | tr '\n' ' ')"
    python3 -c "import math
px = math.floor(($2 - $ox/1000 + $hx/1000) * $sx/1000 + 0.5)
py = math.floor(($3 - $oy/1000 + $hy/1000) * $sy/1000 + 0.5)
print((py << 16) | px)"
}

# view_click N X Y: a left click at drawing position (X, Y) of projection N.
view_click() { probe viewsend SarVolt "$1" 0x0201 1 "$(view_pixel "$1" "$2" "$3")" >/dev/null; sleep 0.5; }
