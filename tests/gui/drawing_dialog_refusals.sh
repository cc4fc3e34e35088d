#!/usr/bin/env bash
# Bad values in the units and option dialogs: grid steps too large or too
# small get the message and keep the step shown, a scale typed and left
# with Esc changes nothing (the saved drawing's hash before and after);
# rounding digits out of 0..15 are refused in the status line; and every
# check box of the option dialog, and the third rule of a moved point,
# reach their header bits in the saved file.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

# The drawing of the settings scenario: word 110 bits 1-2, word 112 bits
# 8-9 and 15, word 114 bit 2 set.
write_small_drawing "$work/fixture.svt"

word() {
    python3 - "$work/fixture.svt" "$1" <<'PY'
import struct, sys
h = open(sys.argv[1], "rb").read(2048)
print(struct.unpack_from("<H", h, int(sys.argv[2]))[0])
PY
}
save() {
    wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null
    sleep 1.5
}
drawing_hash() { sha256sum "$work/fixture.svt" | cut -d' ' -f1; }
warning="В Н И М А Н И Е !!!"
# refuse DIALOG ID TEXT: TEXT typed into field ID with Enter brings the
# warning, which is answered.
refuse() {
    wine "$probe" settext "$1" "$2" "$3" >/dev/null
    wine "$probe" postcmd "$1" "$2" 0x501 >/dev/null
    probe dialog "$warning" 5000 >/dev/null || fail "$3 typed into $2 gave no message"
    wine "$probe" press "$warning" 1 >/dev/null
    wine "$probe" gone "$warning" 5000 >/dev/null
}

units="Единица измерений и масштаб"
options=" Нюансы  чертежа"
start_sarvolt 1280x1024 "$work" fixture.svt
if wine "$probe" wait SarVolt "" 60000 >/dev/null; [ -n "$(probe title SarVolt)" ]; then
    for _ in $(seq 1 100); do [[ $(probe title SarVolt) == fixture.svt* ]] && break; sleep 0.2; done
    # ---- units: refused steps, then a scale left with Esc
    save
    before=$(drawing_hash)
    wine "$probe" post SarVolt 0x0111 40043 0 >/dev/null
    probe dialog "$units" 10000 >/dev/null || fail "no units dialog"
    for bad in 1e30 -1e30 0.001; do refuse "$units" 1705 "$bad"; refuse "$units" 1773 "$bad"; done
    [ "$(probe dlgtext "$units" 1705)" = "нет" ] || fail "a refused step replaced grid x: $(probe dlgtext "$units" 1705)"
    [ "$(probe dlgtext "$units" 1773)" = "нет" ] || fail "a refused step replaced grid y: $(probe dlgtext "$units" 1773)"
    wine "$probe" type 1643 20 0x501 >/dev/null
    wine "$probe" type 1642 3 0x501 >/dev/null
    shot units_dialog_refusals
    wine "$probe" press "$units" 2 >/dev/null
    wine "$probe" gone "$units" 5000 || fail "Esc did not end the units dialog"
    save
    [ "$(drawing_hash)" = "$before" ] || fail "refused steps and a scale left with Esc changed the drawing"

    # ---- options: rounding digits refused, every check box to its bit
    w110=$(word 110); w112=$(word 112); w114=$(word 114)
    wine "$probe" post SarVolt 0x0111 40055 0 >/dev/null
    probe dialog "$options" 10000 >/dev/null || fail "no options dialog"
    digits=$(probe dlgtext "$options" 1971)
    for bad in 16 x; do
        wine "$probe" settext "$options" 1522 "" >/dev/null
        wine "$probe" type 1971 "$bad" 0x501 >/dev/null
        sleep 0.3
        [ -n "$(probe dlgtext "$options" 1522)" ] || fail "$bad rounding digits refused without a word"
        [ "$(probe dlgtext "$options" 1971)" = "$digits" ] || fail "$bad replaced the rounding digits"
    done
    for id in 1778 1783 1513 1654 1970 1784 1672 1673 2101 1860; do
        wine "$probe" click "$options" $id >/dev/null
        sleep 0.2
    done
    sleep 0.5
    shot options_dialog_all_toggled
    wine "$probe" press "$options" 15020 >/dev/null
    wine "$probe" gone "$options" 5000 || fail "Выход did not end the options dialog"
    save
    echo "word 110: $w110 -> $(word 110), 112: $w112 -> $(word 112), 114: $w114 -> $(word 114)"
    # Each check box at its bit: word 110 bits 0, 2, 6; word 112 bits 4, 8,
    # 9, 10; word 114 bits 2 (set for coarse curves) and 4; the third rule
    # sets word 112 bit 6 and clears word 114 bit 12.
    [ $(( ($(word 110) ^ w110) & 0x45 )) = $((0x45)) ] || fail "word 110 check boxes: $w110 -> $(word 110)"
    [ $(( ($(word 112) ^ w112) & 0x710 )) = $((0x710)) ] || fail "word 112 check boxes: $w112 -> $(word 112)"
    [ $(( $(word 112) & 0x40 )) = $((0x40)) ] || fail "освобождать её от размеров: word 112 $(word 112)"
    [ $(( ($(word 114) ^ w114) & 0x14 )) = $((0x14)) ] || fail "word 114 check boxes: $w114 -> $(word 114)"
    [ $(( $(word 114) & 0x1000 )) = 0 ] || fail "освобождать её от размеров left word 114 bit 12"
else
    fail "frame window not found"
fi
finish
