#!/usr/bin/env bash
# The units, option and symbol-table dialogs on an open drawing: a scale of
# 1:50 and a grid step reach the header, a grid step out of range is refused
# with a message, an option check box and the checkpoint waiting time reach
# their header bits (300 seconds refused), "Дополнение" stores the defaults
# and opens the continuation, and a picked symbol lands in the line and on
# the clipboard.  The header is read back from the saved file.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

write_small_drawing "$work/fixture.svt"

# header FIELD: one value of the saved file's header.
header() {
    python3 - "$work/fixture.svt" "$1" <<'PY'
import struct, sys
h = open(sys.argv[1], "rb").read(2048)
f = sys.argv[2]
print({"scale": lambda: repr(struct.unpack_from("<d", h, 128)[0]),
       "gridx": lambda: repr(struct.unpack_from("<f", h, 152)[0]),
       "gridy": lambda: repr(struct.unpack_from("<f", h, 156)[0]),
       "w110": lambda: hex(struct.unpack_from("<H", h, 110)[0]),
       "w112": lambda: hex(struct.unpack_from("<H", h, 112)[0]),
       "b222": lambda: str(h[222])}[f]())
PY
}
save() {
    local before
    before=$(stat -c %Y.%s "$work/fixture.svt")
    wine "$probe" post SarVolt 0x0111 40013 0 >/dev/null
    sleep 1.5
}

