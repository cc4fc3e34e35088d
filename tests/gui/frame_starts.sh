#!/usr/bin/env bash
# SARVOLT.exe starts under Wine, shows its frame window of class "SarVolt"
# with the program's title, and ends when the frame is closed.
set -u
build=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
source "$here/scripts/wine_env.sh"
probe=$build/bin/gui_probe.exe
shots=$build/screenshots
mkdir -p "$shots"

[ "$(wine "$probe" acp | tr -d '\r')" = 1251 ] || { echo "ANSI code page is not 1251"; exit 1; }

work=$(mktemp -d)
cd "$work" || exit 1
wine "$build/bin/SARVOLT.exe" &
pid=$!
status=0
if wine "$probe" wait SarVolt "SARVOLT - Конструкторская документация" 60000; then
    # Started without a drawing: the start dialog comes first.
    if wine "$probe" dialog " С чего начать?" 10000 >/dev/null; then
        wine "$probe" press " С чего начать?" 2
        wine "$probe" gone " С чего начать?" 5000 || { echo "start dialog did not close"; status=1; }
    else
        echo "no start dialog"; status=1
    fi
    import -window root "$shots/frame_starts.png" || echo "screenshot failed"
    wine "$probe" close SarVolt 20000 || { echo "frame did not close"; status=1; }
else
    echo "frame window not found"; status=1
fi
for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    echo "SARVOLT.exe still running after its frame was closed"
    kill "$pid"; status=1
else
    wait "$pid" || true
fi
rm -rf "$work"
exit $status
