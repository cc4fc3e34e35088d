#!/usr/bin/env bash
# The stage bar follows the program's state: with no drawing its buttons do
# nothing; once a drawing is open, a click on the reference-point button sets
# that stage (caption and prompt of the prompt line, the stage-command menu),
# while a button of a stage not yet reached stays without effect.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

# A small drawing of the current format: the header and one projection page.
python3 - "$work/bar.svt" <<'PY'
import struct, sys, time
h = bytearray(2048)
h[0:4] = b"SARV"
struct.pack_into("<H", h, 4, 12358)
struct.pack_into("<I", h, 60, 2048 | 4)
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

click() {  # click CONTROL-ID: a left click in the middle of a control of the frame
    local x y w h
    read -r x y w h < <(probe rect SarVolt "$1")
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
    sleep 0.5
}

start_sarvolt 1280x1024 "$work" bar.svt
if wine "$probe" wait SarVolt "" 60000 >/dev/null; [ -n "$(probe title SarVolt)" ]; then
    for _ in $(seq 1 100); do
        [[ $(probe title SarVolt) == bar.svt* ]] && break
        sleep 0.2
    done
    sleep 0.5
    caption=$(probe text SarVolt 1010)
    [ -z "$caption" ] || fail "a stage is set before any was chosen: $caption"
    # Dimension network: not reached yet, so its button is disabled.
    click 1300
    caption=$(probe text SarVolt 1010)
    [ -z "$caption" ] || fail "a disabled stage button set a stage: $caption"
    click 1298
    caption=$(probe text SarVolt 1010)
    prompt=$(probe text SarVolt 1052)
    echo "caption: $caption / prompt: $prompt"
    [ "$caption" = "1. Опорные точки" ] || fail "caption after the reference-point button: $caption"
    [ "$prompt" = "Укажите опорные точки на проекциях" ] || fail "prompt after the reference-point button: $prompt"
    # Holding Ctrl shows the stage's Ctrl hint; releasing it brings the prompt back.
    xdotool keydown ctrl
    sleep 0.5
    held=$(probe text SarVolt 1052)
    keys=$(probe text SarVolt 1538)
    xdotool keyup ctrl
    sleep 0.5
    echo "held: $held / keys: $keys"
    [ "$held" = "Переместить все точки проекции" ] || fail "Ctrl hint at stage 1: $held"
    [ "$keys" = "+Ctrl" ] || fail "held keys: $keys"
    [ "$(probe text SarVolt 1052)" = "$prompt" ] || fail "prompt not restored after Ctrl"
    shot stage_bar_press
else
    fail "frame window not found"
fi
finish
