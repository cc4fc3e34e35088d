# Sourced by the scripts that start a program under Wine: the project's own
# 32-bit prefix and the Russian locale, which gives the ANSI code page 1251.
_here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-${SARVOLT_BUILD:-$_here/build}/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LOCPATH=${SARVOLT_CACHE:-$_here/.cache}/locale
{ export LC_ALL=ru_RU.UTF-8; } 2>/dev/null
unset _here
