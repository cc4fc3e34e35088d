#!/usr/bin/env bash
# The installer end to end in a throwaway prefix: an incomplete distribution
# is refused; the complete one installs into a folder that does not exist
# yet; files, registry values and shortcuts are checked with independent
# tools; the installed program opens a drawing through the association (a
# C:\Program.exe trap proves the quoting); the removal is refused while the
# program runs, then leaves no file, key or shortcut behind; "setup.exe help"
# starts the browser on the manual and ends.
set -u
source "$(dirname "$0")/setup_lib.bash" "$1"

dist_unix="$drive_c/Дистрибутив SARVOLT"
cp -r "$distribution" "$dist_unix"
target_unix="$drive_c/Program Files/Zorvan"
target='C:\Program Files\Zorvan'
options="Выбор пути для установки"

# ---- an incomplete distribution: no "\home.gif" (the last file checked)
bad_unix="$drive_c/Неполный"
cp -r "$distribution" "$bad_unix"
rm "$bad_unix/home.gif"
start_setup "$bad_unix" 'C:\Неполный\Setup.exe'
msg=$(probe dialog "$caution" 20000)
echo "check: $msg"
[[ $msg == *'Дистрибутив не полный! Нет:\nC:\Неполный\home.gif'* ]] || fail "missing file not named"
wine "$probe" press "$caution" 1 >/dev/null
probe dialog "$options" 10000 >/dev/null || fail "options dialog missing after a failed check"
[ "$(probe enabled "$options" 1)" = 0 ] || fail "Выполнить enabled with an incomplete distribution"
[ "$(probe enabled "$options" 1017)" = 1 ] || fail "Инструкция disabled with the manual present"
wine "$probe" press "$options" 2 >/dev/null
setup_ended || fail "setup did not end on Выход"
# ---- without the manual both manual buttons are disabled
mv "$dist_unix/Руководство.htm" "$work/manual.htm"
start_setup "$dist_unix" 'C:\Дистрибутив SARVOLT\Setup.exe'
msg=$(probe dialog "$caution" 20000)
[[ $msg == *'Нет:\nC:\Дистрибутив SARVOLT\Руководство.htm'* ]] || fail "missing manual not named: $msg"
wine "$probe" press "$caution" 1 >/dev/null
probe dialog "$options" 10000 >/dev/null || fail "options dialog missing after a failed check"
[ "$(probe enabled "$options" 1017)" = 0 ] || fail "Инструкция enabled without the manual"
[ "$(probe enabled "$options" 1020)" = 0 ] || fail "Обо всём enabled without the manual"
wine "$probe" press "$options" 2 >/dev/null
setup_ended || fail "setup did not end on Выход"
mv "$work/manual.htm" "$dist_unix/Руководство.htm"

# ---- the installation
start_setup "$dist_unix" 'C:\Дистрибутив SARVOLT\Setup.exe'
controls=$(probe dialog "$options" 20000)
wine "$probe" wait Setup " Установка программы SARVOLT 9.4" 5000 >/dev/null || fail "main window title"
echo "$controls"
want_size=$(python3 -c "import os,sys; t=sum(os.path.getsize(os.path.join(r,f)) for r,_,fs in os.walk(sys.argv[1]) for f in fs); print('%5.1f Мбайт' % (t*1e-6))" "$distribution")
[[ $controls == *$'1008\t'"$want_size"* ]] || fail "Объём does not show $want_size"
[ "$(probe dlgtext "$options" 1000)" = "$target" ] || fail "default target is not $target"
[ "$(probe enabled "$options" 1017)" = 1 ] || fail "Инструкция disabled with the manual present"
shot setup_options
# The save dialog of "Выбрать место для установки" opens (smoke test).
wine "$probe" press "$options" 1006 >/dev/null
if probe dialog "Где будет расположен SARVOLT.exe?" 10000 >/dev/null; then
    shot setup_choose_target
    cancel_dialog "Где будет расположен SARVOLT.exe?" || fail "save dialog did not close"
else
    fail "save dialog missing"
