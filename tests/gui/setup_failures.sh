#!/usr/bin/env bash
# The installer's bad cases in a throwaway prefix: a target folder that
# cannot be made stops with its message and leaves the machine as it was
# (and the main window cannot be closed while the worker runs);
# an installation that stopped half way (some files copied, one of them
# read-only, one newer than the distribution's copy, no registry entries) is
# completed by a second run, which keeps the newer file and says the run is
# not complete, yet writes the registry and the shortcut; without the
# all-users program menu in the registry, the shortcut goes to the user's.
set -u
source "$(dirname "$0")/setup_lib.bash" "$1"

dist_unix="$drive_c/Дистрибутив"
cp -r "$distribution" "$dist_unix"
options="Выбор пути для установки"
progress="Процесс установки файлов"
app='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\SARVOLT.exe'

# ---- a target below a plain file cannot be made
echo busy > "$drive_c/Занято"
start_setup "$dist_unix" 'C:\Дистрибутив\Setup.exe'
probe dialog "$options" 20000 >/dev/null || fail "no options dialog"
wine "$probe" settext "$options" 1000 'C:\Занято\Zorvan' >/dev/null
wine "$probe" click "$options" 1016 >/dev/null   # no desktop icon
wine "$probe" press "$options" 1 >/dev/null
msg=$(probe dialog "$caution" 20000)
echo "message: $msg"
[[ $msg == *"Ошибка создания директории назначения"* ]] || fail "no message for an unwritable target"
# The worker still waits on its message: the main window refuses to close.
wine "$probe" post Setup 0x10 0 0 >/dev/null || fail "no main window to close"
sleep 1
wine "$probe" title Setup >/dev/null 2>&1 || fail "the main window closed while the worker ran"
wine "$probe" press "$caution" 1 >/dev/null
result=$(wait_text "$progress" 1010 "завершён")
[ "$result" = " Процесс  установки  не  завершён !" ] || fail "result: $result"
wine "$probe" press "$progress" 1 >/dev/null
setup_ended || fail "setup did not end"
wine reg query "$app" >/dev/null 2>&1 && fail "App Paths written although nothing was installed"
[ -f "$drive_c/Занято" ] || fail "the blocking file was touched"

# ---- a half installation, completed by a second run
target_unix="$drive_c/Program Files/Zorvan"
mkdir -p "$target_unix"
for f in SARVOLT.exe Setup.exe "Болт.svt" "Что нового.htm"; do
    cp -p "$distribution/$f" "$target_unix/$f"
done
chmod a-w "$target_unix/SARVOLT.exe"                # read-only in Wine's eyes
echo "edited by the user" > "$target_unix/Что нового.htm"
touch -d '+1 day' "$target_unix/Что нового.htm"     # newer than the distribution's
folders='HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
wine reg delete "$folders" /v 'Common Programs' /f >/dev/null 2>&1 || fail "cannot delete Common Programs"
user_programs=$(wine reg query "${folders/HKLM/HKCU}" /v Programs 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p')
user_programs_unix=$(winepath -u "$user_programs" 2>/dev/null | tr -d '\r')
echo "user programs: $user_programs"
start_setup "$dist_unix" 'C:\Дистрибутив\Setup.exe'
probe dialog "$options" 20000 >/dev/null || fail "no options dialog"
wine "$probe" click "$options" 1016 >/dev/null
wine "$probe" press "$options" 1 >/dev/null
result=$(wait_text "$progress" 1010 "завершён")
echo "result: $result"
[ "$result" = " Процесс  установки  не  завершён !" ] || fail "result with a kept newer file: $result"
wine "$probe" press "$progress" 1 >/dev/null
setup_ended || fail "setup did not end"
[ "$(cat "$target_unix/Что нового.htm")" = "edited by the user" ] || fail "the newer file was overwritten"
cmp -s "$distribution/SARVOLT.exe" "$target_unix/SARVOLT.exe" || fail "the read-only file was not replaced"
[[ $(stat -c %A "$target_unix/SARVOLT.exe") == ??w* ]] || fail "the replaced file is still read-only"
missing=$(cd "$distribution" && find . -type f | while read -r f; do [ -f "$target_unix/$f" ] || echo "$f"; done)
[ -z "$missing" ] || fail "not installed: $missing"
wine reg query "$app" >/dev/null 2>&1 || fail "no App Paths after the second run"
[ -n "$user_programs" ] && [ -f "$user_programs_unix/SARVOLT.lnk" ] || fail "no shortcut in the user's programs"
[ -e "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/SARVOLT.lnk" ] && fail "shortcut in the all-users menu"
[ -e "$drive_c/users/Public/Desktop/SARVOLT.lnk" ] && fail "a desktop shortcut although none was asked for"

setup_finish
