#!/usr/bin/env bash
# A drawing with two projections, one sketched from a BMP file and one from
# page 2 of a TIFF file, opens into two "Projec" windows showing their
# sketches; the window list activates by caption order; the scale panel,
# the wheel and the scroll requests move the view; fit returns to 1; closing
# a window answered "No" keeps its projection, "Yes" removes it from the file.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/projection_fixture.exe

# A 120x80 24-bit BMP in pure red (72 dpi), and a two-page TIFF: page 1
# green, page 2 blue.
python3 - "$work/sketch.bmp" <<'PY'
import struct, sys
w, h = 120, 80
stride = (w * 3 + 3) & ~3
rows = b"".join(bytes([0, 0, 255]) * w + b"\0" * (stride - w * 3) for _ in range(h))
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
head = b"BM" + struct.pack("<IHHI", 14 + 40 + len(rows), 0, 0, 54)
open(sys.argv[1], "wb").write(head + info + rows)
PY
convert -size 90x60 xc:'#00ff00' -size 90x60 xc:'#0000ff' -density 72 -units PixelsPerInch \
    -compress none "$work/pages.tif" || fail "no TIFF fixture"

(cd "$work" && wine "$fixture" fixture.svt "1:$(winpath "$work/sketch.bmp")" "2:$(winpath "$work/pages.tif"),2" \
    >/dev/null 2>&1) || fail "fixture drawing not written"

views() { probe views SarVolt; }
zoom_of() { probe viewsend SarVolt "$1" 0x8050 0 0; }
pixel() { convert "$shots/$1.png" -format "%[pixel:p{$2,$3}]" info: 2>/dev/null; }

