#!/usr/bin/env bash
# "Определить проекцию объекта": "Запустить сканер" without a file name is
# refused, and over an existing file it asks first ("No" starts nothing).
# "Найти  фрагмент": a library of an old file structure and one without
# projections are refused with their messages and list nothing; a library
# with two projections lists both, and "Выполнить" with one chosen opens a
# fragment window.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/projection_fixture.exe

(cd "$work" && wine "$fixture" lib.svt 1 2 >/dev/null 2>&1) || fail "library not written"
# The same file of the old structure (header version 12357), and one whose
# projection chain is empty.
python3 - "$work/lib.svt" "$work/old.svt" "$work/empty.svt" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
old = bytearray(data)
struct.pack_into("<H", old, 4, 12357)
open(sys.argv[2], "wb").write(old)
empty = bytearray(data)
struct.pack_into("<I", empty, 60, 0)
open(sys.argv[3], "wb").write(empty)
PY
views_count() { probe views SarVolt | grep -c .; }
fragments() { probe items "#32770" 1100; }

# Types a library path into the dialog and leaves the field; prints the
# message that comes, if any, after pressing its OK.
library() {
    probe type 1008 "$(winpath "$work/$1")" 0x0200 >/dev/null &
    local typing=$! text="" _
    for _ in 1 2 3; do
        if text=$(probe popup 1001 1500); then
            wine "$probe" answer 1001 1 ok >/dev/null
            wine "$probe" gone "В Н И М А Н И Е !!!" 5000 >/dev/null 2>&1
            break
        fi
        # A question would be a fault here: answered "No" and reported.
        if text=$(probe popup 1033 500); then
            wine "$probe" answer 1033 2 no >/dev/null
            text="question: $text"
            break
        fi
        kill -0 "$typing" 2>/dev/null || break
    done
    for _ in $(seq 1 50); do kill -0 "$typing" 2>/dev/null || break; sleep 0.1; done
    kill "$typing" 2>/dev/null
    wait "$typing" 2>/dev/null
    echo "$text"
}

start_with_one_view

# The scanner needs a file name, and asks before replacing a file.
wine "$probe" post SarVolt 0x0111 40099 0 >/dev/null
probe popup 1088 10000 >/dev/null || fail "no projection dialog"
wine "$probe" click "Определить проекцию объекта" 1098 || fail "\"Без эскиза\" not cleared"
sleep 0.5
wine "$probe" click "Определить проекцию объекта" 1674 || fail "scanner button not pressed"
text=$(probe popup 1001 5000) && wine "$probe" answer 1001 1 ok >/dev/null
wine "$probe" gone "В Н И М А Н И Е !!!" 5000 >/dev/null 2>&1
echo "scanner: $text"
[[ $text == *"Не задано имя файла для эскиза проекции!"* ]] || fail "scanner without a file name: '$text'"
wine "$probe" settext "Определить проекцию объекта" 1008 "$(winpath "$work/lib.svt")" || fail "path not typed"
wine "$probe" click "Определить проекцию объекта" 1674 || fail "scanner button not pressed"
text=$(probe popup 1033 5000) && wine "$probe" answer 1033 2 no >/dev/null
for _ in $(seq 1 50); do probe popup 1033 100 >/dev/null || break; sleep 0.1; done
echo "scanner over a file: $text"
[[ $text == *"Файл существует!"* ]] || fail "no question before scanning over a file: '$text'"
sleep 0.5
probe popup 1001 1000 >/dev/null && fail "a message after \"No\""
wine "$probe" answer 1088 2 cancel || fail "projection dialog not cancelled"
sleep 0.5
[ "$(views_count)" = 1 ] || fail "the cancelled projection dialog added a window"

wine "$probe" post SarVolt 0x0111 40100 0 >/dev/null
probe popup 1100 10000 >/dev/null || fail "no fragment dialog"
probe dialog "Найти  фрагмент" 3000 >/dev/null || fail "the fragment dialog's caption"

text=$(library old.svt)
echo "old: $text"
[[ $text == *"Старая версия структуры файла"* ]] || fail "an old library was not refused: '$text'"
[ -z "$(fragments)" ] || fail "an old library listed fragments"
text=$(library empty.svt)
echo "empty: $text"
[[ $text == *"В файле нет фрагментов!"* ]] || fail "a library without projections was not refused: '$text'"
[ -z "$(fragments)" ] || fail "an empty library listed fragments"
text=$(library lib.svt)
[ -z "$text" ] || fail "a good library gave a message: '$text'"
listed=$(fragments)
echo "listed: $listed"
[ "$(printf '%s\n' "$listed" | grep -c .)" = 2 ] || fail "the library's two projections are not listed"
printf '%s\n' "$listed" | grep -q "Вид спереди" || fail "\"Вид спереди\" not listed"

wine "$probe" pickin "#32770" 1100 0 || fail "fragment not chosen"
title=$(probe dlgtext "Найти  фрагмент" 1012)
echo "title: $title"
[[ $title == "-из lib.svt/"* ]] || fail "the title does not name the library: '$title'"
wine "$probe" answer 1100 1 run || fail "\"Выполнить\" not pressed"
for _ in $(seq 1 50); do
    [ "$(views_count)" = 2 ] && break
    sleep 0.2
done
probe views SarVolt
[ "$(views_count)" = 2 ] || fail "no fragment window after \"Выполнить\""
shot fragment_library_dialog
wine "$probe" post SarVolt 0x0010 0 0 >/dev/null
wine "$probe" answer 1033 2 no >/dev/null 2>&1
wait_end || fail "SARVOLT.exe did not end"
finish
