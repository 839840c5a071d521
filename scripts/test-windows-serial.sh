#!/usr/bin/env bash
# The Windows programs of the zip doing their job under Wine: a real serial
# exchange with zolmeter on a pseudo-terminal behind COM1, through the
# private Wine of ../shared/wine-serial, driven with keys inside Wine's own
# desktop. Run by CTest in the Windows build (tests/windows).
#   scripts/test-windows-serial.sh MODE ZIP
# MODE:
#   read       ZOLprint.exe reads the sample dump (Communication > Read ZOL),
#              File > Save, and the file is byte for byte what the dump's bytes
#              give (tests/windows/savedbytes.py)
#   cut        the meter goes off half-way through page 3: Error 106, then
#              File > Exit asks about the unsaved pages, Yes saves them, and
#              the file holds the three pages as far as they came
#   nodevice   COM1 with nothing behind it: Error 103; the meter plugged in,
#              Read ZOL works again
#   version    ZOL user name.exe, Get serial: the meter received the version
#              request, and the window shows the version record
#   program    Program user name: No sends nothing, Yes sends the 19-byte frame,
#              and the meter stores the name
#   timeout    a silent meter: the four time-out lines
# From the environment: WINE_SERIAL (the folder of run-under-wine.sh),
# ZOL_WINE_WORK (its work folder, in the build tree), ZOLMETER (the host's).
set -euo pipefail
mode=${1:-}
zip=${2:-}
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=tests/windows/desktop.sh disable=SC2034
. "$here/tests/windows/desktop.sh"
begin_test test-windows-serial "$mode" "$zip" zip
command -v tesseract >/dev/null || fail "no tesseract: run scripts/setup.sh --tests"
export WINEPREFIX=$ZOL_WINE_WORK/prefix

python3 -m zipfile -e "$zip" "$scratch/unpacked"
folder=$(find "$scratch/unpacked" -mindepth 1 -maxdepth 1 -type d | head -n 1)
zolprint=$(windows_path "$folder/ZOLprint.exe")
usertool=$(windows_path "$folder/ZOL user name.exe")
mkdir -p "$scratch/work"
# English and COM1, as a user's zolprint.ini.
printf ' 1 \r\n 1 \r\n' >"$scratch/work/zolprint.ini"
"$ZOLMETER" sample >"$scratch/sample.dump"
start_display

# Save As: the file name box of Wine's dialog has the focus.
save_as() {
    wait_screen "$1" 120 "the save dialog"
    type_text "$(windows_path "$2")"
    key Return
}

read_sample() {
    start_meter meter dump --baud 9600
    run_program zolprint "$scratch/work" "$zolprint"
    key ctrl+i
    wait_log "$scratch/meter.log" "done:" 120 "the meter's dump"
    # The watchdog's ten seconds of silence end it.
    wait_screen "Stop (5)" 120 "the end of the transfer"
    key ctrl+s
    save_as "File name" "$scratch/work/sample.mcs"
    wait_file "$scratch/work/sample.mcs" 60 "the saved file"
    python3 "$here/tests/windows/savedbytes.py" "$scratch/sample.dump" >"$scratch/expected.mcs"
    same_bytes "$scratch/work/sample.mcs" "$scratch/expected.mcs" "the sample dump"
    note "ZOLprint.exe read the sample dump (Stop (5)) and saved the $(stat -c %s "$scratch/work/sample.mcs") bytes it must give"
}

