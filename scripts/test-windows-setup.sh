#!/usr/bin/env bash
# The Windows installer tried as a new user would, in a Wine prefix made fresh
# for it, with the serial port on a pseudo-terminal (../shared/wine-serial).
# Run by CTest in the Windows build (tests/windows), in this order:
#   scripts/test-windows-setup.sh MODE SETUP.EXE
#   install     a fresh prefix in which another program opens .fms files;
#               setup.exe /S installs for the user alone: the programs in
#               %LOCALAPPDATA%\Programs\ZOLprint, nothing under Program Files
#               or HKLM, asInvoker, the installed-programs entry with its
#               values; both programs carry their icon, version and manifest;
#               ZOLprint is in each extension's "Open with" and the other
#               program keeps .fms
#   startmenu   both programs and the user guide in the user's Start menu,
#               ZOLprint's entry with --user-settings
#   open        a .mcs file "double-clicked": the command registered for the
#               type, run as Explorer runs it (%1 the file, in its folder); its
#               pages show, and at exit the settings go to the user's folder,
#               none beside the file
#   read        ZOLprint as its Start menu entry starts it reads the sample dump
#               and saves it byte-exact
#   username    ZOL user name from its entry programs a name into the meter
#   running     with ZOLprint running from the install (its About box shows
#               every capital I), the uninstaller (/S) and setup.exe /S end
#               non-zero and change nothing
#   reinstall   setup.exe /S over the installed one keeps the user's settings
#   uninstall   the uninstaller (/S) leaves no program file, entry, file type
#               or temporary folder, puts the other program's .fms back, and
#               the user's files and settings are still there
# From the environment: WINE_SERIAL, ZOL_WINE_WORK, ZOLMETER as for
# scripts/test-windows-serial.sh. The prefix is $ZOL_WINE_WORK/setup-prefix.
set -euo pipefail
mode=${1:-}
setup=${2:-}
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=tests/windows/desktop.sh disable=SC2034
. "$here/tests/windows/desktop.sh"
begin_test test-windows-setup "$mode" "$setup" installer
export WINEPREFIX=$ZOL_WINE_WORK/setup-prefix
export COM_DEVICE=$ZOL_WINE_WORK/com1
wine() { "$WINE_SERIAL/run-under-wine.sh" "$@"; }

