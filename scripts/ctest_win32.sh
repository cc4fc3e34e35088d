#!/usr/bin/env bash
# Runs the Windows tree's tests under Wine (the i686 tree, or the x86_64
# tree where the machine cannot run 32-bit code: see wine_env.sh) with one persistent wineserver, so
# each test program starts in well under a second.  Called inside xvfb-run.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SARVOLT_BUILD:-$here/build}
source "$here/scripts/wine_env.sh"
wineserver -p
wine cmd /c exit 0 >/dev/null 2>&1   # starts the prefix's services once
(cd "$SARVOLT_WINE_TREE" && ctest --output-on-failure -j4 "$@")
rc=$?
wineserver -k
exit $rc