read_cut() {
    # Half-way through the third of five pages.
    local cut
    cut=$(python3 -c '
import sys
d = open(sys.argv[1], "rb").read()
second = d.index(b"\f", d.index(b"\f") + 1)
third = d.index(b"\f", second + 1)
print(second + 1 + (third - second) // 2)' "$scratch/sample.dump")
    start_meter meter dump --baud 9600 --cut "$cut"
    run_program zolprint "$scratch/work" "$zolprint"
    key ctrl+i
    wait_log "$scratch/meter.log" "hung up" 120 "the cut"
    wait_screen "Error 106" 120 "the lost line"
    key Return
    wait_screen "Stop (3)" 60 "the pages kept"
    rm -f "$scratch/work/zolprint.ini"
    key ctrl+q
    wait_screen "not been saved" 60 "the question at exit"
    # Yes: save them first.
    key alt+y
    save_as "File name" "$scratch/work/cut.mcs"
    wait_file "$scratch/work/cut.mcs" 60 "the pages saved at exit"
    python3 "$here/tests/windows/savedbytes.py" "$scratch/sample.dump" --cut "$cut" >"$scratch/expected.mcs"
    same_bytes "$scratch/work/cut.mcs" "$scratch/expected.mcs" "the cut-off dump"
    # The exit goes on after the save, and writes the settings as it ends.
    wait_file "$scratch/work/zolprint.ini" 60 "the settings written at exit"
    [[ "$(cat "$scratch/work/zolprint.ini")" == $' 1 \r\n 1 \r' ]] ||
        fail "zolprint.ini at exit: $(od -c "$scratch/work/zolprint.ini")"
    note "Error 106 after $cut bytes, Stop (3); Exit asked, saved the three pages byte-exact and ended"
}

no_device() {
    rm -f "$ZOL_WINE_WORK/com1"
    run_program zolprint "$scratch/work" "$zolprint"
    key ctrl+i
    wait_screen "Error 103" 120 "a COM port with no device"
    key Return
    # The meter plugged in: the same command works again.
    start_meter meter dump --baud 9600
    key ctrl+i
    wait_log "$scratch/meter.log" "done:" 120 "the dump after error 103"
    wait_screen "Stop (5)" 120 "the transfer after error 103"
    note "Error 103 with nothing behind COM1; plugged in, Read ZOL read Stop (5)"
}

# The tool's window starts with the name box focused; its buttons are
# clicked by their captions. Here the meter is behind COM3, and the port is
# typed as the port list names it.
tool_version() {
    start_meter meter zol6 --serial 47110815
    COM_PORT=3 run_program tool "$scratch/work" "$usertool"
    click_text "Name:" 60 "the window"
    key Tab ctrl+a
    type_text "COM3"
    click_text "Get serial" 60 "Get serial"
    wait_log "$scratch/meter.log" "frame 02 56 30 30 30 03 67: version request, answering v" 60 \
        "the version request"
    wait_screen "Version received from ZOL" 60 "the version reply"
    wait_screen "47110815" 30 "the serial number"
    wait_screen "Ready" 30 "the end of the exchange"
    note "COM3 typed, Get serial: the meter got 02 56 30 30 30 03 67; the window shows the record (serial 47110815)"
}

tool_program() {
    start_meter meter zol6
    run_program tool "$scratch/work" "$usertool"
    # A window Wine starts is not yet the one keys go to: a click on it (on
    # a label, which takes no focus) makes it so, and the name box has the
    # focus.
    click_text "Name:" 60 "the window"
    type_text "AB"
    click_text "Program user name" 60 "Program user name"
    wait_screen "Only one time programming possible" 60 "the question"
    # No is the default: the question's Yes cannot be undone.
    key Return
    click_text "Program user name" 60 "Program user name again"
    wait_screen "Only one time programming possible" 60 "the question again"
    key alt+y
    wait_log "$scratch/meter.log" 'user name "AB          " stored' 60 "the name stored"
    wait_screen "OK received from ZOL" 60 "the meter's OK"
    # One frame only, the Yes's: 19 bytes, STX X 0 1 2, the name, ETX, check.
    local frames
    frames=$(grep -c 'frame ' "$scratch/meter.log" || true)
    [[ "$frames" == 1 ]] || fail "the meter received $frames frames, not the one after Yes"
    local hex
    hex=$(sed -n 's/.*frame \([0-9A-F ]*\): user name.*/\1/p' "$scratch/meter.log")
    [[ $(wc -w <<<"$hex") == 19 && "$hex" == "02 58 30 31 32 41 42 20 20 "* ]] ||
        fail "the frame was $hex"
    note "No sent nothing; Yes sent the 19-byte frame $hex and the meter stored \"AB\""
}

tool_timeout() {
    start_meter meter zol6 --silent
    run_program tool "$scratch/work" "$usertool"
    click_text "Get serial" 60 "Get serial"
    wait_log "$scratch/meter.log" "silent: no answer" 60 "the request"
    local line
    for line in "Software version 6.03 or later?" "Check cable and COM port setting" "Set ZOL to"; do
        wait_screen "$line" 60 "the time-out"
    done
    wait_screen "Ready" 30 "the end of the exchange"
    # The box has scrolled to its last line; the first is above it: the
    # mouse wheel over the box brings it back.
    click_text "Check cable" 30 "the log box"
    xdotool click --repeat 6 --delay 100 4
    # OCR does not see the "!" of that small print.
    wait_screen "Timeout occured" 60 "the time-out's first line"
    note "a silent meter: the four time-out lines"
}

case "$mode" in
read) read_sample ;;
cut) read_cut ;;
nodevice) no_device ;;
version) tool_version ;;
program) tool_program ;;
timeout) tool_timeout ;;
*) fail "usage: $0 read|cut|nodevice|version|program|timeout ZIP" ;;
esac
