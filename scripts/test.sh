#!/usr/bin/env bash
# Sets everything up, builds both trees and runs every test: the portable
# core natively under the sanitizers, then the whole win32 tree under Wine
# and Xvfb.  Ends with the totals of both runs.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SARVOLT_BUILD:-$here/build}
bash "$here/scripts/setup.sh" || exit 1

status=0
echo "== build native"
bash "$here/scripts/build.sh" native || { echo "native build failed"; exit 1; }
echo "== build win32"
bash "$here/scripts/build.sh" win32 || { echo "win32 build failed"; exit 1; }
# Where the kernel cannot run 32-bit code (see wine_bits.sh), the Wine tests
# run the same sources built for 64-bit Windows under wine64; the i686 tree is
# still built above, so the program that ships keeps compiling.
wine_bits=$(bash "$here/scripts/wine_bits.sh")
wine_tree=win32
if [ "$wine_bits" = 64 ]; then
    wine_tree=win64
    echo "== build win64 (this machine cannot run 32-bit code: the Wine tests run the 64-bit build)"
    bash "$here/scripts/build.sh" win64 || { echo "win64 build failed"; exit 1; }
fi

echo "== tests: native (AddressSanitizer, UndefinedBehaviorSanitizer)"
(cd "$build/native" && ctest --output-on-failure -j"$(nproc)") | tee "$build/native-ctest.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

echo "== tests: $wine_tree under Wine"
xvfb-run -a -s '-screen 0 1280x1024x24' bash "$here/scripts/ctest_win32.sh" | tee "$build/$wine_tree-ctest.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

total() { sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$1" | tail -n 1; }
read -r nf nt < <(total "$build/native-ctest.log"; echo)
read -r wf wt < <(total "$build/$wine_tree-ctest.log"; echo)
nf=${nf:-0}; nt=${nt:-0}; wf=${wf:-0}; wt=${wt:-0}
failed=$((nf + wf))
passed=$((nt + wt - failed))
[ "$nt" -gt 0 ] && [ "$wt" -gt 0 ] || status=1
echo "tests: $passed passed, $failed failed"
exit $status
