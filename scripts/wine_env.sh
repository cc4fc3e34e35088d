# Sourced by the scripts that start a program under Wine: the project's own
# prefix and the Russian locale, which gives the ANSI code page 1251.
# SARVOLT_WINE_BITS (32 or 64, see wine_bits.sh) picks the tree and the Wine:
# 32 runs the i686 tree in a 32-bit prefix, 64 the x86_64 tree under wine64
# in a 64-bit prefix.
_here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
_build=${SARVOLT_BUILD:-$_here/build}
export SARVOLT_WINE_BITS=${SARVOLT_WINE_BITS:-$(bash "$_here/scripts/wine_bits.sh")}
if [ "$SARVOLT_WINE_BITS" = 64 ]; then
    export WINEPREFIX=${WINEPREFIX:-$_build/wineprefix64}
    export WINEARCH=win64
    export SARVOLT_WINE_TREE=$_build/win64
    # Every "wine" (and Wine's own tool launchers, which call wine-stable)
    # must reach the 64-bit loader, under its own name: the loader finds its
    # preloader by the name it was started with.
    mkdir -p "$_build/wine64-bin"
    for _n in wine wine-stable; do
        [ -f "$_build/wine64-bin/$_n" ] && continue
        printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' > "$_build/wine64-bin/$_n"
        chmod +x "$_build/wine64-bin/$_n"
    done
    [ -f "$_build/wine64-bin/wineserver" ] \
        || { printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' > "$_build/wine64-bin/wineserver"; chmod +x "$_build/wine64-bin/wineserver"; }
    case ":$PATH:" in *":$_build/wine64-bin:"*) ;; *) export PATH="$_build/wine64-bin:$PATH" ;; esac
else
    export WINEPREFIX=${WINEPREFIX:-$_build/wineprefix}
    export WINEARCH=win32
    export SARVOLT_WINE_TREE=$_build/win32
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LOCPATH=${SARVOLT_CACHE:-$_here/.cache}/locale
{ export LC_ALL=ru_RU.UTF-8; } 2>/dev/null
unset _here _build _n
