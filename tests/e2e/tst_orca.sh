#!/usr/bin/env bash
# What a blind technician hears: both programs run beside the real Orca
# screen reader, driven by the keyboard alone, and the test reads what Orca
# said from its transcript.
#
#   tst_orca.sh ZOLPRINT USERTOOL ZOLMETER
#
# ZOLprint reads five pages from zolmeter (the instructions at the start, the
# stop text with its count at the end, a page change, a page button's name,
# the status-bar command, About's version and web address, the menus walked
# from their access keys and About opened from its menu); in Dutch it loses
# the line in the middle of a reading and then fails to open a port (the
# error boxes with their Dutch reasons); the tool asks zolmeter for its
# version (the version lines and "Ready").
#
# Every wait is for something said, with bounds meant for a loaded machine;
# nothing is timed. Exits 77 (skipped) where Orca or its desktop cannot run,
# except under CI, where that is a failure.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)

if [[ "${1:-}" != --inside ]]; then
    [[ $# -eq 3 ]] || { echo "usage: $0 ZOLPRINT USERTOOL ZOLMETER" >&2; exit 2; }
    missing=()
    for tool in orca Xvfb xdpyinfo dbus-daemon openbox xdotool speech-dispatcher espeak-ng; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    [[ -x /usr/libexec/at-spi-bus-launcher ]] || missing+=(at-spi2-core)
    if [[ ${#missing[@]} -gt 0 ]]; then
        echo "tst_orca: cannot run the screen reader: missing ${missing[*]}" \
             "(scripts/setup.sh --tests installs them)" >&2
        [[ -n "${CI:-}" ]] && exit 1
        exit 77
    fi
    work=$(mktemp -d /tmp/tst_orca.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    export ORCA_DEBUG_COPY=$work/orca-debug.out
    "$here/orca-session" -o "$work/speech.txt" -- "$0" --inside "$work" "$@"
    status=$?
    echo "---- what Orca said:"
    cat "$work/speech.txt"
    if [[ $status -ne 0 && -n "${TST_ORCA_KEEP:-}" ]]; then
        cp "$work/orca-debug.out" "$TST_ORCA_KEEP" 2>/dev/null
    fi
    exit "$status"
fi

# Inside the desktop session. The test presets run Qt offscreen, where no
# window reaches the desktop or the screen reader.
export QT_QPA_PLATFORM=xcb
work=$2 zolprint=$3 usertool=$4 zolmeter=$5
transcript=$ORCA_TRANSCRIPT
failures=0
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; }
trap cleanup EXIT

# Where the transcript stood before an action: what is looked for must be
# said after it.
mark=0
note() {
    mark=$(stat -c %s "$transcript")
    echo "== $*" >>"$transcript"
}
said_since_mark() { tail -c +"$((mark + 1))" "$transcript" | grep -qF -- "$1"; }
# wait_for TEXT SECONDS WHAT: TEXT said since the mark, within SECONDS.
wait_for() {
    local text=$1 limit=$2 what=$3 i
    for ((i = 0; i < limit * 5; i++)); do
        said_since_mark "$text" && { echo "ok: $what"; return 0; }
        sleep 0.2
    done
    echo "FAIL: $what: Orca did not say \"$text\" within $limit s" >&2
    failures=$((failures + 1))
    return 1
}
# Speech that has started must end before the next key, or Orca's echo of
# the key cuts it off in the transcript's order.
settle() { sleep "${1:-1}"; }
key() { xdotool key --clearmodifiers "$@"; }
orca_key() { xdotool keydown Insert key --repeat "${2:-1}" --delay 80 "$1" keyup Insert; }
# Each meter has files of its own: a second meter of the same mode must not
# be read as the first one's device path before it has written its own.
# Sets device. Called in this shell, not in $(...), so that the meter's pid
# reaches the list that the cleanup kills: a meter left waiting for a
# program would otherwise outlive the test.
start_meter() {
    local out
    out=$(mktemp "$work/meter.XXXXXX")
    "$zolmeter" "$@" >"$out" 2>"$out.err" &
    pids+=($!)
    local i
    for ((i = 0; i < 150; i++)); do
        [[ -s $out ]] && { device=$(head -1 "$out"); return 0; }
        sleep 0.2
    done
    return 1
}
# Ctrl+Q, and No when ZOLprint asks whether to save the pages read first.
quit_zolprint() {
    note "Exit (Ctrl+Q)"
    key ctrl+q
    local i
    for ((i = 0; i < 25; i++)); do
        if said_since_mark "niet opgeslagen" || said_since_mark "not been saved"; then
            settle 2
            key alt+n
            break
        fi
        sleep 0.2
    done
    settle 3
}
# wait_for_window TEXT TITLE WHAT DIR: a new window is heard when it gets
# the focus. On a loaded machine the window manager has been seen to leave a
# new window unfocused, and then Orca has nothing to say: after 30 s the
# window is activated as a user would click it, and what is known is told.
wait_for_window() {
    local text=$1 title=$2 what=$3 dir=$4 i ids
    for ((i = 0; i < 150; i++)); do
        said_since_mark "$text" && { echo "ok: $what"; return 0; }
        sleep 0.2
    done
    ids=$(xdotool search --name "$title" 2>/dev/null | tr '\n' ' ')
    echo "tst_orca: $what: nothing heard in 30 s; windows named \"$title\": ${ids:-none}" >&2
    [[ -s $dir/program.log ]] && sed 's/^/    program: /' "$dir/program.log" >&2
    for id in $ids; do xdotool windowactivate "$id" 2>/dev/null; done
    wait_for "$text" 60 "$what"
}
start_program() {
    local dir=$1
    shift
    (cd "$dir" && exec "$@" >"$dir/program.log" 2>&1) &
    pids+=($!)
}

# --- ZOLprint in English: a reading of five pages from the meter.
mkdir -p "$work/en" "$work/nl"
printf '1\r\n1\r\n' >"$work/en/zolprint.ini"
start_meter dump || { echo "FAIL: zolmeter did not start" >&2; exit 1; }
note "start ZOLprint (English)"
ZOL_COM1=$device start_program "$work/en" "$zolprint"
wait_for_window "ZOL Print frame" "ZOL Print" "ZOLprint's window is heard" "$work/en" || exit 1
settle 2

note "Read ZOL (Ctrl+I)"
key ctrl+i
wait_for "Enter * 3 0 + on ZOL" 60 "the meter instructions are spoken when the reading starts"
wait_for "Stop (5)" 180 "the end of the reading is spoken with its count"
if said_since_mark " percent"; then
    echo "FAIL: a percentage was spoken during the reading:" \
         "$(tail -c +"$((mark + 1))" "$transcript" | grep -F ' percent' | head -3)" >&2
    failures=$((failures + 1))
fi
settle 2

# The page window has the focus; Tab reaches the previous and next page
# buttons in that order.
note "Tab to the next page button"
key Tab
settle 1
key Tab
wait_for "Next page push button" 30 "the next page button is heard by its name"
settle 1
note "Space on Next page"
key space
wait_for "Page 2 of 5" 30 "the page change is spoken with the position"
settle 2

note "Orca's status-bar command"
orca_key KP_Enter 2
wait_for "Stop (5)" 30 "the status-bar command reads ZOLprint's status bar"
settle 2

note "About (F1)"
key F1
wait_for "Version 2.14" 30 "About's version is read"
wait_for "www.zol-instruments.example" 30 "About's web address is read"
settle 2
key Escape
settle 2

# The menus, opened by their access keys, briskly, as a technician types.
# A note names only the keys: what is awaited must not be in it.
note "Alt+F, Down, Escape"
key alt+f
wait_for "Open Ctrl+O" 30 "Alt+F opens the File menu on Open, with its shortcut"
key Down
wait_for "Save Ctrl+S" 30 "Down moves to Save, with its shortcut"
key Escape
wait_for "File" 30 "Escape leaves the items for File"
key Escape
settle 2
note "Alt+C, Right"
key alt+c
wait_for "COM port" 30 "Alt+C opens the Communication menu on COM port"
key Right
wait_for "COM1" 30 "Right enters the COM port menu"
key Escape Escape Escape
settle 2
note "Alt+H, Return"
key alt+h
wait_for "About ZOL print..." 30 "Alt+H opens the Help menu on About"
key Return
wait_for "Version 2.14" 30 "About opened from its menu is read"
settle 2
key Escape
settle 2
quit_zolprint

# --- ZOLprint in Dutch: the meter switched off in the middle of a reading,
# then a port that is not there.
printf '0\r\n1\r\n' >"$work/nl/zolprint.ini"
start_meter dump --cut 300 || { echo "FAIL: zolmeter did not start" >&2; exit 1; }
note "start ZOLprint (Dutch)"
ZOL_COM1=$device start_program "$work/nl" "$zolprint"
wait_for_window "ZOL Print frame" "ZOL Print" "ZOLprint's Dutch window is heard" "$work/nl" || exit 1
settle 2
note "Inlezen ZOL (Ctrl+I), the line cut"
key ctrl+i
wait_for "Druk op * 3 0 + op de ZOL" 60 "the meter instructions are spoken in Dutch"
wait_for "Fout 106 - Verbinding met de ZOL verbroken" 180 "the lost line's error box is read in Dutch"
wait_for "de lijn is verbroken: het apparaat is losgekoppeld of uitgeschakeld" 30 \
    "the lost line's error box gives its reason in Dutch"
settle 2
key Return
settle 2
quit_zolprint

printf '0\r\n2\r\n' >"$work/nl/zolprint.ini"
note "start ZOLprint (Dutch) on a port that is not there"
ZOL_COM2=$work/no-such-device start_program "$work/nl" "$zolprint"
wait_for_window "ZOL Print frame" "ZOL Print" "ZOLprint's Dutch window is heard" "$work/nl" || exit 1
settle 2
note "Inlezen ZOL (Ctrl+I)"
key ctrl+i
wait_for "Fout 103 - COM poort kan niet worden geopend" 60 "the error box is read in Dutch"
wait_for "het apparaat bestaat niet" 30 "the error box gives its reason in Dutch"
settle 2
key Return
settle 2
quit_zolprint

# --- The tool: Get serial from the meter.
start_meter zol6 || { echo "FAIL: zolmeter zol6 did not start" >&2; exit 1; }
mkdir -p "$work/tool"
note "start the tool"
ZOL_COM1=$device start_program "$work/tool" "$usertool"
wait_for_window "user name programming tool" "user name programming tool" \
    "the tool's window is heard" "$work/tool" || exit 1
if ! tail -c +"$((mark + 1))" "$transcript" | grep -q "user name programming tool.* frame"; then
    echo "FAIL: the tool's window is not heard as a frame" >&2
    failures=$((failures + 1))
fi
settle 2
# The name box has the focus; the COM port box, then Get serial.
note "Tab to Get serial"
key Tab
settle 1
key Tab
wait_for "Get serial push button" 30 "Get serial is reached"
settle 1
note "Space on Get serial"
key space
wait_for "Meter: ZOL6" 60 "the tool's version lines are spoken"
wait_for "Serial: 00012345" 30 "the tool's serial number is spoken"
wait_for "Ready" 30 "the tool's Ready is spoken"
settle 2
note "Orca's status-bar command"
orca_key KP_Enter 2
wait_for "Ready" 30 "the status-bar command reads the tool's status bar"
settle 1

echo "tst_orca: $failures failure(s)"
[[ $failures -eq 0 ]]
