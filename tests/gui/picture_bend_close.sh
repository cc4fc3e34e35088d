#!/usr/bin/env bash
# Saving and closing while a picture is being bent: a 2400 x 1800 image of
# four points is placed on the drawing's four reference points at the image
# stage, which starts the bending on the window's preparation thread (it
# takes seconds).  A save posted at once reaches the file while the bend
# still runs (the file copied then holds the new symbol and no bent picture
# yet); the program closed at once ends within the preparation thread's
# stop, and the file it leaves holds the symbol and no half-stored picture,
# and opens again without a message.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
pfixture=$build/bin/picture_symbols_fixture.exe
trap finish EXIT

(cd "$work" && wine "$pfixture" pictures.svt --large >/dev/null 2>&1) || { fail "fixture drawing not written"; exit 1; }
list() { (cd "$work" && wine "$pfixture" --list "$1" | tr -d '\r'); }
before=$(list pictures.svt)
printf '%s\n' "$before" | grep -q '^symbol 4 ' && fail "the fixture already has symbol 4"

start_on_views pictures.svt
enter_stage 40006   # the image stage
click() {
    local px py
    read -r px py <<<"$(python3 -c "import math
print(math.floor(($1 - $ox/1000 + $hx/1000) * $sx/1000 + 0.5), math.floor(($2 - $oy/1000 + $hy/1000) * $sy/1000 + 0.5))")"
    probe viewsend SarVolt 1 0x0201 1 $(( (py << 16) | px )) >/dev/null
}

# The conventional-image list: its last entry is image 1002, the large one.
list_title="Условные изображения"
wine "$probe" post SarVolt 0x0111 40168 0 >/dev/null
wine "$probe" dialog "$list_title" 10000 >/dev/null || { fail "no list dialog"; exit 1; }
wine "$probe" post "#32770" 0x0114 7 0 >/dev/null        # SB_RIGHT
sleep 0.3
wine "$probe" postcmd "$list_title" 1315 0 >/dev/null
sleep 0.3
[ "$(probe dlgtext "$list_title" 1595)" = "band" ] || fail "image 1002 is not on the last button"
wine "$probe" press "$list_title" 1 >/dev/null           # "Да"
wine "$probe" gone "$list_title" 5000 >/dev/null || fail "list dialog stayed"

click 20 20; click 140 20; click 50 110; click 110 110
placed=$(date +%s%N)
wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null    # save
sleep 1
cp "$work/pictures.svt" "$work/saved.svt"
saved=$(list saved.svt)
echo "$saved" | cut -c1-160
symbol="symbol 4 code 1002 20.000,20.000 140.000,20.000 50.000,110.000 110.000,110.000"
printf '%s\n' "$saved" | grep -qx "$symbol" || fail "the save during the bend did not reach the file"
printf '%s\n' "$saved" | grep -q '^picture 5500' && fail "the bend had ended before the save: nothing shown"

wine "$probe" close SarVolt 10000 >/dev/null 2>&1
wait_end || fail "SARVOLT.exe did not end"
elapsed=$(( ($(date +%s%N) - placed) / 1000000 ))
echo "closed ${elapsed} ms after the placing"
[ "$elapsed" -lt 10000 ] || fail "closing waited for the bend (${elapsed} ms)"
after=$(list pictures.svt)
echo "$after" | cut -c1-160
printf '%s\n' "$after" | grep -qx "$symbol" || fail "the symbol is lost after closing"
# Either no bent picture (the bend abandoned) or a whole one.
for id in $(printf '%s\n' "$after" | awk '$1 == "picture" && $2 >= 55001 { print $2 }'); do
    printf '%s\n' "$after" | grep -q "^picture $id points 2 .* blob [1-9]" || fail "bent picture $id is not whole"
done
[ "$(printf '%s\n' "$after" | grep -v '^picture 5500' | grep -c .)" = "$(printf '%s\n' "$saved" | grep -c .)" ] ||
    fail "records differ from the saved ones"

# The file opens again without a message.
start_on_views pictures.svt
if text=$(probe popup 1001 3000); then fail "message at opening: $text"; wine "$probe" answer 1001 1 ok; fi
wine "$probe" close SarVolt 10000 >/dev/null 2>&1
wait_end || fail "SARVOLT.exe did not end after reopening"
