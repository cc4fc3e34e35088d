#!/usr/bin/env bash
# At the annotation stage a right click on a placed leader opens its
# property dialog "Выноска" (with its conventional-sign and variables
# lists); Cancel closes it and the program goes on.  The panel's command
# for the sign of unmarked surfaces opens that sign's dialog; re-placing
# the dimensions and replacing the sketches leave the program answering.
# Screenshots of the dialogs.
set -u
build=$1
source "$(dirname "$0")/gui_lib.bash"
fixture=$build/bin/elements_fixture.exe
trap finish EXIT

start_annotation_stage

probe notify SarVolt 1156 0 >/dev/null || { fail "no annotation panel"; exit 1; }
probe notify SarVolt 1160 0 >/dev/null || fail "no leader tool"
sleep 0.3
mouse 0x0201 60 50 1; mouse 0x0202 60 50 0      # a leader at (60, 50)
probe notify SarVolt 1156 0 >/dev/null
sleep 0.3
# The right click on the leader's arrow end.
mouse 0x0204 59.4 50 2; mouse 0x0205 59.4 50 0
texts=$(probe dialog "Выноска" 15000) || { fail "no leader dialog after a right click"; exit 1; }
sleep 0.5
shot annotation_properties_leader
printf '%s\n' "$texts" | grep -q "^1535" || fail "the dialog has no conventional-sign list"
printf '%s\n' "$texts" | grep -q "^1586" || fail "the dialog has no variables list"
probe press "Выноска" 2 >/dev/null || fail "no Cancel button"
wine "$probe" gone "Выноска" 10000 >/dev/null || fail "the dialog did not close"
wine "$probe" post SarVolt 0x0111 40196 0 >/dev/null   # the sign for unmarked surfaces
probe dialog "Общая шерохов." 15000 >/dev/null || fail "no dialog of the sign for unmarked surfaces"
sleep 0.5
shot annotation_properties_general_roughness
probe press "Общая шерохов." 2 >/dev/null || fail "no Cancel button in the roughness dialog"
wine "$probe" gone "Общая шерохов." 10000 >/dev/null || fail "the roughness dialog did not close"
wine "$probe" post SarVolt 0x0111 40201 0 >/dev/null   # re-place the dimensions
wine "$probe" post SarVolt 0x0111 40202 0 >/dev/null   # sketches from the true images
sleep 1
# The program answers again: the stage panel still takes a tool.
probe notify SarVolt 1160 0 >/dev/null || fail "the panel does not answer after the dialog"
save_and_quit