start_sarvolt 1280x1024 "$work" fixture.svt
if wine "$probe" wait SarVolt "" 60000 >/dev/null; [ -n "$(probe title SarVolt)" ]; then
    list=""
    for _ in $(seq 1 100); do
        list=$(views)
        [ "$(printf '%s\n' "$list" | grep -c .)" -ge 2 ] && break
        sleep 0.2
    done
    sleep 1
    list=$(views)
    echo "$list"
    front=$(printf '%s\n' "$list" | grep "^Вид спереди	")
    top=$(printf '%s\n' "$list" | grep "^Вид сверху	")
    [ -n "$front" ] || fail "no \"Вид спереди\" window"
    [ -n "$top" ] || fail "no \"Вид сверху\" window"
    shot projection_windows_open
    # The sketch lies at the client's top-left corner: red in the BMP view,
    # blue (page 2, not page 1's green) in the TIFF view.
    for v in "front:$front:red" "top:$top:blue"; do
        name=${v%%:*}; rest=${v#*:}; want=${rest##*:}; line=${rest%:*}
        read -r x y _ _ <<<"${line#*	}"
        got=$(pixel projection_windows_open $((x + 12)) $((y + 12)))
        echo "$name sketch pixel: $got"
        case "$want:$got" in
        red:*"255,0,0"*|red:red|blue:*"0,0,255"*|blue:blue) ;;
        *) fail "$name window does not show its sketch ($got)" ;;
        esac
    done
    [ "$(probe viewsend SarVolt 1 0x8050 4 0)" = 120 ] || fail "BMP sketch bitmap width"

    # The window list orders by caption: "Вид сверху" is entry 0.
    # The command is posted: wait for the frame to act on it (a loaded
    # machine may take longer than a fixed pause).
    activate() {  # entry caption
        wine "$probe" post SarVolt 0x0111 "$1" 0 >/dev/null
        local _
        for _ in $(seq 1 25); do
            [ "$(probe active SarVolt)" = "$2" ] && return 0
            sleep 0.2
        done
        return 1
    }
    activate 40500 "Вид сверху" || fail "entry 0 did not activate \"Вид сверху\""
    activate 40501 "Вид спереди" || fail "entry 1 did not activate \"Вид спереди\""

    # "2,5" and Enter in the scale field zooms the active window by 2.5.
    wine "$probe" settext SarVolt 1013 "2,5"
    wine "$probe" notify SarVolt 1013 0x0501
    z=$(zoom_of 1)
    [ "$z" = 2500 ] || fail "typed zoom 2,5 gave $z"
    [ "$(probe text SarVolt 1013)" = "2.5" ] || echo "scale field: $(probe text SarVolt 1013)"
    # One wheel notch away zooms by 0.75, one towards by 1.25.
    wine "$probe" wheel SarVolt 1 120
    z=$(zoom_of 1)
    [ "$z" = 1875 ] || fail "wheel +120 gave $z"
    wine "$probe" wheel SarVolt 1 -120
    z=$(zoom_of 1)
    [ "$z" = 2344 ] || fail "wheel -120 gave $z"
    # Zoomed in far enough to scroll: page right moves, and many pages
    # stop at the area's end; page left returns to its start.
    wine "$probe" settext SarVolt 1013 "20"
    wine "$probe" notify SarVolt 1013 0x0501
    x0=$(probe viewsend SarVolt 1 0x8050 1 0)
    probe viewsend SarVolt 1 0x0114 3 0 >/dev/null
    x1=$(probe viewsend SarVolt 1 0x8050 1 0)
    for _ in 1 2 3 4 5 6 7 8; do probe viewsend SarVolt 1 0x0114 3 0 >/dev/null; done
    x2=$(probe viewsend SarVolt 1 0x8050 1 0)
    probe viewsend SarVolt 1 0x0114 3 0 >/dev/null
    x3=$(probe viewsend SarVolt 1 0x8050 1 0)
    for _ in 1 2 3 4 5 6 7 8 9 10; do probe viewsend SarVolt 1 0x0114 2 0 >/dev/null; done
    x4=$(probe viewsend SarVolt 1 0x8050 1 0)
    echo "offsets x (x1000): $x0 $x1 $x2 $x3 $x4"
    [ "$x1" -gt "$x0" ] || fail "page right did not move the view"
    [ "$x2" = "$x3" ] && [ "$x2" -gt "$x1" ] && [ "$x2" -le 120000 ] || fail "scrolling past the area's end"
    [ "$x4" = 0 ] || fail "page left did not return to the area's start"
    shot projection_windows_scrolled
    # Fit: the projection has an empty frame, so the zoom becomes 1.
    wine "$probe" notify SarVolt 1018 0
    z=$(zoom_of 1)
    [ "$z" = 1000 ] || fail "fit gave $z"

    # Closing "Вид сверху": "No" keeps it, "Yes" removes the projection.
    activate 40500 "Вид сверху" || fail "entry 0 did not activate \"Вид сверху\" again"
    probe viewsend SarVolt 2 0x0112 0xF060 0 >/dev/null &
    closing=$!
    probe popup 1033 10000 | grep -q "УДАЛИТЬ" || fail "no delete question"
    wine "$probe" answer 1033 2 no || fail "question not answered"
    wait "$closing"
    [ -n "$(views | grep "^Вид сверху	")" ] || fail "\"No\" closed the window"
    probe viewsend SarVolt 2 0x0112 0xF060 0 >/dev/null &
    closing=$!
    wine "$probe" answer 1033 1 yes || fail "no delete question"
    wait "$closing"
    sleep 0.5
    [ -z "$(views | grep "^Вид сверху	")" ] || fail "\"Yes\" kept the window"
    shot projection_windows_closed
    wine "$probe" close SarVolt 10000 >/dev/null 2>&1
    wait_end || fail "SARVOLT.exe did not end"
    left=$(cd "$work" && wine "$fixture" --list fixture.svt | tr -d '\r')
    echo "projections left: $left"
    [ "$left" = "1 1" ] || fail "the file does not hold just projection 1 ($left)"
else
    fail "frame window not found"
fi
finish
