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
. "$(dirname "$0")/../support/xvfb.sh"
require_tools Xvfb openbox xdotool xwininfo xdpyinfo xprop timeout
show_logs() {
    show_log "Xvfb's output" "$scratch/xvfb.log"
    show_log "openbox's output" "$scratch/openbox.log"
    show_log "the game's output" "$scratch/game.log"
}

start_xvfb 1920x1080x24

# Fullscreen is asked of the window manager, so it must be running before the game's window
# appears: a manager announces itself on the root window with a check window named after it.
# Openbox gets a configuration folder of its own, so that a user's settings (key bindings,
# session manager) do not change what the test sees.
mkdir "$scratch/config" "$scratch/cache"
env XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache" \
    openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
started openbox $!
openbox_manages() {
    seen=$(timeout 20 xprop -root _NET_SUPPORTING_WM_CHECK 2>&1)
    check=$(echo "$seen" | sed -n 's/.*window id # \(0x[0-9a-f]*\).*/\1/p')
    [ -n "$check" ] || return 1
    seen=$(timeout 20 xprop -id "$check" _NET_WM_NAME 2>&1)
    echo "$seen" | grep -q '"Openbox"'
}
wait_until 60 "openbox did not take charge of the screen" openbox_manages
window_manager=openbox

# The game's leak check would report the desktop bus library's own allocations on exit.
env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy TMPDIR="$scratch" ASAN_OPTIONS=detect_leaks=0 \
    "$game" --scale 2 >"$scratch/game.log" 2>&1 &
game_pid=$!
started game $game_pid
wait_until 90 "the game did not start" game_started "$scratch/game.log"
game_window_exists() {
    window=$(find_window '("brillox" "brillox")')
    seen="no window of class brillox"
    [ -n "$window" ]
}
wait_until 30 "no game window" game_window_exists

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
forget "$game_pid"
[ $status -eq 0 ] || fail "the game ended with status $status after SIGTERM"
echo "passed"