# The user's folders in the prefix, as Windows names them.
user_dir() {
    local users=$WINEPREFIX/drive_c/users
    find "$users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1
}
# The prefix's Documents is a link to the home folder: the tests' own, never
# a person's.
user_docs() {
    local docs
    docs=$(realpath "$(user_dir)/Documents")
    [[ "$docs" == "$(realpath "$ZOL_WINE_WORK")"/* ]] ||
        fail "the prefix's Documents is $docs, outside $ZOL_WINE_WORK: set HOME to a folder of the test's"
    echo "$docs"
}
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZOLprint'
# reg_value KEY NAME (empty NAME: the default value): the value, or nothing.
reg_value() {
    local out
    if [[ -z "$2" ]]; then
        out=$(wine reg query "$1" /ve 2>/dev/null) || return 0
    else
        out=$(wine reg query "$1" /v "$2" 2>/dev/null) || return 0
    fi
    tr -d '\r' <<<"$out" | sed -n 's/^ *[^ ].*REG_[A-Z_]* *//p' | head -n 1
}
# A Windows path in the prefix as a Unix one.
unix_path() {
    local p=${1//\\//}
    case "$p" in
    [Cc]:/*) printf '%s/drive_c/%s' "$WINEPREFIX" "${p:3}" ;;
    [Zz]:/*) printf '%s' "${p:2}" ;;
    *) printf '%s' "$p" ;;
    esac
}

install_dir() {
    local dir
    dir=$(reg_value "$uninstall_key" InstallLocation)
    [[ -n "$dir" ]] || fail "no InstallLocation in $uninstall_key"
    unix_path "$dir"
}

# Explorer's split of a command line: quoted parts, else parts between spaces;
# an uninstaller's _?= takes the rest of the line, spaces and all.
split_command() {
    python3 -c '
import re, sys
for inplace, quoted, plain in re.findall(r"(_\?=.*$)|\"([^\"]*)\"|(\S+)", sys.argv[1]):
    print(inplace or quoted or plain)' "$1"
}

# Another program that opens .fms files, there before ZOLprint.
other_fms='OtherApp.fms'
other_command='"C:\Other\other.exe" "%1"'
other_command_key="HKCU\\Software\\Classes\\$other_fms\\shell\\open\\command"
# What the install is: its files, Start menu entries, file types and entry.
install_state() {
    local dir menu key
    dir=$(install_dir)
    menu="$(user_dir)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/ZOLprint"
    find "$dir" "$menu" -printf '%P %s %T@\n' | LC_ALL=C sort
    for key in "$uninstall_key" 'HKCU\Software\Classes\ZOLprint.Measurements' \
        'HKCU\Software\Classes\.vmt' 'HKCU\Software\Classes\.mcs' 'HKCU\Software\Classes\.fms' \
        'HKCU\Software\Classes\.mdh'; do
        wine reg query "$key" /s 2>/dev/null | tr -d '\r'
    done
}

# The identity a program carries for Explorer: an icon of 16, 32, 48 and
# 256 pixels, a version block of the program's version, the product's
# version and name, and a manifest that runs it as the user, DPI-aware,
# for Windows 10 and 11, with Common Controls 6.
check_identity() {
    local exe=$1 version=$2 product=$3 name
    name=$(basename "$exe")
    wrestool -x --type=14 --raw "$exe" >"$scratch/icons.bin" 2>/dev/null
    wrestool -x --type=16 --raw "$exe" >"$scratch/version.bin" 2>/dev/null
    python3 - "$scratch/icons.bin" "$scratch/version.bin" "$version" "$product" "$name" <<'PY' ||
import struct, sys
icons = open(sys.argv[1], "rb").read()
count = struct.unpack_from("<3H", icons)[2] if len(icons) >= 6 else 0
# Each entry's width, 0 meaning 256.
sizes = sorted(icons[6 + 14 * i] or 256 for i in range(count))
if sizes != [16, 32, 48, 256]:
    sys.exit(f"icon sizes {sizes}, not 16, 32, 48 and 256")
data = open(sys.argv[2], "rb").read()
at = data.find(struct.pack("<I", 0xFEEF04BD))
if at < 0:
    sys.exit("no version block")
fms, fls, pms, pls = struct.unpack_from("<4I", data, at + 8)
def dotted(ms, ls):
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}"
for want, got in ((sys.argv[3], dotted(fms, fls)), (sys.argv[4], dotted(pms, pls))):
    if got != want:
        sys.exit(f"version {got}, not {want}")
for text in ("ZOLprint", "The ZOLprint developers", sys.argv[5], sys.argv[3]):
    if text.encode("utf-16-le") not in data:
        sys.exit(f"no {text} among its version texts")
PY
        fail "$name: its icon or version block"
    wrestool -x --type=24 --raw "$exe" >"$scratch/manifest.xml" 2>/dev/null
    local want
    for want in 'level="asInvoker"' 'PerMonitorV2, PerMonitor' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' \
        'Microsoft.Windows.Common-Controls'; do
        grep -qF "$want" "$scratch/manifest.xml" || fail "$name's manifest lacks $want"
    done
}

do_install() {
    [[ -n "$WINEPREFIX" && "$WINEPREFIX" == "$ZOL_WINE_WORK"/* ]] || fail "odd prefix $WINEPREFIX"
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    # A new user's home too: the prefix's Documents is a link to it.
    [[ "$HOME" == "$ZOL_WINE_WORK"/* ]] || fail "HOME is not the tests' own ($HOME)"
    rm -rf "$HOME"
    mkdir -p "$HOME"
    # A prefix as a new user's Windows: made by the first run.
    wine wineboot >"$scratch/wineboot.log" 2>&1 || fail "wineboot failed"
    wine reg add 'HKCU\Software\Classes\.fms' /ve /d "$other_fms" /f >/dev/null 2>&1 &&
        wine reg add "$other_command_key" /ve /d "$other_command" /f >/dev/null 2>&1 ||
        fail "could not give .fms to another program"
    /usr/lib/wine/wineserver -w
    wine "$(windows_path "$(realpath "$setup")")" /S >"$scratch/setup.log" 2>&1 ||
        fail "setup.exe /S failed ($?)"
    local dir
    dir=$(install_dir)
    [[ "$dir" == "$(user_dir)/AppData/Local/Programs/ZOLprint" ]] ||
        fail "installed into $dir, not the user's AppData\\Local\\Programs\\ZOLprint"
    local file
    for file in ZOLprint.exe "ZOL user name.exe" Qt6Core.dll platforms/qwindows.dll zol.ico \
        Uninstall.exe; do
        [[ -f "$dir/$file" ]] || fail "the install has no $file"
    done
    # For the user alone: nothing for all users, and no request for rights.
    [[ ! -e "$WINEPREFIX/drive_c/Program Files/ZOLprint" ]] || fail "something went into Program Files"
    [[ -z "$(reg_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZOLprint' DisplayName)" ]] ||
        fail "an entry for all users"
    grep -qaF 'level="asInvoker"' "$setup" || fail "setup.exe does not run as the user (asInvoker)"
    local version name value
    version=$(basename "$setup" | sed -E 's/^ZOLprint-(.*)-setup\.exe$/\1/')
    for name in DisplayName DisplayVersion Publisher DisplayIcon UninstallString \
        QuietUninstallString NoModify NoRepair EstimatedSize; do
        value=$(reg_value "$uninstall_key" "$name")
        [[ -n "$value" ]] || fail "the installed-programs entry has no $name"
    done
    [[ "$(reg_value "$uninstall_key" DisplayName)" == ZOLprint ]] || fail "DisplayName"
    [[ "$(reg_value "$uninstall_key" DisplayVersion)" == "$version" ]] || fail "DisplayVersion"
    [[ "$(reg_value "$uninstall_key" QuietUninstallString)" == *'Uninstall.exe" /S'* ]] ||
        fail "QuietUninstallString"
    local icon
    icon=$(reg_value "$uninstall_key" DisplayIcon)
    icon=${icon%,0}
    icon=${icon//\"/}
    [[ "$icon" == *'\ZOLprint.exe' && -f "$(unix_path "$icon")" ]] || fail "DisplayIcon is not ZOLprint.exe: $icon"
    check_identity "$dir/ZOLprint.exe" "$version" "$version"
    check_identity "$dir/ZOL user name.exe" "$ZOL_TOOL_VERSION" "$version"
    local ext
    for ext in .vmt .mcs .fms .mdh; do
        wine reg query "HKCU\\Software\\Classes\\$ext\\OpenWithProgids" /v ZOLprint.Measurements \
            >/dev/null 2>&1 || fail "ZOLprint is not in $ext's Open with list"
    done
    [[ "$(reg_value 'HKCU\Software\Classes\.fms' "")" == "$other_fms" ]] ||
        fail "the install took .fms from the program that had it"
    note "installed $version silently into $dir, for the user alone, with its entry; both programs" \
        "carry icon, version and manifest; ZOLprint in Open with, .fms still $other_fms's"
}

start_menu() {
    local menu
    menu="$(user_dir)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/ZOLprint"
    [[ -f "$menu/ZOLprint.lnk" ]] || fail "no ZOLprint in the Start menu ($menu)"
    [[ -f "$menu/ZOL user name.lnk" ]] || fail "no ZOL user name in the Start menu"
    # A shortcut holds its target and arguments as UTF-16 text.
    strings -el "$menu/ZOLprint.lnk" >"$scratch/zolprint.lnk.txt"
    grep -qxF -- "--user-settings" "$scratch/zolprint.lnk.txt" ||
        fail "ZOLprint's entry does not start it with --user-settings: $(cat "$scratch/zolprint.lnk.txt")"
    strings -a "$menu/ZOLprint.lnk" "$menu/ZOL user name.lnk" >"$scratch/lnk.txt"
    strings -el "$menu/ZOL user name.lnk" >>"$scratch/lnk.txt"
    grep -qi 'ZOLprint\\ZOLprint.exe' "$scratch/lnk.txt" "$scratch/zolprint.lnk.txt" ||
        fail "ZOLprint's entry does not point at the installed ZOLprint.exe"
    grep -qi 'ZOL user name.exe' "$scratch/lnk.txt" || fail "ZOL user name's entry has no target"
    # The guide as a page, with the pictures it shows.
    [[ -f "$menu/ZOLprint user guide.lnk" ]] || fail "no user guide in the Start menu"
    local guide picture
    guide="$(install_dir)/doc/zolprint/user-guide.html"
    [[ -f "$guide" ]] || fail "no user-guide.html in the install"
    strings -a "$menu/ZOLprint user guide.lnk" >"$scratch/guide.lnk.txt"
    strings -el "$menu/ZOLprint user guide.lnk" >>"$scratch/guide.lnk.txt"
    grep -qF 'doc\zolprint\user-guide.html' "$scratch/guide.lnk.txt" ||
        fail "the user guide's entry does not open user-guide.html"
    for picture in $(grep -o '<img [^>]*src="[^"]*"' "$guide" | sed 's/.*src="//; s/"$//'); do
        [[ -f "$(dirname "$guide")/$picture" ]] || fail "the user guide shows $picture, which is not installed"
    done
    note "the Start menu holds ZOLprint (--user-settings), ZOL user name and the user guide"
}

# The user's settings file, wherever the program keeps it under the user's
# folder; only one.
user_settings() {
    find "$(user_dir)" -name zolprint.ini 2>/dev/null
}

open_file() {
    local docs folder file progid command
    docs=$(user_docs)
    folder="$docs/Meter readings"
    mkdir -p "$folder"
    "$ZOLMETER" sample >"$scratch/sample.dump"
    python3 "$here/tests/windows/savedbytes.py" "$scratch/sample.dump" >"$folder/hall 2.mcs"
    cp "$folder/hall 2.mcs" "$scratch/original.mcs"
    progid=$(reg_value 'HKCU\Software\Classes\.mcs' "")
    [[ -n "$progid" ]] || fail "no file type for .mcs in HKCU\\Software\\Classes"
    [[ "$(reg_value "HKCU\\Software\\Classes\\$progid" "")" == "ZOL measurements file" ]] ||
        fail "the type is not named \"ZOL measurements file\""
    [[ -f "$(unix_path "$(reg_value "HKCU\\Software\\Classes\\$progid\\DefaultIcon" "" | sed 's/,[0-9-]*$//')")" ]] ||
        fail "the type's icon is not there"
    local ext
    for ext in .vmt .mdh; do
        [[ "$(reg_value "HKCU\\Software\\Classes\\$ext" "")" == "$progid" ]] || fail "$ext is not $progid"
    done
    command=$(reg_value "HKCU\\Software\\Classes\\$progid\\shell\\open\\command" "")
    [[ "$command" == *'"%1"'* ]] || fail "the type's command does not name the file: $command"
    # As Explorer runs it: %1 the file, in the file's folder.
    command=${command//%1/C:\\users\\$(basename "$(user_dir)")\\Documents\\Meter readings\\hall 2.mcs}
    local args=()
    mapfile -t args < <(split_command "$command")
    args[0]=$(windows_path "$(unix_path "${args[0]}")")
    start_display
    run_program zolprint "$folder" "${args[@]}"
    wait_screen "Page 1/5" 120 "the file's first page"
    key ctrl+q
    local i
    for i in $(seq 120); do
        [[ -n "$(user_settings)" ]] && break
        sleep 0.5
    done
    [[ -n "$(user_settings)" ]] || fail "no zolprint.ini was written in the user's folder at exit"
    [[ ! -e "$folder/zolprint.ini" ]] || fail "zolprint.ini appeared beside the user's file"
    [[ $(user_settings | wc -l) == 1 ]] || fail "more than one zolprint.ini: $(user_settings)"
    [[ "$(user_settings)" == "$(user_dir)/AppData/Local/"* ]] ||
        fail "the settings are not in the user's local folder: $(user_settings)"
    cmp -s "$folder/hall 2.mcs" "$scratch/original.mcs" || fail "the user's file changed"
    note "hall 2.mcs opened from its type's command ($command); settings in $(user_settings), none beside the file"
}

read_from_entry() {
    local dir docs
    dir=$(install_dir)
    docs=$(user_docs)
    "$ZOLMETER" sample >"$scratch/sample.dump"
    start_meter meter dump --baud 9600
    start_display
    # The entry's target and argument, in the user's documents.
    run_program zolprint "$docs" "$(windows_path "$dir/ZOLprint.exe")" --user-settings
    key ctrl+i
    wait_log "$scratch/meter.log" "done:" 120 "the meter's dump"
    wait_screen "Stop (5)" 120 "the end of the transfer"
    key ctrl+s
    wait_screen "File name" 120 "the save dialog"
    type_text "C:\\users\\$(basename "$(user_dir)")\\Documents\\sample.mcs"
    key Return
    wait_file "$docs/sample.mcs" 60 "the saved file"
    python3 "$here/tests/windows/savedbytes.py" "$scratch/sample.dump" >"$scratch/expected.mcs"
    same_bytes "$docs/sample.mcs" "$scratch/expected.mcs" "the sample dump"
    note "ZOLprint from its entry read the dump and saved the $(stat -c %s "$docs/sample.mcs") bytes it must give"
}

program_name() {
    local dir
    dir=$(install_dir)
    start_meter meter zol6
    start_display
    run_program tool "$(user_docs)" "$(windows_path "$dir/ZOL user name.exe")"
    click_text "Name:" 60 "the window"
    type_text "ZOLTEST"
    click_text "Program user name" 60 "Program user name"
    wait_screen "Only one time programming possible" 60 "the question"
    key alt+y
    wait_log "$scratch/meter.log" 'user name "ZOLTEST     " stored' 60 "the name stored"
    wait_screen "OK received from ZOL" 60 "the meter's OK"
    note "ZOL user name from the install programmed ZOLTEST into the meter"
}

# While ZOLprint runs from the install, the uninstaller and a new install
# both stop before they change anything, and say so by their exit code.
while_running() {
    local dir status uninstall_status
    dir=$(install_dir)
    install_state >"$scratch/state-before"
    start_display
    run_program zolprint "$(user_docs)" "$(windows_path "$dir/ZOLprint.exe")" --user-settings
    # Its About box meanwhile, in the classic face at 8.25 pt, where Wine's
    # unsmoothed text once lost every capital I ("ZOL nstruments").
    key F1
    wait_screen "ZOL Instruments" 60 "the About box with its capital I"
    key Escape
    local args=()
    mapfile -t args < <(split_command "$(reg_value "$uninstall_key" QuietUninstallString)")
    args[0]=$(windows_path "$(unix_path "${args[0]}")")
    uninstall_status=0
    wine "${args[@]}" >"$scratch/uninstall.log" 2>&1 || uninstall_status=$?
    [[ $uninstall_status != 0 ]] || fail "the uninstaller reported success while ZOLprint ran"
    install_state | diff "$scratch/state-before" - >&2 ||
        fail "the uninstaller changed the install while ZOLprint ran"
    status=0
    wine "$(windows_path "$(realpath "$setup")")" /S >"$scratch/setup.log" 2>&1 || status=$?
    [[ $status != 0 ]] || fail "setup.exe /S reported success while ZOLprint ran"
    install_state | diff "$scratch/state-before" - >&2 ||
        fail "setup.exe /S changed the install while ZOLprint ran"
    key ctrl+q
    wait_gone 'ZOLprint.exe' 60 "ZOLprint's exit"
    note "with ZOLprint running, the uninstaller ended with $uninstall_status and setup.exe /S" \
        "with $status, and neither changed a file, entry or file type"
}

reinstall() {
    local before
    before=$(user_settings)
    [[ -n "$before" ]] || fail "no user settings to keep (the open test writes them)"
    # Settings of the user's own: COM3, German.
    printf ' 2 \r\n 3 \r\n' >"$before"
    wine "$(windows_path "$(realpath "$setup")")" /S >"$scratch/setup.log" 2>&1 ||
        fail "setup.exe /S over the installed one failed"
    [[ -f "$(install_dir)/ZOLprint.exe" ]] || fail "no ZOLprint.exe after the new install"
    [[ "$(user_settings)" == "$before" ]] || fail "the settings moved: $(user_settings)"
    [[ "$(cat "$before")" == $' 2 \r\n 3 \r' ]] || fail "the settings changed: $(od -c "$before")"
    note "setup.exe /S over the installed one kept $before"
}

user_files() {
    find "$1" -path "$1/.*" -prune -o -type f -printf '%P %s\n' | LC_ALL=C sort
}

uninstall() {
    local dir quiet settings docs
    dir=$(install_dir)
    settings=$(user_settings)
    docs=$(user_docs)
    [[ -n "$settings" ]] || fail "no user settings to keep (the open test writes them)"
    # The user's files; Wine keeps its menu copies in hidden folders there.
    user_files "$docs" >"$scratch/user-files"
    [[ -s "$scratch/user-files" ]] || fail "no user files to keep (the open and read tests make them)"
    quiet=$(reg_value "$uninstall_key" QuietUninstallString)
    local args=()
    mapfile -t args < <(split_command "$quiet")
    args[0]=$(windows_path "$(unix_path "${args[0]}")")
    wine "${args[@]}" >"$scratch/uninstall.log" 2>&1 || fail "the uninstaller failed"
    # It goes on from a copy of itself in the temporary folder.
    local i
    for i in $(seq 240); do
        [[ -e "$dir" ]] || break
        sleep 0.5
    done
    /usr/lib/wine/wineserver -w
    if [[ -e "$dir" ]]; then
        fail "left behind: $(find "$dir" | head -n 20)"
    fi
    local left
    left=$(find "$(user_dir)/Temp" "$(user_dir)/AppData/Local/Temp" -mindepth 1 -maxdepth 1 \( -name '~nsu*' -o -name '*.cmd' \) 2>/dev/null || true)
    [[ -z "$left" ]] || fail "left in the temporary folder: $left"
    local menu
    menu="$(user_dir)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/ZOLprint"
    [[ ! -e "$menu" ]] || fail "the Start menu entries are still there"
    local key
    for key in "$uninstall_key" 'HKCU\Software\Classes\ZOLprint.Measurements' \
        'HKCU\Software\Classes\.vmt' 'HKCU\Software\Classes\.mcs' 'HKCU\Software\Classes\.mdh'; do
        wine reg query "$key" >/dev/null 2>&1 && fail "$key is still there"
    done
    [[ "$(reg_value 'HKCU\Software\Classes\.fms' "")" == "$other_fms" &&
        "$(reg_value "$other_command_key" "")" == "$other_command" ]] ||
        fail "the other program's .fms is not back: $(wine reg query 'HKCU\Software\Classes\.fms' /s 2>&1)"
    wine reg query 'HKCU\Software\Classes\.fms\OpenWithProgids' /v ZOLprint.Measurements >/dev/null 2>&1 &&
        fail "ZOLprint is still in .fms's Open with list"
    user_files "$docs" | cmp -s - "$scratch/user-files" ||
        fail "the user's files changed: $(user_files "$docs")"
    [[ -f "$settings" ]] || fail "the uninstaller removed the user's settings $settings"
    note "uninstalled: no program file, entry or file type left; $(wc -l <"$scratch/user-files") user files and $settings kept"
}

case "$mode" in
install) do_install ;;
startmenu) start_menu ;;
open) open_file ;;
read) read_from_entry ;;
username) program_name ;;
running) while_running ;;
reinstall) reinstall ;;
uninstall) uninstall ;;
*) fail "usage: $0 install|startmenu|open|read|username|running|reinstall|uninstall SETUP.EXE" ;;
esac
