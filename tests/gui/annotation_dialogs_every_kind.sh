#!/usr/bin/env bash
# At the annotation stage, on a drawing holding one record of every
# annotation kind (tolerance frame, roughness sign, text fragment, section
# designation, hatching, dimension label, leader, leader with a weld sign):
# a right click on each opens its property dialog, found by its caption.
# First each dialog gets its edits and Cancel: the saved annotation and
# dimension records hash as before (the label's "сделать невидимым" changes
# its dimension too, "-1" shortens the section).  Then the same edits with
# "Да": the saved file holds what the dialogs show.  "Клон" in the leader's
# dialog makes the next click place a copy of the leader.  The drawing is
# read back through the program's store while the program runs (each
# dialog saves it when it ends).  Screenshots of each dialog.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/annotation_kinds_fixture.exe
trap finish EXIT

picks=$(cd "$work" && wine "$fixture" kinds.svt | tr -d '\r') || { fail "fixture drawing not written"; exit 1; }
echo "$picks"
# The saved drawing read back: "hash H", then one line per record.
dump() { (cd "$work" && wine "$fixture" --dump kinds.svt | tr -d '\r'); }
hash_of() { printf '%s\n' "$1" | sed -n 's/^hash //p'; }
# The line of the record of kind NAME whose line also holds WORD.
line_of() { printf '%s\n' "$1" | awk -v k="$2" -v w="${3:-}" '$1 == k && index($0, w) { print; exit }'; }
# Field KEY of a record line.
field() { printf '%s\n' "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"; }

start_on_views kinds.svt
enter_stage 40007   # the annotation stage
echo "view: offset $ox $oy scale $sx $sy shift $hx $hy (x1000)"
probe notify SarVolt 1156 0 >/dev/null || { fail "no annotation panel"; exit 1; }
# The drawing as the program saves it, before any dialog.
wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null
sleep 2
first=$(dump)
[ -n "$(hash_of "$first")" ] || { fail "the saved drawing cannot be read back"; exit 1; }

# The steps of one dialog are lines for the probe's batch (one process).
T=$'\t'
# click LPARAM-of-x-y: a click of the view at drawing point (x, y).
at() {
    LC_ALL=C awk -v x="$1" -v y="$2" -v ox="$ox" -v oy="$oy" -v sx="$sx" -v sy="$sy" -v hx="$hx" -v hy="$hy" \
        'BEGIN { px = int((x - ox / 1000 + hx / 1000) * sx / 1000 + 0.5); py = int((y - oy / 1000 + hy / 1000) * sy / 1000 + 0.5)
                 printf "%d\n", py * 65536 + px }'
}
click() {  # down up keys x y
    local l
    l=$(at "$4" "$5")
    echo "viewsend${T}SarVolt${T}1${T}$1${T}$3${T}$l"
    echo "viewsend${T}SarVolt${T}1${T}$2${T}0${T}$l"
}
# The right click on the Nth record of kind NAME, then its dialog CAPTION.
open_steps() {
    local x y
    read -r x y <<<"$(printf '%s\n' "$picks" | awk -v k="$1" -v n="$2" '$1 == k && ++i == n { print $2, $3 }')"
    click 0x0204 0x0205 2 "$x" "$y"
    echo "dialog${T}$3${T}15000"
    echo "sleep${T}200"
}
# The controls as a user changes them: an edit typed and left, a button
# clicked, a list item chosen (CBN_SELENDOK).
edit() { echo "edit${T}$1${T}$2${T}$3"; echo "sleep${T}100"; }
tick() { echo "click${T}$1${T}$2"; echo "sleep${T}100"; }
choose() { echo "pick${T}$1${T}$2${T}$3${T}9"; echo "sleep${T}100"; }
end_steps() { echo "press${T}$1${T}$2"; echo "gone${T}$1${T}10000"; }
run_batch() {
    local out
    out=$(wine "$probe" batch | tr -d '\r')
    printf '%s\n' "$out" | grep '^failed: ' | sed 's/^/FAIL: /'
}

tolerance_edits() { edit "$1" 1029 "0,05"; edit "$1" 1417 "Б"; choose "$1" 1542 2; }
roughness_edits() { edit "$1" 1499 "Ra 1,6"; choose "$1" 1419 1; }
fragment_edits() { edit "$1" 1341 "Технические требования"; }
section_edits() { edit "$1" 1397 "Б"; tick "$1" 1401; }
hatching_edits() { edit "$1" 1284 "30^"; edit "$1" 1636 "Ш1"; }
dimension_edits() { tick "$1" 1149; edit "$1" 1177 "h7"; }
leader_edits() { edit "$1" 1168 "Поз. 7"; edit "$1" 1169 "2 шт."; }
weld_edits() { choose "$1" 1535 2; tick "$1" 1537; }
kinds=(
    "tolerance|1|Обозначение допуска|tolerance_edits"
    "roughness|1|Шероховатость|roughness_edits"
    "fragment|1|Фрагмент текста|fragment_edits"
    "section|1|Сечение|section_edits"
    "hatching|1|Штриховка|hatching_edits"
    "dimtext|1|Размер 40|dimension_edits"
    "leader|1|Выноска|leader_edits"
    "leader|2|Выноска|weld_edits"
)

