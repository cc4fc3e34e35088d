#!/usr/bin/env bash
# Runs one Windows program under Wine with the project's prefix and locale;
# CTest uses it as the emulator of the cross-built test programs.
source "$(dirname "$0")/wine_env.sh"
exec wine "$@"
