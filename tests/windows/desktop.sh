# shellcheck shell=bash
# Helpers for driving the Windows programs under Wine as a user would, with
# the serial port on a pseudo-terminal (../shared/wine-serial). Sourced by
# scripts/test-windows-serial.sh and scripts/test-windows-setup.sh, which
# call begin_test first and have from the environment:
#   WINE_SERIAL  the folder holding run-under-wine.sh
#   ZOL_WINE_WORK  its tree and shim, in the build tree
#   ZOLMETER   the host's zolmeter
# Every wait is for a condition, with bounds meant for a loaded two-core
# machine; nothing is timed.

# shellcheck source=../../scripts/xdisplay.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xdisplay.sh"

pids=()
fail() {
    echo "$test_name: FAIL: $*" >&2
    if [[ -n "${DISPLAY:-}" ]] && import -window root "$scratch/failed.png" 2>/dev/null; then
        echo "$test_name: the screen, as OCR reads it:" >&2
        screen_text >&2 || true
    fi
    for log in "$scratch"/*.log; do
        [[ -s "$log" ]] && { echo "---- $(basename "$log")" >&2; tail -n 30 "$log" >&2; }
    done
    exit 1
}
note() { echo "$test_name: $*"; }

# How both scripts begin: messages named after the script and its mode, a
# scratch folder of the test's own removed at exit, what they are given from
# the environment there before anything runs, and the file they test.
#   begin_test SCRIPT MODE FILE WHAT-THE-FILE-IS
begin_test() {
    test_name="$1 $2"
    scratch=$(mktemp -d "/tmp/zol-$1.XXXXXX")
    trap cleanup EXIT
    [[ -x "${WINE_SERIAL:-}/run-under-wine.sh" ]] || fail "WINE_SERIAL does not hold run-under-wine.sh"
    [[ -n "${ZOL_WINE_WORK:-}" ]] || fail "ZOL_WINE_WORK is not set"
    [[ -x "${ZOLMETER:-}" ]] || fail "ZOLMETER does not name the host's zolmeter"
    [[ -f "$3" ]] || fail "no $4 at '$3'"
}

cleanup() {
    set +e
    # Wine's server of this prefix ends every program of it.
    [[ -n "${WINEPREFIX:-}" ]] && /usr/lib/wine/wineserver -k 2>/dev/null
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [[ -n "${KEEP_SCRATCH:-}" ]] || rm -rf "$scratch"
}

# An X display of our own for Wine's desktop.
start_display() { start_xvfb -screen 0 1280x1024x24; }

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# start_meter NAME ARGS...: zolmeter NAME is started with ARGS and --link
# $ZOL_WINE_WORK/com1 (COM1), its log in $scratch/NAME.log; returns when the
# link is there.
start_meter() {
    local name=$1
    shift
    rm -f "$ZOL_WINE_WORK/com1"
    "$ZOLMETER" "$@" --link "$ZOL_WINE_WORK/com1" >"$scratch/$name.out" 2>"$scratch/$name.log" &
    pids+=($!)
    meter_pid=$!
    local i
    for i in $(seq 150); do
        [[ -L "$ZOL_WINE_WORK/com1" ]] && return 0
        kill -0 "$meter_pid" 2>/dev/null || break
        sleep 0.2
    done
    fail "zolmeter $* did not come up"
}

# wait_log FILE TEXT SECONDS WHAT
wait_log() {
    local i
    for ((i = 0; i < $3 * 5; i++)); do
        grep -qF -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.2
    done
    fail "$4: no \"$2\" in $(basename "$1") within $3 s"
}

# run_program NAME DIR WINDOWS_PROGRAM [ARGS...]: starts the program in Wine's
# own desktop (where keys and clicks reach its windows without a window
# manager) in folder DIR, with COM1 on the meter's link; sets desktop to the
# desktop's X window once the program has drawn on it.
run_program() {
    local name=$1 dir=$2
    shift 2
    # The pages an earlier test left unsaved when its Wine was ended would be
    # offered back at the start.
    rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/"ZOL Print"
    (cd "$dir" && COM_DEVICE="$ZOL_WINE_WORK/com1" DESKTOP=1024x700 \
        exec "$WINE_SERIAL/run-under-wine.sh" "$@") >"$scratch/$name-wine.log" 2>&1 &
    pids+=($!)
    desktop=$(find_window '^zol - Wine desktop$' 300) || fail "Wine's desktop did not show for $*"
    is_drawn "$desktop" 120 || fail "$* drew no window"
    xdotool windowfocus --sync "$desktop" 2>/dev/null || true
}

# What the desktop shows, read by OCR: Qt draws the texts of its windows
# itself, so they are in no window property a tool could read.
screen_text() {
    import -window "${desktop:-root}" "$scratch/screen.png" 2>/dev/null || return 1
    convert "$scratch/screen.png" -colorspace Gray -resize 300% "$scratch/screen-big.png"
    # Each way of cutting the page into blocks misses lines another reads.
    local psm
    for psm in 3 6 11; do
        tesseract "$scratch/screen-big.png" - --psm $psm 2>/dev/null
    done
}

# wait_screen TEXT SECONDS WHAT: TEXT shown on the desktop within SECONDS.
wait_screen() {
    local deadline=$((SECONDS + $2))
    while ((SECONDS < deadline)); do
        screen_text >"$scratch/screen.txt" 2>/dev/null || true
        shows_text "$1" "$scratch/screen.txt" && return 0
        sleep 1
    done
    fail "$3: the screen did not show \"$1\" within $2 s"
}

# shows_text TEXT FILE: TEXT in what OCR read, allowing it one misread
# letter in ten ("Softwere" for "Software" in small smoothed print); short
# texts, numbers among them, must be read exactly.
shows_text() {
    grep -qF -- "$1" "$2" && return 0
    ((${#1} >= 10)) || return 1
    python3 - "$1" "$2" <<'PY'
import difflib, sys
want = sys.argv[1]
for line in open(sys.argv[2], errors="replace"):
    for start in range(max(1, len(line) - len(want) + 1)):
        chunk = line[start:start + len(want)]
        if difflib.SequenceMatcher(None, want, chunk).ratio() >= 0.9:
            sys.exit(0)
sys.exit(1)
PY
}

# click_text TEXT SECONDS WHAT: clicks the middle of TEXT (words on one
# line) where the desktop shows it, as a user clicks a button by its caption.
click_text() {
    local deadline=$((SECONDS + $2)) psm at
    while ((SECONDS < deadline)); do
        import -window "$desktop" "$scratch/screen.png" 2>/dev/null || true
        convert "$scratch/screen.png" -colorspace Gray -resize 300% "$scratch/screen-big.png"
        for psm in 11 3; do
            tesseract "$scratch/screen-big.png" "$scratch/words" --psm $psm tsv 2>/dev/null || continue
            at=$(python3 - "$scratch/words.tsv" "$1" <<'PY'
import csv, sys
rows = [r for r in csv.DictReader(open(sys.argv[1]), delimiter="\t", quoting=csv.QUOTE_NONE)
        if r["text"].strip()]
# OCR may join words ("username"): the caption is matched without spaces.
want = "".join(sys.argv[2].split())
for i in range(len(rows)):
    for n in range(1, 6):
        run = rows[i:i + n]
        if len(run) < n or len({(r["block_num"], r["par_num"], r["line_num"]) for r in run}) > 1:
            break
        if "".join(r["text"] for r in run) != want:
            continue
        left = int(run[0]["left"])
        right = int(run[-1]["left"]) + int(run[-1]["width"])
        middle = int(run[0]["top"]) + int(run[0]["height"]) // 2
        print((left + right) // 6, middle // 3)
        sys.exit()
PY
            )
            if [[ -n "$at" ]]; then
                # shellcheck disable=SC2086
                xdotool mousemove --window "$desktop" $at click 1
                return 0
            fi
        done
        sleep 1
    done
    fail "$3: no \"$1\" to click on the screen within $2 s"
}

key() { xdotool key --delay 100 "$@"; }
type_text() { xdotool type --delay 80 "$1"; }

# wait_file PATH SECONDS WHAT: PATH exists and has stopped growing.
wait_file() {
    local i size last=-1
    for ((i = 0; i < $2 * 2; i++)); do
        if [[ -f "$1" ]]; then
            size=$(stat -c %s "$1")
            [[ "$size" == "$last" ]] && return 0
            last=$size
        fi
        sleep 0.5
    done
    fail "$3: no file $1 within $2 s"
}

# wait_gone EXE SECONDS WHAT: no process of that name in this prefix.
wait_gone() {
    local i
    for ((i = 0; i < $2 * 2; i++)); do
        pgrep -f -- "$1" >/dev/null || return 0
        sleep 0.5
    done
    fail "$3: $1 still runs after $2 s"
}

# same_bytes GOT EXPECTED WHAT
same_bytes() {
    cmp "$1" "$2" >&2 || {
        echo "---- got:" >&2
        od -c "$1" | head -n 20 >&2
        echo "---- expected:" >&2
        od -c "$2" | head -n 20 >&2
        fail "$3: $(basename "$1") is not byte for byte what the meter's bytes give"
    }
}