fi
# Typed with trailing blanks and a backslash; the sketch library asked for.
wine "$probe" settext "$options" 1000 "$target\\  " >/dev/null
# The control keeps what was typed: only the value taken is trimmed.
[ "$(probe dlgtext "$options" 1000)" = "$target\\  " ] || fail "the typed target was changed while typing"
wine "$probe" click "$options" 1026 >/dev/null
sleep 0.3
# The folder browser of "Указать корневую директорию библиотеки" opens (smoke test).
wine "$probe" press "$options" 1028 >/dev/null
if probe dialog "Обзор" 10000 >/dev/null; then
    shot setup_choose_library
    cancel_dialog "Обзор" || fail "folder browser did not close"
else
    fail "folder browser missing"
fi
wine "$probe" settext "$options" 1027 'C:\Эскизы\Мои' >/dev/null
wine "$probe" press "$options" 1 >/dev/null
progress="Процесс установки файлов"
result=$(wait_text "$progress" 1010 "завершён") || fail "installation did not finish"
echo "result: $result"
[[ $result == ' Процесс  установки  завершён !'* ]] || fail "installation result: $result"
shot setup_installed
wine "$probe" press "$progress" 1 >/dev/null
setup_ended || fail "setup did not end after OK"

# Files: the same tree as the distribution.
diff -r "$distribution" "$target_unix" >/dev/null || fail "installed tree differs from the distribution"
[ -d "$drive_c/Эскизы/Мои" ] || fail "library folder not made"

# Registry, read back with Wine's own reg tool: each key exported (with its
# sub-keys) as UTF-16 and every value compared.
app='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\SARVOLT.exe'
uninst='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan'
n=0
for key in "$app" 'HKCR\.svt' 'HKCR\svtfile' "$uninst" 'HKCU\SOFTWARE\Zorvan\SARVOLT'; do
    n=$((n + 1))
    wine reg export "$key" "$work/r$n.reg" /y >/dev/null 2>&1 || fail "no key $key"
done
wine reg query 'HKLM\SOFTWARE\Zorvan\Zorvan' >/dev/null 2>&1 || fail "maker's key missing"
program="\"$target\\SARVOLT.exe\""
open_cmd="$program \"%1\""
python3 - "$work" \
    "App Paths\\SARVOLT.exe|Path|$target" \
    "App Paths\\SARVOLT.exe|@|$target\\sarvolt.exe" \
    ".svt|@|svtfile" \
    "svtfile|@|Документ SARVOLT" \
    "svtfile\\DefaultIcon|@|$target\\SARVOLT.exe,1" \
    "svtfile\\shell\\new|@|Создать новый" \
    "svtfile\\shell\\new\\command|@|$program" \
    "svtfile\\shell\\open|@|Редактировать" \
    "svtfile\\shell\\open\\command|@|$open_cmd" \
    "svtfile\\shell\\print|@|Распечать" \
    "svtfile\\shell\\print\\command|@|$open_cmd" \
    "svtfile\\shell\\printto\\command|@|$open_cmd" \
    "Uninstall\\Zorvan|InstallLocation|$target" \
    "Uninstall\\Zorvan|UninstallString|\"$target\\setup.exe\" uninst" \
    "Uninstall\\Zorvan|DisplayName|SARVOLT - редактор чертежей" \
    "Uninstall\\Zorvan|DisplayIcon|$target\\sarvolt.exe" \
    "Uninstall\\Zorvan|DisplayVersion|9.4" \
    "Uninstall\\Zorvan|Publisher|" \
    "Zorvan\\SARVOLT|Photolib|C:\\Эскизы\\Мои\\" <<'PY' || fail "registry values differ"
import glob, sys
values = {}
for f in sorted(glob.glob(sys.argv[1] + '/r*.reg')):
    section = None
    for line in open(f, 'rb').read().decode('utf-16').splitlines():
        if line.startswith('['):
            section = line[1:-1].lower()
        elif '=' in line and section:
            name, _, data = line.partition('=')
            name = '@' if name == '@' else name[1:-1]
            if data.startswith('"'):
                data = data[1:-1].replace('\\"', '"').replace('\\\\', '\\')
            values[(section, name)] = data
bad = 0
for row in sys.argv[2:]:
    key, name, want = row.split('|', 2)
    got = [v for (s, n), v in values.items() if n == name and s.endswith('\\' + key.lower())]
    if got != [want]:
        print('  %s %s: %r, expected %r' % (key, name, got, want))
        bad = 1
