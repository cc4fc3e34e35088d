#!/usr/bin/env bash
# Sets everything up, builds the program and starts SARVOLT under Wine.  On a
# machine with no display it starts it under Xvfb and says so.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SARVOLT_BUILD:-$here/build}
bash "$here/scripts/setup.sh" || exit 1
source "$here/scripts/wine_env.sh"
# The i686 program, or the same program built for 64-bit Windows where this
# machine cannot run 32-bit code (see wine_bits.sh).
tree=win32
if [ "$SARVOLT_WINE_BITS" = 64 ]; then
    tree=win64
    echo "This machine cannot run 32-bit code: SARVOLT runs as its 64-bit build under wine64."
fi
bash "$here/scripts/build.sh" $tree >"$build/run-build.log" 2>&1 \
    || { tail -n 30 "$build/run-build.log"; echo "build failed"; exit 1; }
if [ -n "${DISPLAY:-}" ]; then
    exec wine "$SARVOLT_WINE_TREE/bin/SARVOLT.exe" "$@"
fi
echo "No display: SARVOLT runs under Xvfb (a virtual screen of 1280x1024)."
exec xvfb-run -a -s '-screen 0 1280x1024x24' wine "$SARVOLT_WINE_TREE/bin/SARVOLT.exe" "$@"
