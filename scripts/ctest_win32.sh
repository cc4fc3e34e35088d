#!/usr/bin/env bash
# Runs the win32 tree's tests under Wine with one persistent wineserver, so
# each test program starts in well under a second.  Called inside xvfb-run.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SARVOLT_BUILD:-$here/build}
source "$here/scripts/wine_env.sh"
wineserver -p
wine cmd /c exit 0 >/dev/null 2>&1   # starts the prefix's services once
(cd "$build/win32" && ctest --output-on-failure -j4 "$@")
rc=$?
wineserver -k
exit $rc
