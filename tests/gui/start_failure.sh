#!/usr/bin/env bash
# A program file whose resources cannot be loaded refuses to start: it shows
# "ОШИБКА загрузки ресурсов" and ends with a non-zero exit code.  Two damaged
# copies: one whose resource directory names the font type "GFNX" instead of
# "GFNT", one whose packed settings block has a changed byte.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"

damage() {  # damage KIND COPY
    python3 - "$exe" "$2" "$1" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
if sys.argv[3] == "font":
    at = data.find(b"\x04\x00" + "GFNT".encode("utf-16-le"))
    if at < 0:
        sys.exit(1)
    data[at + 2:at + 10] = "GFNX".encode("utf-16-le")
else:
    name = data.find(b"SETTINGS.BR_")
    at = data.rfind(b"\xca\xf4", 0, name)
    if name < 0 or at < 0 or name - at > 64:
        sys.exit(1)
    data[at + 600] ^= 0x55  # inside the packed block's data
open(sys.argv[2], "wb").write(bytes(data))
PY
}

for kind in font settings; do
    copy=$work/$kind/SARVOLT.exe
    mkdir -p "$work/$kind"
    damage $kind "$copy" || { fail "$kind: nothing to damage found"; continue; }
    # Each copy runs on a virtual desktop of its own, of a size the program
    # accepts, so no screen left by an earlier scenario decides the outcome;
    # the probe starts it there and writes down its exit code.
    export GUI_PROBE_DESKTOP=fail$$$kind
    (cd "$work/$kind" && exec wine explorer "/desktop=$GUI_PROBE_DESKTOP,1280x1024" \
        "$probe" run exit_code.txt SARVOLT.exe) &
    pid=$!
    for _ in $(seq 1 100); do
        wine "$probe" acp >/dev/null 2>&1 && break
        sleep 0.2
    done
    found=
    # A damaged block may first be reported by the reader itself.
    for _ in 1 2 3; do
        texts=$(probe dialog "В Н И М А Н И Е !!!" 30000) || break
        echo "$kind: $texts" | grep 1001
        wine "$probe" press "В Н И М А Н И Е !!!" 1
        wine "$probe" gone "В Н И М А Н И Е !!!" 5000
        grep -q "^1001	ОШИБКА загрузки ресурсов" <<<"$texts" && { found=1; break; }
    done
    [ -n "$found" ] || fail "$kind: no resource-loading message"
    code=
    for _ in $(seq 1 300); do
        [ -s "$work/$kind/exit_code.txt" ] && { code=$(tr -d '\r\n' < "$work/$kind/exit_code.txt"); break; }
        sleep 0.1
    done
    if [ -z "$code" ]; then
        fail "$kind: SARVOLT.exe did not end"
        wine "$probe" terminate SarVolt "В Н И М А Н И Е !!!" >/dev/null 2>&1
        kill "$pid" 2>/dev/null
    elif [ "$code" = 0 ]; then
        fail "$kind: a failed start ended with exit code 0"
    fi
    echo "$kind: exit code $code"
done
finish
