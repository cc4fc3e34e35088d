#!/usr/bin/env bash
# Started without a drawing, SARVOLT.exe shows the start dialog: the recent
# drawings seeded in the registry are listed in order, "Выбрать" stays
# disabled and does nothing without a selection, the web-site button leaves
# the dialog open, and a double click on the first line opens that drawing.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
title=" С чего начать?"
key='HKCU\SOFTWARE\Zorvan\SARVOLT'

# Three small drawings of the current format.
write_small_drawing "$work/first.svt" "$work/second.svt" "$work/third.svt"
# A recorder named iexplore.exe stands in for the browser of the web site.
mkdir -p "$work/browser"
cp "$probe" "$work/browser/iexplore.exe"
export GUI_PROBE_RECORD=$work/record.txt
progid=$(wine reg query 'HKCR\.htm' /ve 2>/dev/null | tr -d '\r' | awk '/REG_SZ/ {print $NF}')
added_htm=
if [ -z "$progid" ]; then
    progid=htmlfile
    wine reg add 'HKCR\.htm' /ve /d htmlfile /f >/dev/null
    added_htm=1
fi
browser=$(winepath -w "$work/browser/iexplore.exe" | tr -d '\r')
wine reg add "HKCR\\$progid\\shell\\opennew\\command" /ve /d "\"$browser\" \"%1\"" /f >/dev/null

wine reg delete "$key" /f >/dev/null 2>&1
dir=$(winepath -w "$work" 2>/dev/null | tr -d '\r')
n=1
for name in first second third; do
    wine reg add "$key" /v "LastFile$n" /d "$dir\\$name.svt" /f >/dev/null
    n=$((n + 1))
done

start_sarvolt 1280x1024 "$work"
if probe dialog "$title" 60000 > "$work/controls.txt"; then
    shot start_dialog
    lines=$(probe lines "$title" 1675)
    echo "listed:"; echo "$lines"
    [ "$(echo "$lines" | wc -l)" = 3 ] || fail "the list does not hold three lines"
    for i in 1 2 3; do
        name=$(echo "$lines" | sed -n "${i}p")
        want=$(echo first second third | cut -d' ' -f$i)
        [[ $name == *"$want.svt" ]] || fail "line $i is not $want.svt: $name"
    done
    grep -q "SARVOLT  версии  9.4" "$work/controls.txt" || fail "no version text"
    grep -q "     Начать новый чертёж" "$work/controls.txt" || fail "no new-drawing button text"
    [ "$(probe enabled "$title" 1)" = 0 ] || fail "\"Выбрать\" enabled without a selection"
    # "Выбрать" with no selection, and the web-site button, leave it open.
    wine "$probe" press "$title" 1 >/dev/null
    sleep 0.5
    probe dialog "$title" 2000 >/dev/null || fail "\"Выбрать\" without a selection ended the dialog"
    wine "$probe" press "$title" 1934 >/dev/null
    sleep 0.5
    probe dialog "$title" 2000 >/dev/null || fail "the web-site button ended the dialog"
    for _ in $(seq 1 50); do [ -s "$GUI_PROBE_RECORD" ] && break; sleep 0.2; done
    echo "browser: $(cat "$GUI_PROBE_RECORD" 2>/dev/null)"
    grep -q "sarvolt.example" "$GUI_PROBE_RECORD" 2>/dev/null || fail "the web site was not opened"
    # A selection enables "Выбрать"; a double click opens the first drawing.
    wine "$probe" pick "$title" 1675 0 1 >/dev/null   # LBN_SELCHANGE
    sleep 0.3
    [ "$(probe enabled "$title" 1)" = 1 ] || fail "\"Выбрать\" still disabled after a selection"
    wine "$probe" pick "$title" 1675 0 2 >/dev/null   # LBN_DBLCLK
    wine "$probe" gone "$title" 10000 || fail "the double click did not end the dialog"
    got=""
    for _ in $(seq 1 100); do
        got=$(probe title SarVolt)
        [[ $got == first.svt* ]] && break
        sleep 0.2
    done
    echo "title: $got"
    [[ $got == first.svt* ]] || fail "the first recent drawing was not opened: $got"
    shot start_dialog_opened
else
    fail "the start dialog did not appear"
fi
wine reg delete "$key" /f >/dev/null 2>&1
wine reg delete "HKCR\\$progid\\shell\\opennew" /f >/dev/null 2>&1
[ -n "$added_htm" ] && wine reg delete 'HKCR\.htm' /f >/dev/null 2>&1
finish
