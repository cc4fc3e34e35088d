#!/usr/bin/env bash
# Prints 32 when this machine runs 32-bit Wine (the i686 tree is tested under
# it), else 64: a kernel with 32-bit emulation switched off cannot execute the
# 32-bit Wine loader, and the Wine tests then run the x86_64 tree under wine64.
if [ -n "${SARVOLT_WINE_BITS:-}" ]; then
    echo "$SARVOLT_WINE_BITS"
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo 32
else
    echo 64
fi
