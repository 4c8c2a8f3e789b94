#!/bin/sh
# The game in a real X window: Xvfb with the openbox window manager, driven by xdotool.
# --scale 2 opens a 1280 x 960 window, the player can resize it, F11 switches to fullscreen and
# back, and SIGTERM still ends the game normally. Usage: real_window_test.sh GAME
# Exit 77 (skipped) when one of the X tools is missing.
#
# Every wait is for the condition itself, up to a limit in seconds that a loaded machine still
# meets, and ends at once when a process it depends on has ended. A failure prints what the test
# saw: each process's state or exit status, the logs of Xvfb, openbox and the game, and the
# window tree.
set -u
game="$1"
for tool in Xvfb openbox xdotool xwininfo xdpyinfo xprop timeout; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

scratch=$(mktemp -d)
# Names and ids of the processes started, in start order ("xvfb 123 openbox 456 ...").
started=""
finish() {
    set -- $started
    while [ $# -ge 2 ]; do kill "$2" 2>/dev/null; shift 2; done
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap finish EXIT

# Prints the state of every process started: running, or its exit status.
process_states() {
    set -- $started
    while [ $# -ge 2 ]; do
        if kill -0 "$2" 2>/dev/null; then
            echo "$1 (pid $2) is running"
        else
            wait "$2"
            echo "$1 (pid $2) ended with status $?"
        fi
        shift 2
    done
}

show_log() {
    echo "--- $1:"
    if [ -s "$2" ]; then cat "$2"; else echo "(empty)"; fi
}

fail() {
    echo "FAILED: $*"
    process_states
    show_log "Xvfb's output" "$scratch/xvfb.log"
    show_log "openbox's output" "$scratch/openbox.log"
    show_log "the game's output" "$scratch/game.log"
    if [ -n "${DISPLAY:-}" ]; then
        echo "--- the window tree of $DISPLAY:"
        timeout 20 xwininfo -root -tree 2>&1
    fi
    exit 1
}

# all_running WHAT: fails with WHAT when one of the processes started has ended, as every one of
# them must run to the end.
all_running() {
    for_what=$1
    set -- $started
    while [ $# -ge 2 ]; do
        kill -0 "$2" 2>/dev/null || fail "$for_what: $1 ended"
        shift 2
    done
}

# wait_until SECONDS WHAT COMMAND...: runs COMMAND every tenth of a second until it succeeds.
# Fails with WHAT when SECONDS pass first or a process started ends; the command sets `seen` to
# what it found, which the failure prints.
wait_until() {
    limit=$1 what=$2
    shift 2
    seen=""
    deadline=$(($(date +%s) + limit))
    until "$@"; do
        all_running "$what"
        [ "$(date +%s)" -lt "$deadline" ] || fail "$what (waited $limit s; last seen: ${seen:-nothing})"
        sleep 0.1
    done
}

# Xvfb picks a free display number itself and writes it once it accepts connections. Picking
# one here and starting the server on it afterwards races with other X servers starting at the
# same time (two test runs, a benchmark), and inside a chroot the lock files in /tmp do not show
# the host's servers, whose abstract sockets are shared. Without -noreset the server resets
# whenever its last client disconnects, and a client connecting during the reset (openbox right
# after the probe below) is refused: the window manager then ends at once.
xvfb_ready() {
    seen=$(cat "$scratch/display")
    case "$seen" in *[0-9]) [ "$(wc -l <"$scratch/display")" -ge 1 ] ;; *) false ;; esac
}
Xvfb -displayfd 3 -noreset -screen 0 1920x1080x24 -nolisten tcp 3>"$scratch/display" \
    >"$scratch/xvfb.log" 2>&1 &
started="xvfb $!"
wait_until 60 "Xvfb did not report its display" xvfb_ready
export DISPLAY=":$(cat "$scratch/display")"
display_answers() { seen=$(timeout 20 xdpyinfo 2>&1 | head -n 3); timeout 20 xdpyinfo >/dev/null 2>&1; }
wait_until 60 "Xvfb does not answer on $DISPLAY" display_answers

# Fullscreen is asked of the window manager, so it must be running before the game's window
# appears: a manager announces itself on the root window with a check window named after it.
# Openbox gets a configuration folder of its own, so that a user's settings (key bindings,
# session manager) do not change what the test sees.
mkdir "$scratch/config" "$scratch/cache"
env XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache" \
    openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
started="$started openbox $!"
openbox_manages() {
    seen=$(timeout 20 xprop -root _NET_SUPPORTING_WM_CHECK 2>&1)
    check=$(echo "$seen" | sed -n 's/.*window id # \(0x[0-9a-f]*\).*/\1/p')
    [ -n "$check" ] || return 1
    seen=$(timeout 20 xprop -id "$check" _NET_WM_NAME 2>&1)
    echo "$seen" | grep -q '"Openbox"'
}
wait_until 60 "openbox did not take charge of the screen" openbox_manages

# The game's leak check would report the desktop bus library's own allocations on exit.
env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy TMPDIR="$scratch" ASAN_OPTIONS=detect_leaks=0 \
    "$game" --scale 2 >"$scratch/game.log" 2>&1 &
game_pid=$!
started="$started game $game_pid"

# Windows by what xwininfo shows of them: the game's by its class, the notice by its title.
find_window() { timeout 20 xwininfo -root -tree 2>/dev/null | grep -F "$1" | awk '{print $1; exit}'; }
# The software-rendering notice comes first on a machine without a GPU driver; Return closes it.
game_started() {
    seen=$(tail -n 1 "$scratch/game.log")
    grep -q "Init OK" "$scratch/game.log" && return 0
    notice=$(find_window '"!!OpenGL Software Emulation!!"')
    [ -n "$notice" ] && timeout 10 xdotool windowactivate --sync "$notice" key Return 2>/dev/null
    return 1
}
wait_until 90 "the game did not start" game_started
game_window_exists() {
    window=$(find_window '("brillox" "brillox")')
    seen="no window of class brillox"
    [ -n "$window" ]
}
wait_until 30 "no game window" game_window_exists

# True when the game's window has the size given (xwininfo's "Width: W" and "Height: H").
size_is() {
    seen=$(timeout 20 xwininfo -id "$window" 2>&1 | tr -d ' ' | grep -E '^(Width|Height):' | tr '\n' ' ')
    [ "$seen" = "Width:$1 Height:$2 " ]
}
wait_until 30 "--scale 2 does not open a 1280 x 960 window" size_is 1280 960
timeout 20 xdotool windowsize "$window" 800 600
wait_until 30 "the window cannot be resized to 800 x 600" size_is 800 600

# Presses F11 once the window has the keyboard focus (the manager may take a moment on a busy
# machine, and a key pressed before goes elsewhere). Asks for the focus again on every try.
has_focus() {
    seen="the focus on $(timeout 20 xdotool getwindowfocus 2>&1)"
    [ "$seen" = "the focus on $(printf '%d' "$window")" ] && return 0
    timeout 20 xdotool windowactivate "$window" 2>/dev/null
    return 1
}
press_f11() {
    wait_until 30 "the window never got the keyboard focus" has_focus
    timeout 20 xdotool key F11
}
press_f11
wait_until 30 "F11 does not switch to fullscreen (1920 x 1080)" size_is 1920 1080
press_f11
wait_until 30 "F11 does not switch back to 800 x 600" size_is 800 600

kill -TERM "$game_pid"
wait "$game_pid"
status=$?
started=${started% game *}
[ $status -eq 0 ] || fail "the game ended with status $status after SIGTERM"
echo "passed"