units="Единица измерений и масштаб"
options=" Нюансы  чертежа"
more=" Дополнительные нюансы"
symbols="Таблица символов"
start_sarvolt 1280x1024 "$work" fixture.svt
if wine "$probe" wait SarVolt "" 60000 >/dev/null; [ -n "$(probe title SarVolt)" ]; then
    for _ in $(seq 1 100); do [[ $(probe title SarVolt) == fixture.svt* ]] && break; sleep 0.2; done
    # ---- units, scale and grid
    wine "$probe" post SarVolt 0x0111 40043 0 >/dev/null
    probe dialog "$units" 10000 > "$work/units.txt" || fail "no units dialog"
    [ "$(probe dlgtext "$units" 1705)" = "нет" ] || fail "grid x of 0 not shown as нет"
    [ "$(probe dlgtext "$units" 1773)" = "нет" ] || fail "grid y of 0 not shown as нет"
    [ "$(probe enabled "$units" 1774)" = 0 ] || fail "Притянуть enabled without a grid"
    [ "$(probe dlgtext "$units" 1642)" = 1 ] && [ "$(probe dlgtext "$units" 1643)" = 1 ] \
        || fail "a drawing without a scale field does not show 1:1"
    shot units_dialog
    wine "$probe" settext "$units" 1705 1e30 >/dev/null
    wine "$probe" postcmd "$units" 1705 0x501 >/dev/null
    probe dialog "В Н И М А Н И Е !!!" 5000 > "$work/msg.txt" || fail "a grid step of 1e30 gave no message"
    cat "$work/msg.txt" | grep -i "шаг" || true
    wine "$probe" press "В Н И М А Н И Е !!!" 1 >/dev/null
    wine "$probe" gone "В Н И М А Н И Е !!!" 5000 >/dev/null
    [ "$(probe dlgtext "$units" 1705)" = "нет" ] || fail "the refused step replaced the kept one"
    wine "$probe" type 1705 2,5 0x501 >/dev/null
    sleep 0.3
    [ "$(probe dlgtext "$units" 1705)" = "2.5" ] || fail "grid x 2,5 not shown as 2.5"
    [ "$(probe enabled "$units" 1774)" = 1 ] || fail "Притянуть still disabled with a grid"
    wine "$probe" type 1643 50 0x501 >/dev/null
    wine "$probe" type 1642 "" 0x501 >/dev/null
    sleep 0.3
    [ "$(probe dlgtext "$units" 1642)" = 1 ] || fail "an empty scale part is not 1"
    wine "$probe" press "$units" 1 >/dev/null
    wine "$probe" gone "$units" 5000 || fail "Да did not end the units dialog"
    save
    [ "$(header scale)" = 0.02 ] || fail "drawing scale after 1:50: $(header scale)"
    [ "$(header gridx)" = 2.5 ] || fail "grid x after 2,5: $(header gridx)"
    [ "$(header gridy)" = 0.0 ] || fail "grid y changed: $(header gridy)"
    # The scale field is read back when the dialog opens again.
    wine "$probe" post SarVolt 0x0111 40043 0 >/dev/null
    probe dialog "$units" 10000 >/dev/null || fail "no units dialog the second time"
    [ "$(probe dlgtext "$units" 1643)" = 50 ] || fail "the stored scale 1:50 is not shown again"
    wine "$probe" press "$units" 2 >/dev/null
    wine "$probe" gone "$units" 5000 || fail "Esc did not end the units dialog"

    # ---- drawing options
    w110=$(header w110)
    wine "$probe" post SarVolt 0x0111 40055 0 >/dev/null
    probe dialog "$options" 10000 > "$work/options.txt" || fail "no options dialog"
    [ "$(probe dlgtext "$options" 2040)" = 4 ] || fail "waiting time shown: $(probe dlgtext "$options" 2040)"
    wine "$probe" click "$options" 1778 >/dev/null
    wine "$probe" type 2040 300 0x501 >/dev/null
    sleep 0.3
    [ "$(probe dlgtext "$options" 2040)" = 4 ] || fail "300 seconds replaced the waiting time"
    echo "status: $(probe dlgtext "$options" 1522)"
    [ -n "$(probe dlgtext "$options" 1522)" ] || fail "300 seconds refused without a word"
    wine "$probe" type 2040 10 0x501 >/dev/null
    wine "$probe" pick "$options" 1172 5 1 >/dev/null   # 10 mm, CBN_SELCHANGE
    shot options_dialog
    wine "$probe" press "$options" 15021 >/dev/null   # Дополнение
    probe dialog "$more" 10000 >/dev/null || fail "Дополнение did not open the continuation"
    shot options_more_dialog
    wine "$probe" press "$more" 15020 >/dev/null
    wine "$probe" gone "$more" 5000 || fail "Выход did not end the continuation"
    save
    echo "word 110: $w110 -> $(header w110), word 112: $(header w112), byte 222: $(header b222)"
    [ $(( $(header w110) & 1 )) = $(( (w110 & 1) ^ 1 )) ] || fail "1778 did not toggle word 110 bit 0"
    [ "$(header b222)" = 9 ] || fail "a waiting time of 10 s is not byte 222 = 9"
    [ $(( $(header w112) & 15 )) = 5 ] || fail "Дополнение did not store the text-height index (5)"

    # ---- symbol table
    wine "$probe" post SarVolt 0x0111 40053 0 >/dev/null
    probe dialog "$symbols" 10000 > "$work/symbols.txt" || fail "no symbol table"
    grep -q "!\\\\n033" "$work/symbols.txt" || fail "no caption for code 33"
    shot symbol_table
    wine "$probe" type 15101 "" 0 >/dev/null          # a click on '!'
    wine "$probe" click "$symbols" 1171 >/dev/null    # register 1
    sleep 0.3
    wine "$probe" type 15101 "" 0 >/dev/null
    sleep 0.3
    line=$(probe dlgtext "$symbols" 1705)
    echo "line: $line, clipboard: $(probe clipboard)"
    [ "$line" = '!@1!' ] || fail "collected line: $line"
    [ "$(probe clipboard)" = "$line" ] || fail "the clipboard does not hold the line"
    wine "$probe" press "$symbols" 2 >/dev/null
    wine "$probe" gone "$symbols" 5000 || fail "Выход did not end the symbol table"
else
    fail "frame window not found"
fi
finish
