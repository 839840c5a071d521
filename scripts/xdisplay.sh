# shellcheck shell=bash
# A virtual X display and the waits for windows on it, for the scripts that
# drive the programs' windows: tests/windows/desktop.sh,
# scripts/test-windows-zip.sh and scripts/screenshots.sh source it. Each
# defines fail, keeps what it starts in the array pids and its logs in
# $scratch. Every wait is for a condition, bounded for a loaded machine.

# start_xvfb XVFB-OPTIONS...: an X display of our own, exported as DISPLAY.
# Xvfb picks a free display itself and writes its number to fd 3. Without
# -noreset it resets whenever its last client leaves, and refuses the next
# program while it does.
start_xvfb() {
    command -v Xvfb >/dev/null || fail "no Xvfb: run scripts/setup.sh --tests"
    Xvfb -displayfd 3 "$@" -nolisten tcp -noreset 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        [[ -s "$scratch/display" ]] && break
        sleep 0.1
    done
    [[ -s "$scratch/display" ]] || fail "Xvfb did not start: $(cat "$scratch/xvfb.log")"
    DISPLAY=:$(head -n 1 "$scratch/display")
    export DISPLAY
}

# find_window TITLE-REGEX SECONDS: prints the id of the visible window whose
# title matches, the newest if several do; false when none showed in time.
find_window() {
    local id i
    for ((i = 0; i < $2 * 10; i++)); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true)
        [[ -n "$id" ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# is_drawn WINDOW SECONDS: whether the window comes to show more than one
# colour: an empty Wine desktop is one colour, a program's window many.
is_drawn() {
    local colours i
    for ((i = 0; i < $2 * 2; i++)); do
        import -window "$1" "$scratch/drawn.png" 2>/dev/null || true
        colours=$(convert "$scratch/drawn.png" -format '%k' info: 2>/dev/null || echo 0)
        [[ "$colours" -gt 20 ]] && return 0
        sleep 0.5
    done
    return 1
}