sys.exit(bad)
PY

# Shortcuts, read with lnkinfo.
for link in "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/SARVOLT.lnk" \
            "$drive_c/users/Public/Desktop/SARVOLT.lnk"; do
    if [ ! -f "$link" ]; then
        fail "no shortcut $link"
        continue
    fi
    info=$(lnkinfo -c windows-1251 "$link" 2>&1)
    field() { sed -n "s/^[[:space:]]*$1[[:space:]]*: //p" <<<"$info" | head -n 1; }
    [ "$(field 'Local path')" = "$target\SARVOLT.exe" ] || fail "shortcut path: $(field 'Local path')"
    [ "$(field 'Working directory')" = "$target" ] || fail "shortcut folder: $(field 'Working directory')"
    [ "$(field 'Description')" = "SARVOLT 9.4 - редактор чертежей" ] || fail "shortcut description: $(field 'Description')"
done

# ---- a second run from the distribution finds the installation: installing
# again offers its folder; "Не заменять существующую версию" asks for another.
action="Выбор действия"
start_setup "$dist_unix" 'C:\Дистрибутив SARVOLT\Setup.exe'
probe dialog "$action" 20000 >/dev/null || fail "no dialog 105 with an installation present"
[ "$(probe enabled "$action" 1014)" = 1 ] || fail "Установить disabled outside the installed folder"
wine "$probe" press "$action" 1014 >/dev/null
probe dialog "$options" 20000 >/dev/null || fail "no options dialog after Установить"
[ "$(probe dlgtext "$options" 1000)" = "$target" ] || fail "target is not the installed folder"
[ "$(probe enabled "$options" 1000)" = 0 ] || fail "target editable with the installation kept in place"
wine "$probe" click "$options" 1023 >/dev/null
sleep 0.5
[ "$(probe enabled "$options" 1000)" = 1 ] || fail "target not editable with 1023 checked"
[ "$(probe enabled "$options" 1)" = 0 ] || fail "Выполнить enabled for the existing version's folder"
wine "$probe" settext "$options" 1000 'C:\Второй' >/dev/null
[ "$(probe enabled "$options" 1)" = 1 ] || fail "Выполнить disabled for another folder"
wine "$probe" press "$options" 2 >/dev/null
setup_ended || fail "setup did not end on Выход"

# The association reaches the installed program, not C:\Program.exe.
cp "$probe" "$drive_c/Program.exe"
export GUI_PROBE_RECORD=$work/trap.txt
mkdir -p "$drive_c/My Drawings"
python3 - "$drive_c/My Drawings/a b.svt" <<'PY'
import struct, sys, time
h = bytearray(2048)
h[0:4] = b"SARV"
struct.pack_into("<H", h, 4, 12358)
struct.pack_into("<I", h, 60, 2048 | 4)
struct.pack_into("<i", h, 92, -1)
struct.pack_into("<H", h, 110, 0x0006)
struct.pack_into("<H", h, 112, 0x8300)
h[114] = 4
h[118] = 1
struct.pack_into("<d", h, 128, 1.0)
struct.pack_into("<I", h, 148, int(time.time()) - 1000)
struct.pack_into("<H", h, 164, 1)
struct.pack_into("<f", h, 214, 0.5)
struct.pack_into("<f", h, 218, 75.0)
h[222] = 3
struct.pack_into("<f", h, 230, 2.0)
struct.pack_into("<f", h, 234, 0.25)
p = bytearray(2048)
r = bytearray(180)
struct.pack_into("<HI", r, 0, 180, 1)
p[4:4 + 180] = r
open(sys.argv[1], "wb").write(bytes(h + p))
PY
(cd "$drive_c" && wine start 'C:\My Drawings\a b.svt' >/dev/null 2>&1)
title=
for _ in $(seq 1 100); do
    title=$(probe title SarVolt 2>/dev/null) && [[ $title == *"a b"* ]] && break
    sleep 0.2
done
echo "program title: $title"
[[ $title == *"a b"* ]] || fail "the drawing did not open in the installed program"
[ -s "$GUI_PROBE_RECORD" ] && fail "C:\\Program.exe was started: $(cat "$GUI_PROBE_RECORD")"
rm -f "$drive_c/Program.exe"

