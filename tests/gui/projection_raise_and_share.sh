#!/usr/bin/env bash
# Two projections on one BMP sketch and one on another: the two windows of
# the same file show one shared sketch bitmap, which stays with the window
# left when the other closes.  With a window maximised, "Поднять окно"
# picked from its system menu in the frame's menu bar toggles the window's
# second placement.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/projection_fixture.exe

# Two 60x40 24-bit BMPs: one red, one green.
python3 - "$work/red.bmp" "$work/green.bmp" <<'PY'
import struct, sys
for path, pixel in ((sys.argv[1], bytes([0, 0, 255])), (sys.argv[2], bytes([0, 255, 0]))):
    w, h = 60, 40
    stride = (w * 3 + 3) & ~3
    rows = b"".join(pixel * w + b"\0" * (stride - w * 3) for _ in range(h))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    head = b"BM" + struct.pack("<IHHI", 14 + 40 + len(rows), 0, 0, 54)
    open(path, "wb").write(head + info + rows)
PY
red=$(winpath "$work/red.bmp")
green=$(winpath "$work/green.bmp")
(cd "$work" && wine "$fixture" shared.svt "1:$red" "2:$red" "3:$green" >/dev/null 2>&1) \
    || fail "fixture drawing not written"

views() { probe views SarVolt; }
sharers() { probe viewsend SarVolt "$1" 0x8050 12 0; }
flags() { probe viewsend SarVolt "$1" 0x8050 11 0; }
pixel() { convert "$shots/$1.png" -format "%[pixel:p{$2,$3}]" info: 2>/dev/null; }

start_on_views shared.svt
for _ in $(seq 1 100); do
    [ "$(views | grep -c .)" -ge 3 ] && break
    sleep 0.2
done
sleep 1
[ "$(views | grep -c .)" = 3 ] || fail "not three projection windows: $(views)"
# Projections 1 and 2 share the red bitmap, 3 has its own.
s1=$(sharers 1) s2=$(sharers 2) s3=$(sharers 3)
echo "sharers: $s1 $s2 $s3"
[ "$s1" = 2 ] && [ "$s2" = 2 ] || fail "the two windows of red.bmp do not share one bitmap ($s1 $s2)"
[ "$s3" = 1 ] || fail "green.bmp's window: $s3 sharers"
[ "$(probe viewsend SarVolt 1 0x8050 4 0)" = 60 ] && [ "$(probe viewsend SarVolt 2 0x8050 4 0)" = 60 ] \
    || fail "the shared sketch's width in a window"

# Closing the window of projection 2 (removing it) leaves projection 1
# its sketch.
probe viewsend SarVolt 2 0x0112 0xF060 0 >/dev/null &
closing=$!
wine "$probe" answer 1033 1 yes || fail "no delete question"
wait "$closing"
sleep 0.5
[ "$(views | grep -c .)" = 2 ] || fail "window 2 still open"
[ "$(sharers 1)" = 1 ] || fail "projection 1 holds $(sharers 1) references after the other window closed"
wine "$probe" post SarVolt 0x0111 40022 0 >/dev/null   # tile
sleep 1
shot projection_shared_sketch
# Every window left shows a sketch at its top-left corner.
while IFS= read -r l; do
    read -r x y _ _ <<<"${l#*	}"
    got=$(pixel projection_shared_sketch $((x + 5)) $((y + 5)))
    echo "${l%%	*}: $got"
    case "$got" in
    *"255,0,0"*|red|*"0,255,0"*|lime) ;;
    *) fail "window ${l%%	*} shows no sketch ($got)" ;;
    esac
done <<<"$(views)"

# Maximised: the system menu sits at the left of the frame's menu bar.
probe viewsend SarVolt 1 0x0112 0xF030 0 >/dev/null   # SC_MAXIMIZE
sleep 0.5
before=$(flags 1)
read -r cx cy < <(probe clientorigin SarVolt)
menu_h=$(probe metric 15)   # SM_CYMENU
xdotool mousemove $((cx + 8)) $((cy - menu_h / 2 - 1)) click 1
sleep 0.7
shot projection_raise_menu
# The last item of the system menu is "Поднять окно".
xdotool key Up
sleep 0.2
xdotool key Return
sleep 0.7
after=$(flags 1)
echo "window flags: $before -> $after"
[ $((before & 1)) = 0 ] || fail "second placement before the pick"
[ $((after & 1)) = 1 ] || fail "\"Поднять окно\" from the menu bar did not toggle the placement"

wine "$probe" close SarVolt 10000 >/dev/null 2>&1
wait_end || fail "SARVOLT.exe did not end"
finish
