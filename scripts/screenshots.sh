#!/usr/bin/env bash
# Renders the pictures in docs/screenshots/ from the real programs: builds
# them, starts each on a virtual X display (no window manager) against the
# simulated meter, works it with the keyboard and mouse as a user would, and
# grabs its windows. Run it again whenever a window changes.
#   scripts/screenshots.sh
# Needs xvfb, xdotool and imagemagick (scripts/setup.sh --tests installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=xdisplay.sh
source "$root/scripts/xdisplay.sh"
out=$root/docs/screenshots

fail() {
    echo "screenshots: $*" >&2
    exit 1
}

for tool in Xvfb xdotool import convert; do
    command -v "$tool" >/dev/null 2>&1 ||
        fail "$tool is missing; run scripts/setup.sh --tests first"
done

cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target ZOLprint zolusername zolmeter
zolprint=$root/build/default/reader/ZOLprint
usertool="$root/build/default/usertool/zol-user-name"
zolmeter=$root/build/default/meter/zolmeter

scratch=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$scratch"
}
trap cleanup EXIT

# The same look on every machine: a 96-DPI screen, no desktop theme, no
# scaling, and nothing read from or written to the user's own settings.
unset QT_STYLE_OVERRIDE QT_QPA_PLATFORMTHEME QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS \
    QT_FONT_DPI QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$scratch/runtime XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
mkdir -m 700 "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
export LC_ALL=C.UTF-8

# The screen is large enough for the main window at 200 %.
start_xvfb -screen 0 1600x1200x24 -dpi 96

# window_id NAME-REGEX [LOG]: the id of the visible window whose whole title
# matches, waiting up to 15 s for it; LOG is what its program printed.
window_id() {
    local id
    if id=$(find_window "^$1\$" 15); then
        # Let the first paint reach the screen.
        sleep 0.5
        echo "$id"
        return 0
    fi
    fail "the window \"$1\" did not show${2:+; the program printed:
$(cat "$2")}"
}

window_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "the window \"$1\" did not close"
}

# wait_log FILE TEXT COUNT SECONDS: until FILE has COUNT lines holding TEXT.
wait_log() {
    local i
    for ((i = 0; i < $4 * 10; i++)); do
        (($(grep -c -- "$2" "$1" || true) >= $3)) && return 0
        sleep 0.1
    done
    fail "waited $4 s for \"$2\" from the simulated meter; its log:
$(cat "$1")"
}

# Palette PNGs: the windows have few colours, and the pictures go into git.
save_png() {
    convert "$1" -strip +dither -colors 256 -define png:exclude-chunks=date,time "PNG8:$out/$2"
    echo "screenshots: $out/$2"
}

grab_window() {
    import -window "$1" "$scratch/grab.png"
    save_png "$scratch/grab.png" "$2"
}

# A menu is a window of its own; take the screen where the main window is.
grab_area_of() {
    local WIDTH HEIGHT X Y
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(WIDTH|HEIGHT|X|Y)=')"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$scratch/grab.png"
    save_png "$scratch/grab.png" "$2"
}

focus() {
    xdotool windowfocus --sync "$1"
    sleep 0.2
}

start_meter() {
    local log=$scratch/$1.log
    "$zolmeter" "$@" >"$scratch/$1.device" 2>"$log" &
    pids+=($!)
    for _ in $(seq 50); do
        [[ -s "$scratch/$1.device" ]] && break
        sleep 0.1
    done
    [[ -s "$scratch/$1.device" ]] || fail "the simulated meter did not start: $(cat "$log")"
}

mkdir -p "$out"

# shoot_zolprint LANGUAGE-NUMBER SUFFIX LOCALE [SCALE]: the main window after
# reading the sample dump, and its Communication menu with the port list open.
# The locale gives the status bar's time and date the format a user there
# sees; SCALE is the desktop's scale factor (1 unless given).
shoot_zolprint() {
    local folder=$scratch/zolprint-$2 log=$scratch/dump.log id closed
    mkdir -p "$folder"
    printf ' %s \r\n 1 \r\n' "$1" >"$folder/zolprint.ini"
    closed=$(grep -c -- ': closed$' "$log" || true)
    (cd "$folder" && LC_ALL=$3 QT_SCALE_FACTOR=${4:-1} \
        ZOL_COM1=$(head -n 1 "$scratch/dump.device") exec "$zolprint") \
        >"$folder/stdout" 2>&1 &
    pids+=($!)
    id=$(window_id 'ZOL Print' "$folder/stdout")
    focus "$id"
    xdotool key ctrl+i
    # The meter waits a second for its keypad, sends the dump at 2400 baud,
    # and the program ends the transfer after ten seconds of silence.
    wait_log "$log" 'opened;' $((closed + 1)) 10
    wait_log "$log" ': closed$' $((closed + 1)) 60
    sleep 0.5
    grab_window "$id" "zolprint-main-$2.png"

    focus "$id"
    xdotool key alt+c
    sleep 0.3
    xdotool key Right
    sleep 0.5
    grab_area_of "$id" "zolprint-menu-$2.png"
    xdotool key Escape Escape
    sleep 0.2

    if [[ "$2" == en ]]; then
        focus "$id"
        xdotool key F1
        local about
        about=$(window_id 'About ZOL Print')
        grab_window "$about" "zolprint-about.png"
        focus "$about"
        xdotool key Escape
        window_gone 'About ZOL Print'
    fi

    focus "$id"
    xdotool key ctrl+q
    # The pages read were never saved: the question before exit, answered No.
    local question
    question=$(window_id 'ZOL Print')
    focus "$question"
    xdotool key alt+n
    window_gone 'ZOL Print\*?'
    [[ -s "$folder/zolprint.ini" ]] || fail "ZOLprint did not write its settings at exit"
}

start_meter dump
shoot_zolprint 1 en C.UTF-8
shoot_zolprint 0 nl nl_NL.UTF-8
# At 200 %, as on a high-density screen: the same layout, nothing cut off.
shoot_zolprint 1 en-200 C.UTF-8 2

# The user-name tool speaks English only. Positions are the window's own
# layout at 96 DPI (15 twips a pixel), inside the control.
start_meter zol6
tool_title='ZOL6 user name programming tool'
ZOL_COM1=$(head -n 1 "$scratch/zol6.device") "$usertool" >"$scratch/usertool.out" 2>&1 &
pids+=($!)
tool=$(window_id "$tool_title vs [0-9.]*" "$scratch/usertool.out")
focus "$tool"
xdotool mousemove --window "$tool" 70 108 click 1 # Get serial
wait_log "$scratch/zol6.log" 'answered' 1 10
wait_log "$scratch/zol6.log" ': closed$' 1 10
sleep 0.5
grab_window "$tool" usertool-serial.png

xdotool mousemove --window "$tool" 250 137 click 1 # the name box
xdotool type --delay 50 'K SCHRODER'
xdotool mousemove --window "$tool" 70 140 click 1 # Program user name
confirm=$(window_id "$tool_title")
grab_window "$confirm" usertool-confirm.png
focus "$confirm"
xdotool key alt+y
wait_log "$scratch/zol6.log" 'answered' 2 10
wait_log "$scratch/zol6.log" ': closed$' 2 10
sleep 0.5
grab_window "$tool" usertool-programmed.png