# ---- removal: started from the installed folder "Установить" is disabled;
# refused while the program runs.
action="Выбор действия"
start_setup "$target_unix" "$target\\setup.exe"
probe dialog "$action" 20000 >/dev/null || fail "no dialog 105"
[ "$(probe dlgtext "$action" 1018)" = "$target" ] || fail "dialog 105 does not name the installed folder"
[ "$(probe enabled "$action" 1014)" = 0 ] || fail "Установить enabled in the installed folder"
wine "$probe" press "$action" 1015 >/dev/null
probe dialog "$caution" 10000 | grep -q "Вы уверены" || fail "no removal question"
wine "$probe" press "$caution" 6 >/dev/null
msg=$(probe dialog "$caution" 20000)
[[ $msg == *"Закройте программу SARVOLT.EXE"* ]] || fail "removal not refused while SARVOLT runs: $msg"
wine "$probe" press "$caution" 1 >/dev/null
result=$(wait_text "Процесс удаления файлов" 1010 "завершён")
[[ $result == *"не  завершён"* ]] || fail "refused removal result: $result"
wine "$probe" press "Процесс удаления файлов" 1 >/dev/null
setup_ended || fail "setup did not end after the refused removal"
[ -f "$target_unix/SARVOLT.exe" ] || fail "files deleted although the removal was refused"
wine "$probe" close SarVolt 10000 >/dev/null 2>&1 || fail "SARVOLT did not close"
sleep 1

# ---- removal through the uninstall entry's command.
start_setup "$target_unix" "$target\\setup.exe" uninst
probe dialog "$action" 20000 >/dev/null || fail "no dialog 105 in removal mode"
wine "$probe" press "$action" 1015 >/dev/null
probe dialog "$caution" 10000 >/dev/null
wine "$probe" press "$caution" 6 >/dev/null
result=$(wait_text "Процесс удаления файлов" 1010 "завершён") || fail "removal did not finish"
echo "result: $result"
[ "$result" = " Процесс  удаления  завершён !" ] || fail "removal result: $result"
wine "$probe" press "Процесс удаления файлов" 1 >/dev/null
setup_ended || fail "setup did not end after the removal"
left=$(cd "$target_unix" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = "./Setup.exe " ] || fail "left in the target: $left"
# The running installer and its folder are to go when Windows next starts.
pending=$(wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations 2>/dev/null | tr -d '\r')
echo "pending: $pending"
[[ ${pending,,} == *'program files\zorvan\setup.exe'* ]] || fail "Setup.exe not to be deleted at restart"
for key in "$app" "$uninst" 'HKCR\.svt' 'HKCR\svtfile' 'HKLM\SOFTWARE\Zorvan\Zorvan'; do
    wine reg query "$key" >/dev/null 2>&1 && fail "key $key left"
done
for link in "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/SARVOLT.lnk" \
            "$drive_c/users/Public/Desktop/SARVOLT.lnk"; do
    [ -e "$link" ] && fail "shortcut $link left"
done
[ -d "$drive_c/Эскизы/Мои" ] || fail "the sketch library was removed"

# ---- "setup.exe help": the browser (a recorder named iexplore.exe) on the manual.
mkdir -p "$work/browser"
cp "$probe" "$work/browser/iexplore.exe"
export GUI_PROBE_RECORD=$work/browser.txt
wine reg add 'HKCR\.htm' /ve /d htmlfile /f >/dev/null
wine reg add 'HKCR\htmlfile\shell\opennew\command' /ve /d "\"$(winpath "$work/browser/iexplore.exe")\" \"%1\"" /f >/dev/null
start_setup "$dist_unix" 'C:\Дистрибутив SARVOLT\Setup.exe' help
for _ in $(seq 1 100); do [ -s "$GUI_PROBE_RECORD" ] && break; sleep 0.2; done
line=$(cat "$GUI_PROBE_RECORD" 2>/dev/null)
echo "browser: $line"
[[ $line == *'iexplore.exe" "C:\Дистрибутив SARVOLT\Руководство.htm"' ]] || fail "manual command line: $line"
setup_ended || fail "setup did not end after help"

setup_finish
