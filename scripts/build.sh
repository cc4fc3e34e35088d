#!/usr/bin/env bash
# Configures and builds one tree: native (portable core and its tests, under
# the sanitizers), win32 (the programs and every test, for Wine) or win64
# (the same for 64-bit Wine).
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SARVOLT_BUILD:-$here/build}
jobs=$(nproc)
case "${1:-}" in
native)
    cmake -S "$here" -B "$build/native" -DCMAKE_BUILD_TYPE=Debug -DSARVOLT_SANITIZE=ON >/dev/null \
        && cmake --build "$build/native" -j"$jobs" ;;
win32)
    cmake -S "$here" -B "$build/win32" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-i686-mingw.cmake" >/dev/null \
        && cmake --build "$build/win32" -j"$jobs" ;;
win64)
    # The same sources for 64-bit Windows: the Wine test tree of machines
    # that cannot run 32-bit code (see wine_bits.sh).
    cmake -S "$here" -B "$build/win64" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-x86_64-mingw.cmake" >/dev/null \
        && cmake --build "$build/win64" -j"$jobs" ;;
*)
    echo "usage: build.sh native|win32|win64" >&2; exit 64 ;;
esac