# Edits, then Cancel, in every dialog (a screenshot of each as it opens).
for k in "${kinds[@]}"; do
    IFS='|' read -r name n caption edits <<<"$k"
    open_steps "$name" "$n" "$caption" | run_batch
    shot "annotation_dialog_${name}_$n"
    { $edits "$caption"; end_steps "$caption" 2; } | run_batch
done
sleep 1
cancelled=$(dump)
if [ "$(hash_of "$cancelled")" != "$(hash_of "$first")" ]; then
    fail "Cancel left records changed"
    diff <(echo "$first") <(echo "$cancelled")
fi

# The same edits with "Да".
for k in "${kinds[@]}"; do
    IFS='|' read -r name n caption edits <<<"$k"
    { open_steps "$name" "$n" "$caption"; $edits "$caption"; end_steps "$caption" 1; } | run_batch
done
sleep 1
got=$(dump); echo "$got"
l=$(line_of "$got" tolerance)
[ "$(field "$l" value)" = "0,05" ] || fail "tolerance value not stored"
[ "$(field "$l" datums)" = "Б" ] || fail "tolerance datum not stored"
[ "$(field "$l" signs)" = "2,0,0" ] || fail "tolerance sign not stored"
l=$(line_of "$got" roughness)
[ "$(field "$l" parameter)" = "Ra_1,6" ] || fail "roughness parameter not stored"
[ "$(field "$l" variant)" = 1 ] || fail "roughness treatment (material removed) not stored"
l=$(line_of "$got" fragment)
[ "$(field "$l" text)" = "Технические_требования" ] || fail "fragment text not stored"
l=$(line_of "$got" section)
[ "$(field "$l" letters)" = "Б" ] || fail "section letter not stored"
[ "$(field "$l" nodes)" = 1 ] || fail "\"-1\" did not remove the last node"
l=$(line_of "$got" hatching)
# 30 degrees in radians.
LC_ALL=C awk -v v="$(field "$l" p1)" 'BEGIN { exit !(v > 0.5235 && v < 0.5237) }' || fail "hatching angle not stored as 30 degrees"
[ "$(field "$l" name)" = "Ш1" ] || fail "hatching name not stored"
l=$(line_of "$got" dimtext)
[ "$(field "$l" after)" = "h7" ] || fail "text after the nominal not stored"
[ "$(field "$l" nominal)" = "40" ] || fail "the nominal changed"
flags=$(field "$l" flags)
(( ${flags:-0} & 0x1000 )) || fail "the label is not marked invisible"
value=$(field "$(line_of "$got" dimension)" value)
(( ${value:-0} & 0x0008 )) || fail "the dimension is not made invisible"
l=$(line_of "$got" leader "x=19.40 ")
[ "$(field "$l" upper)" = "Поз._7" ] || fail "leader upper text not stored"
[ "$(field "$l" lower)" = "2_шт." ] || fail "leader lower text not stored"
l=$(line_of "$got" leader "x=44.40 ")
[ "$(field "$l" sign)" = 2 ] || fail "conventional sign (solder) not stored"
[ "$(field "$l" weld)" = 2 ] || fail "weld mark (limited stretch) not stored"

# "Клон": the leader tool then places a copy of the leader at the next click.
{ open_steps leader 1 "Выноска"; end_steps "Выноска" 1675; echo "sleep${T}300"; click 0x0201 0x0202 1 30 25; } | run_batch
sleep 0.3
shot annotation_dialog_clone
probe notify SarVolt 1156 0 >/dev/null   # the move tool ends the cloning
wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null   # save
sleep 2
got=$(dump); echo "$got"
copies=$(printf '%s\n' "$got" | grep -c '^leader .*upper=Поз._7 lower=2_шт\. ')
[ "$copies" = 2 ] || fail "\"Клон\" placed no copy of the leader ($copies)"
printf '%s\n' "$got" | grep '^leader .*upper=Поз._7 ' | LC_ALL=C awk '{
        for (i = 2; i <= NF; ++i) { split($i, a, "="); v[a[1]] = a[2] }
        if (v["x"] > 28 && v["x"] < 31 && v["y"] > 24 && v["y"] < 26) f = 1 } END { exit !f }' \
    || fail "the copy is not at the click"
for k in dimtext leader hatching fragment section roughness tolerance; do
    printf '%s\n' "$got" | grep -q "^$k " || fail "no $k record left"
done

wine "$probe" close SarVolt 10000 >/dev/null 2>&1
wait_end || fail "SARVOLT.exe did not end"
