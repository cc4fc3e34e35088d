#!/usr/bin/env bash
# The installer's resources, read from the built setup.exe with icoutils'
# wrestool: the manifest that asks for elevation, icon group 102 with its
# two sizes, and the three pictures at their sizes.
set -u
build=$1
exe=$build/bin/setup.exe
work=$(mktemp -d)
status=0
fail() { echo "FAIL: $*"; status=1; }

wrestool -x --raw --type=24 --name=1 "$exe" -o "$work/manifest.xml" 2>/dev/null
grep -q 'requestedExecutionLevel level="requireAdministrator"' "$work/manifest.xml" 2>/dev/null \
    || fail "no manifest asking for administrator rights"
wrestool -x --type=14 --name=102 "$exe" -o "$work/icon.ico" 2>/dev/null
sizes=$(identify -format '%wx%h ' "$work/icon.ico" 2>/dev/null)
[ "$sizes" = "32x32 16x16 " ] || fail "icon group 102 sizes: $sizes"
for pair in 103:338x400 106:480x42 107:265x50; do
    id=${pair%%:*}
    want=${pair#*:}
    wrestool -x --type=2 --name="$id" "$exe" -o "$work/$id.bmp" 2>/dev/null
    got=$(identify -format '%wx%h' "$work/$id.bmp" 2>/dev/null)
    [ "$got" = "$want" ] || fail "bitmap $id is $got, not $want"
done
# The association's icon "SARVOLT.exe,1" is the second icon group of the
# program in resource order: it must be the drawing-document icon.
second=$(wrestool -l --type=14 "$build/bin/SARVOLT.exe" 2>/dev/null | sed -n '2s/.*--name=\([0-9]*\).*/\1/p')
here=$(cd "$(dirname "$0")/../.." && pwd)
grep -q "#define IDI_DOCUMENT $second\$" "$here/shell/resource_ids.h" \
    || fail "icon group 1 of SARVOLT.exe is $second, not the document icon"
# The pictures of the manual in the distribution are readable GIF files.
for f in "$build/distribution/home.gif" "$build/distribution/01/рис1.gif"; do
    identify "$f" >/dev/null 2>&1 || fail "$f is no readable picture"
done
rm -rf "$work"
exit $status
