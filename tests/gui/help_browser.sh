#!/usr/bin/env bash
# A help command starts the browser of the ".htm" association on the manual
# page at the topic's anchor, as one quoted argument.  A recorder named
# iexplore.exe stands in for the browser.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

mkdir -p "$work/browser"
cp "$probe" "$work/browser/iexplore.exe"
export GUI_PROBE_RECORD=$work/record.txt
# A fresh prefix may lack the ".htm" association: the test then adds it.
progid=$(wine reg query 'HKCR\.htm' /ve 2>/dev/null | tr -d '\r' | awk '/REG_SZ/ {print $NF}')
added_htm=
if [ -z "$progid" ]; then
    progid=htmlfile
    wine reg add 'HKCR\.htm' /ve /d htmlfile /f >/dev/null
    added_htm=1
fi
key="HKCR\\$progid\\shell\\opennew\\command"
browser=$(winepath -w "$work/browser/iexplore.exe" | tr -d '\r')
wine reg add "$key" /ve /d "\"$browser\" \"%1\"" /f >/dev/null

# The help pages sit beside the program, which is started in its own folder.
start_sarvolt 1280x1024 "$build/bin"
if wine "$probe" wait SarVolt "SARVOLT - Конструкторская документация" 60000 >/dev/null; then
    dismiss_start_dialog
    sleep 1
    wine "$probe" post SarVolt 0x111 40071 0   # manual, 5.4 (topic 10)
    for _ in $(seq 1 50); do [ -s "$GUI_PROBE_RECORD" ] && break; sleep 0.2; done
    line=$(cat "$GUI_PROBE_RECORD" 2>/dev/null)
    echo "browser: $line"
    [[ $line == *'iexplore.exe" "'*'\Руководство.htm#5_4_Построение_вида"' ]] \
        || fail "browser command line differs"
else
    fail "frame window not found"
fi
wine reg delete "HKCR\\$progid\\shell\\opennew" /f >/dev/null 2>&1
[ -n "$added_htm" ] && wine reg delete 'HKCR\.htm' /f >/dev/null 2>&1
finish
