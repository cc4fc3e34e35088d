#!/usr/bin/env bash
# Packs the settings block and a few files with every method of the settings
# packer, written with the usual ARJ marker, and lets the arj archiver test
# each archive: an independent check of the packer's compression.
# Usage: check_packer_with_arj.sh ARJ SETTINGS_SOURCE [FILE...]
set -u
arj=$1
source=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
check() { # $1 label, then packer arguments
    local label=$1
    shift
    for m in 0 1 4; do
        python3 "$here/pack_settings_block.py" "$@" --method $m --arj-marker --archive "$work/t.arj" \
            || { echo "$label method $m: packer failed"; status=1; continue; }
        if "$arj" t -y "$work/t.arj" >"$work/log" 2>&1; then
            echo "$label method $m: ok"
        else
            echo "$label method $m: arj rejects the archive"; cat "$work/log"; status=1
        fi
    done
}
check "settings block" "$source"
for f in "$@"; do check "$(basename "$f")" --input "$f"; done
exit $status
