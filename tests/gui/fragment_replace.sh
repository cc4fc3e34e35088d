#!/usr/bin/env bash
# Replacing an inserted fragment: fragment 1 is inserted into projection 2
# at the image stage; the list of fragments then offers, for fragment 1,
# its instance in projection 2 and fragment 3 to replace it ("Разрешить
# замену фрагмента"); after "Выполнить" the prompt asks for one binding
# point on fragment 3, and a click on its point 1 puts fragment 3's line in
# place of fragment 1's copies under the same instance number (read back
# from the saved file), and the image stage is entered again.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/dimension_fixture.exe
trap finish EXIT
modes="Режимы вставки"
fragments="Фрагменты чертежа"

start_fragment_drawing --fragments 3

# Outside the image stage the replacement cannot be chosen.
wine "$probe" post SarVolt 0x0111 40030 0 >/dev/null
probe dialog "$fragments" 10000 >/dev/null || { fail "no list of fragments"; exit 1; }
[ "$(probe enabled "$fragments" 1944)" = 0 ] || fail "Разрешить замену фрагмента enabled outside the image stage"
wine "$probe" press "$fragments" 2 >/dev/null
wine "$probe" gone "$fragments" 5000 >/dev/null || fail "Отказаться did not end the list"

cmd 40006   # the image stage
caption=$(wait_for caption "2. Ввод изображения") || fail "not at the image stage: $caption"
# Fragment 1 into projection 2: its point 1 (20,20) onto point 1 (30,30).
probe press2 SarVolt 1070 >/dev/null || fail "no fragment button"
probe dialog "$modes" 10000 >/dev/null || { fail "no insertion dialog"; exit 1; }
probe press "$modes" 1 >/dev/null
wine "$probe" gone "$modes" 5000 >/dev/null || fail "the insertion dialog stayed"
sleep 0.5
view_click 1 20 20
view_click 2 30 30
sleep 1

wine "$probe" post SarVolt 0x0111 40030 0 >/dev/null
probe dialog "$fragments" 10000 >/dev/null || { fail "no list of fragments at the image stage"; exit 1; }
[ "$(probe enabled "$fragments" 1944)" = 1 ] || fail "Разрешить замену фрагмента disabled at the image stage"
[ "$(probe enabled "$fragments" 1938)" = 0 ] || fail "the instance list enabled before 1944 is checked"
wine "$probe" pick "$fragments" 1100 0 1 >/dev/null   # fragment 1
sleep 0.3
wine "$probe" click "$fragments" 1944 >/dev/null
sleep 0.5
[ "$(probe enabled "$fragments" 1938)" = 1 ] || fail "the instance list stays disabled"
wine "$probe" pick "$fragments" 1938 0 1 >/dev/null
wine "$probe" pick "$fragments" 1940 0 1 >/dev/null
sleep 0.3
instance=$(probe dlgtext "$fragments" 1938)
with=$(probe dlgtext "$fragments" 1940)
echo "instance: $instance / replaced by: $with"
[[ $instance == "01 "* ]] || fail "the instance line is not numbered 01: $instance"
shot fragment_replace_list
wine "$probe" press "$fragments" 1 >/dev/null
wine "$probe" gone "$fragments" 5000 >/dev/null || fail "Выполнить did not end the list"
sleep 0.5
prompt=$(probe text SarVolt 1052)
echo "prompt: $prompt"
[[ $prompt == "Укажите 1 базовые точки на проекции "* ]] || fail "prompt after the hand-over: $prompt"
view_click 3 20 20      # fragment 3's binding point
sleep 1
# The replacement ends by entering the image stage again: its prompt.
prompt=$(probe text SarVolt 1052)
[ "$prompt" = "Используйте опорные точки для черчения" ] || fail "prompt after the replacement: $prompt"
[ "$(probe text SarVolt 1010)" = "2. Ввод изображения" ] || fail "stage after the replacement: $(probe text SarVolt 1010)"
shot fragment_replace_done

save_and_quit

target=$(cd "$work" && wine "$fixture" --projection frag.svt 2 | tr -d '\r')
echo "target:"; echo "$target"
# Fragment 3 moves by (30,30) - (20,20) = (10,10): its point 2 (50,20)
# lands at (60,30); fragment 1's copies (50,30) and (50,40) are gone.
python3 - "$target" <<'PY' || fail "the replacement is not where computed"
import sys
pts, els = [], []
for line in sys.argv[1].splitlines():
    f = line.split()
    if f and f[0] == "point": pts.append((float(f[2]), float(f[3]), int(f[4])))
    if f and f[0] == "element": els.append(int(f[2]))
copies = sorted((x, y) for x, y, inst in pts if inst == 1)
ok = True
if copies != [(60.0, 30.0)]: print("copied points", copies); ok = False
if sorted(els) != [0, 1]: print("target elements", els); ok = False
sys.exit(0 if ok else 1)
PY
