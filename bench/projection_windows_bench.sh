#!/usr/bin/env bash
# Projection windows under Wine, run by hand (not a test):
#
#     xvfb-run -a -s '-screen 0 1280x1024x24' bash bench/projection_windows_bench.sh build/win64
#
# 1. Time from the start of SARVOLT.exe to every window shown, for a drawing
#    of 20 projections sharing one 6000 x 4000 JPEG sketch, against the same
#    drawing without sketches (the difference is the sketch loading).
# 2. Repainting after a scroll: the primitives a projection window drew in
#    its last paint, after a full repaint and after a one-line scroll.
# Prints one line per figure.  Needs ImageMagick's convert for the JPEG.
set -u
build=$(cd "${1:?build tree}" && pwd)
source "$(dirname "$0")/../tests/gui/gui_lib.bash"
fixture=$build/bin/projection_fixture.exe
winpath() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }
views_count() { probe views SarVolt | grep -c .; }
now() { date +%s.%N; }

convert -size 6000x4000 gradient:'#c0c0ff'-'#ffffc0' -quality 85 "$work/sketch.jpg" || fail "no JPEG"
sketch=$(winpath "$work/sketch.jpg")
sketched=() plain=()
for i in $(seq 1 20); do
    type=$(( (i - 1) % 7 ))
    sketched+=("$type:$sketch")
    plain+=("$type")
done
(cd "$work" && wine "$fixture" sketched.svt "${sketched[@]}" >/dev/null 2>&1) || fail "sketched drawing not written"
(cd "$work" && wine "$fixture" plain.svt "${plain[@]}" >/dev/null 2>&1) || fail "plain drawing not written"
(cd "$work" && wine "$fixture" lines.svt "1:elements" >/dev/null 2>&1) || fail "drawing with lines not written"

# Seconds from the start until 20 windows exist (the probe polls every 0.1 s
# and itself takes part of that time).
open_time() {
    local file=$1 start end
    start=$(now)
    start_sarvolt 1280x1024 "$work" "$file"
    for _ in $(seq 1 1200); do
        [ "$(views_count 2>/dev/null)" -ge 20 ] 2>/dev/null && break
        sleep 0.1
    done
    end=$(now)
    local n
    n=$(views_count)
    wine "$probe" post SarVolt 0x0010 0 0 >/dev/null
    wine "$probe" answer 1033 2 no >/dev/null 2>&1
    wait_end || wine "$probe" terminate SarVolt "В Н И М А Н И Е !!!" >/dev/null 2>&1
    echo "$file: $n windows after $(echo "$end - $start" | bc) s"
}

open_time plain.svt
open_time sketched.svt

start_sarvolt 1280x1024 "$work" lines.svt
for _ in $(seq 1 100); do
    [ "$(views_count 2>/dev/null)" -ge 1 ] 2>/dev/null && break
    sleep 0.2
done
sleep 1
# WM_APP + 0x50 with 3: the primitives of the last paint (the first paint
# of the window is a full one).
full=$(probe viewsend SarVolt 1 0x8050 3 0)
echo "full repaint: $full primitives"
# Zoomed in far enough for the view to scroll (typed into the scale field).
wine "$probe" settext SarVolt 1013 "8"
wine "$probe" notify SarVolt 1013 0x0501
sleep 0.5
zoomed=$(probe viewsend SarVolt 1 0x8050 3 0)
echo "after zooming in: $zoomed primitives"
probe viewsend SarVolt 1 0x0115 1 0 >/dev/null   # WM_VSCROLL SB_LINEDOWN
sleep 0.5
scrolled=$(probe viewsend SarVolt 1 0x8050 3 0)
echo "after a one-line scroll: $scrolled primitives (offset y x1000: $(probe viewsend SarVolt 1 0x8050 2 0))"
wine "$probe" post SarVolt 0x0010 0 0 >/dev/null
wine "$probe" answer 1033 2 no >/dev/null 2>&1
finish
