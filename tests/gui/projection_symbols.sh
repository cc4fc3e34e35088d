#!/usr/bin/env bash
# A drawing with a circle sign, a transparent picture symbol and a picture
# bent along four points opens without a message (its pictures load), shows
# its projection (screenshot), and saved and closed keeps its picture
# records and symbols field by field.  The same drawing with a damaged
# picture gets the damaged-data message and still opens its projection.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/picture_symbols_fixture.exe
trap finish EXIT

(cd "$work" && wine "$fixture" pictures.svt >/dev/null 2>&1) || { fail "fixture drawing not written"; exit 1; }
list() { (cd "$work" && wine "$fixture" --list "$1" | tr -d '\r'); }
before=$(list pictures.svt)
echo "$before"
[ "$(printf '%s\n' "$before" | grep -c '^picture ')" = 2 ] || fail "the fixture has not two pictures"
[ "$(printf '%s\n' "$before" | grep -c '^symbol ')" = 3 ] || fail "the fixture has not three symbols"

wait_views() {
    local _
    for _ in $(seq 1 100); do
        [ -n "$(probe views SarVolt)" ] && return 0
        sleep 0.2
    done
    return 1
}

start_sarvolt 1280x1024 "$work" pictures.svt
wine "$probe" wait SarVolt "" 60000 >/dev/null
[ -n "$(probe title SarVolt)" ] || { fail "SARVOLT did not start"; exit 1; }
if text=$(probe popup 1001 3000); then fail "message at opening: $text"; wine "$probe" answer 1001 1 ok; fi
wait_views || fail "no projection window"
sleep 1
shot projection_symbols
save_and_quit
after=$(list pictures.svt)
[ "$after" = "$before" ] || { fail "records changed by opening and saving"; echo "$after"; }

(cd "$work" && wine "$fixture" damaged.svt --damaged >/dev/null 2>&1) || { fail "damaged drawing not written"; exit 1; }
start_sarvolt 1280x1024 "$work" damaged.svt
wine "$probe" wait SarVolt "" 60000 >/dev/null
seen=""
for _ in 1 2 3; do
    text=$(probe popup 1001 5000) || break
    seen="$seen|$text"
    wine "$probe" answer 1001 1 ok
    sleep 0.5
done
echo "messages: $seen"
[[ $seen == *"структуре данных"* ]] || fail "no message for the damaged picture"
wait_views || fail "the damaged drawing opened no projection window"
shot projection_symbols_damaged
wine "$probe" close SarVolt 10000 >/dev/null 2>&1
wait_end || fail "SARVOLT.exe did not end"
