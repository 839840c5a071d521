#!/usr/bin/env bash
# The Windows installer tried as a new user would, in a Wine prefix made fresh
# for it, with the serial port on a pseudo-terminal (../shared/wine-serial).
# Run by CTest in the Windows build (tests/windows), in this order:
#   scripts/test-windows-setup.sh MODE SETUP.EXE
#   install     a fresh prefix; setup.exe /S installs for the user alone: the
#               programs in %LOCALAPPDATA%\Programs\ZOLprint, nothing under
#               Program Files or HKLM, asInvoker, and the installed-programs
#               entry with its values
#   startmenu   both programs in the user's Start menu, ZOLprint's entry with
#               --user-settings
#   open        a .mcs file "double-clicked": the command registered for the
#               type, run as Explorer runs it (%1 the file, in its folder); its
#               pages show, and at exit the settings go to the user's folder,
#               none beside the file
#   read        ZOLprint as its Start menu entry starts it reads the sample dump
#               and saves it byte-exact
#   username    ZOL user name from its entry programs a name into the meter
#   reinstall   setup.exe /S over the installed one keeps the user's settings
#   uninstall   the uninstaller (/S) leaves no program file, entry or file type,
#               and the user's files and settings are still there
# From the environment: WINE_SERIAL, ZOL_WINE_WORK, ZOLMETER as for
# scripts/test-windows-serial.sh. The prefix is $ZOL_WINE_WORK/setup-prefix.
set -euo pipefail
mode=${1:-}
setup=${2:-}
test_name="test-windows-setup $mode"
here=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d /tmp/zol-winsetup.XXXXXX)
# shellcheck source=tests/windows/desktop.sh disable=SC2034
. "$here/tests/windows/desktop.sh"
trap cleanup EXIT

require_wine_environment
[[ -f "$setup" ]] || fail "no installer at '$setup'"
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

# Explorer's split of a command line: quoted parts, else parts between spaces.
split_command() {
    python3 -c '
import re, sys
for quoted, plain in re.findall(r"\"([^\"]*)\"|(\S+)", sys.argv[1]):
    print(quoted or plain)' "$1"
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
        QuietUninstallString NoModify NoRepair; do
        value=$(reg_value "$uninstall_key" "$name")
        [[ -n "$value" ]] || fail "the installed-programs entry has no $name"
    done
    [[ "$(reg_value "$uninstall_key" DisplayName)" == ZOLprint ]] || fail "DisplayName"
    [[ "$(reg_value "$uninstall_key" DisplayVersion)" == "$version" ]] || fail "DisplayVersion"
    [[ "$(reg_value "$uninstall_key" QuietUninstallString)" == *'Uninstall.exe" /S' ]] ||
        fail "QuietUninstallString"
    [[ -f "$(unix_path "$(reg_value "$uninstall_key" DisplayIcon)")" ]] || fail "no DisplayIcon file"
    note "installed $version silently into $dir, for the user alone, with its entry"
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
    note "the Start menu holds ZOLprint (--user-settings) and ZOL user name"
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
    for ext in .vmt .fms .mdh; do
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
    local menu
    menu="$(user_dir)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/ZOLprint"
    [[ ! -e "$menu" ]] || fail "the Start menu entries are still there"
    local key
    for key in "$uninstall_key" 'HKCU\Software\Classes\ZOLprint.Measurements' \
        'HKCU\Software\Classes\.vmt' 'HKCU\Software\Classes\.mcs' 'HKCU\Software\Classes\.fms' \
        'HKCU\Software\Classes\.mdh'; do
        wine reg query "$key" >/dev/null 2>&1 && fail "$key is still there"
    done
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
reinstall) reinstall ;;
uninstall) uninstall ;;
*) fail "usage: $0 install|startmenu|open|read|username|reinstall|uninstall SETUP.EXE" ;;
esac
