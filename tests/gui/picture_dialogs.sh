#!/usr/bin/env bash
# Conventional images added from the running program: at the image stage the
# conventional-image command opens the list of symbols and images; "Добавить"
# asks for a BMP file (answered in the real file dialog) and one reference
# point is picked in the preview; a JPEG image with four points follows; the
# JPEG image is placed by four reference points (its bent picture is
# prepared); the BMP image is deleted (question answered "yes").  Saved and
# read back by the store: one image of four points, its bent picture and the
# symbol on the clicked points; closed and reopened, the records are the
# same.  Screenshots of the list and the image dialog.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
efixture=$build/bin/elements_fixture.exe
pfixture=$build/bin/picture_symbols_fixture.exe
trap finish EXIT

(cd "$work" && wine "$efixture" pictures.svt >/dev/null 2>&1) || { fail "fixture drawing not written"; exit 1; }
cp "$(dirname "$0")/../data/images/colour.jpg" "$work/colour.jpg"
python3 - "$work/door.bmp" <<'PY'
import struct, sys
w, h = 8, 6
stride = (w * 3 + 3) // 4 * 4
rows = b''.join(bytes(b for x in range(w) for b in ((255, 0, 255) if x < 2 else (30 * x, 30 * y, 200))) + b'\0' * (stride - 3 * w) for y in range(h))
head = b'BM' + struct.pack('<IHHI', 54 + len(rows), 0, 0, 54) + struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(rows), 0, 0, 0, 0)
open(sys.argv[1], 'wb').write(head + rows)
PY
list() { (cd "$work" && wine "$pfixture" --list "$1" | tr -d '\r'); }

xs=(20 80 80 20 50 50 110 110)
ys=(20 20 60 60 40 80 40 80)
declare -A px_of py_of

start_on_views pictures.svt
enter_stage 40006   # the image stage
for i in 0 1 2 3 4 5 6 7; do
    read -r px py <<<"$(python3 -c "import math
print(math.floor(($((xs[i])) - $ox/1000 + $hx/1000) * $sx/1000 + 0.5), math.floor(($((ys[i])) - $oy/1000 + $hy/1000) * $sy/1000 + 0.5))")"
    px_of[$((i + 1))]=$px
    py_of[$((i + 1))]=$py
done
click() { probe viewsend SarVolt 1 0x0201 1 $(( (py_of[$1] << 16) | px_of[$1] )) >/dev/null; }

list_title="Условные изображения"
image_title="Параметры нового условного изображения"
file_title="Имя файла с условным изображением"

step() { echo "step $(date +%s): $*"; }
open_list() {
    wine "$probe" post SarVolt 0x0111 40168 0 >/dev/null
    wine "$probe" dialog "$list_title" 10000 >/dev/null || { fail "no list dialog"; return 1; }
}
# add_image FILE RADIO DX,DY...: "Добавить", the file, the points' radio
# button and the clicks (offsets from the preview's centre), OK.
add_image() {
    local file=$1 radio=$2 path
    shift 2
    path=$(winepath -w "$work/$file" 2>/dev/null | tr -d '\r')
    wine "$probe" postcmd "$list_title" 1917 0 >/dev/null
    wine "$probe" dialog "$file_title" 10000 >/dev/null || { fail "no file question for $file"; return 1; }
    wine "$probe" settext "$file_title" 1148 "$path" >/dev/null || wine "$probe" settext "$file_title" 1152 "$path" >/dev/null
    wine "$probe" press "$file_title" 1 >/dev/null
    wine "$probe" dialog "$image_title" 10000 >/dev/null || { shot "picture_dialogs_no_image_dialog"; fail "no image dialog for $file"; return 1; }
    wine "$probe" click "$image_title" "$radio" >/dev/null
    sleep 0.3
    local at
    for at in "$@"; do
        wine "$probe" lclick "$image_title" 1922 "${at%,*}" "${at#*,}" >/dev/null
        sleep 0.2
    done
    sleep 0.3
    shot "picture_dialogs_$(basename "$file" | tr . _)"
    [ "$(probe enabled "$image_title" 1)" = 1 ] || fail "OK not enabled after the points of $file"
    wine "$probe" press "$image_title" 1 >/dev/null
    wine "$probe" gone "$image_title" 5000 >/dev/null || fail "image dialog of $file stayed"
}

step open list; open_list || exit 1
add_image door.bmp 1171 0,0
add_image colour.jpg 1175 -30,-30 30,-30 -30,30 30,30
sleep 0.5
shot picture_dialogs_list
wine "$probe" press "$list_title" 1 >/dev/null           # "Да": the JPEG image, four points
wine "$probe" gone "$list_title" 5000 >/dev/null || fail "list dialog stayed"
step place; click 1; click 7; click 6; click 8
sleep 3                                                  # the bend runs in its thread
shot picture_dialogs_placed

# Delete the BMP image: last page, its button, "Удалить", "yes".
step open list; open_list || exit 1
wine "$probe" post "#32770" 0x0114 7 0 >/dev/null        # SB_RIGHT
sleep 0.3
wine "$probe" postcmd "$list_title" 1314 0 >/dev/null
sleep 0.3
[ "$(probe dlgtext "$list_title" 1595)" = "УИ1001" ] || fail "the BMP image is not on button 1314"
( wine "$probe" answer 1033 1 yes >/dev/null ) &
answer_pid=$!
wine "$probe" postcmd "$list_title" 1109 0 >/dev/null
wait "$answer_pid" || fail "no deletion question"
sleep 0.5
wine "$probe" press "$list_title" 2 >/dev/null            # cancel
wine "$probe" gone "$list_title" 5000 >/dev/null || fail "list dialog stayed"

step save; wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null      # save
sleep 2
wine "$probe" close SarVolt 10000 >/dev/null 2>&1
wait_end || fail "SARVOLT.exe did not end"
saved=$(list pictures.svt)
echo "$saved"
pictures=$(printf '%s\n' "$saved" | awk '$1 == "picture" { print $2, $4 }' | tr '\n' ';')
echo "pictures: $pictures"
printf '%s\n' "$saved" | grep -q '^picture 1002 points 4 ' || fail "the JPEG image is not stored with four points"
printf '%s\n' "$saved" | grep -q '^picture 1001 ' && fail "the deleted BMP image is still stored"
printf '%s\n' "$saved" | grep -q '^picture 5500[0-9] points 2 ' || fail "no bent picture of the symbol"
symbol=$(printf '%s\n' "$saved" | awk '$1 == "symbol" { $2 = ""; print }')
[ "$symbol" = "symbol  code 1002 20.000,20.000 110.000,40.000 50.000,80.000 110.000,80.000" ] ||
    fail "symbol differs: $symbol"

# Reopened and saved again, the records stay the same.
start_sarvolt 1280x1024 "$work" pictures.svt
wine "$probe" wait SarVolt "" 60000 >/dev/null
if text=$(probe popup 1001 3000); then fail "message at opening: $text"; wine "$probe" answer 1001 1 ok; fi
sleep 2
wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null
sleep 2
wine "$probe" close SarVolt 10000 >/dev/null 2>&1
wait_end || fail "SARVOLT.exe did not end after reopening"
again=$(list pictures.svt)
[ "$again" = "$saved" ] || { fail "records changed by reopening"; diff <(echo "$saved") <(echo "$again"); }
