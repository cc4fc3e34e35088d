#!/usr/bin/env bash
# Sets everything up, builds the program and starts SARVOLT under Wine.  On a
# machine with no display it starts it under Xvfb and says so.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SARVOLT_BUILD:-$here/build}
bash "$here/scripts/setup.sh" || exit 1
bash "$here/scripts/build.sh" win32 >"$build/run-build.log" 2>&1 \
    || { tail -n 30 "$build/run-build.log"; echo "build failed"; exit 1; }
source "$here/scripts/wine_env.sh"
if [ -n "${DISPLAY:-}" ]; then
    exec wine "$build/win32/bin/SARVOLT.exe" "$@"
fi
echo "No display: SARVOLT runs under Xvfb (a virtual screen of 1280x1024)."
exec xvfb-run -a -s '-screen 0 1280x1024x24' wine "$build/win32/bin/SARVOLT.exe" "$@"
