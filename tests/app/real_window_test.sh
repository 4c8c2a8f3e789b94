#!/bin/sh
# The game in a real X window: Xvfb with the openbox window manager, driven by xdotool.
# --scale 2 opens a 1280 x 960 window, the player can resize it, F11 switches to fullscreen and
# back, and SIGTERM still ends the game normally. Usage: real_window_test.sh GAME
# Exit 77 (skipped) when one of the X tools is missing.
set -u
game="$1"
for tool in Xvfb openbox xdotool xwininfo xdpyinfo xprop; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

scratch=$(mktemp -d)
n=90
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
export DISPLAY=":$n"
pids=""
finish() {
    for pid in $pids; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap finish EXIT
fail() { echo "FAILED: $*"; exit 1; }

Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
pids="$!"
tries=0
until xdpyinfo >/dev/null 2>&1; do
    tries=$((tries + 1)); [ $tries -lt 100 ] || fail "Xvfb did not start"; sleep 0.1
done
openbox >/dev/null 2>&1 &
pids="$! $pids"
# Fullscreen is asked of the window manager, so it must be running before the game's window
# appears: a manager announces itself on the root window.
tries=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    tries=$((tries + 1)); [ $tries -lt 300 ] || fail "openbox did not start"; sleep 0.1
done

# The game's leak check would report the desktop bus library's own allocations on exit.
env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy TMPDIR="$scratch" ASAN_OPTIONS=detect_leaks=0 \
    "$game" --scale 2 >"$scratch/out.txt" 2>&1 &
game_pid=$!
pids="$game_pid $pids"

# Waits until the window has the size given (xwininfo's "Width: W" and "Height: H").
size_is() {
    tries=0
    while [ $tries -lt 150 ]; do
        geometry=$(xwininfo -id "$window" 2>/dev/null | tr -d ' ' | grep -E '^(Width|Height):' | tr '\n' ' ')
        [ "$geometry" = "Width:$1 Height:$2 " ] && return 0
        tries=$((tries + 1)); sleep 0.1
    done
    echo "window is $geometry, not $1 x $2"
    return 1
}

# Windows by what xwininfo shows of them: the game's by its class, the notice by its title.
find_window() { xwininfo -root -tree 2>/dev/null | grep -F "$1" | awk '{print $1; exit}'; }
window=""
tries=0
while ! grep -q "Init OK" "$scratch/out.txt"; do
    tries=$((tries + 1)); [ $tries -lt 600 ] || { cat "$scratch/out.txt"; fail "the game did not start"; }
    sleep 0.1
    # The software-rendering notice comes first on a machine without a GPU driver.
    notice=$(find_window '"!!OpenGL Software Emulation!!"')
    [ -n "$notice" ] && xdotool windowactivate --sync "$notice" key Return 2>/dev/null
done
window=$(find_window '("brillox" "brillox")')
[ -n "$window" ] || fail "no game window"

size_is 1280 960 || fail "--scale 2"
xdotool windowsize "$window" 800 600
size_is 800 600 || fail "the window cannot be resized"
# Presses F11 once the window has the keyboard focus (the manager may take a moment on a
# busy machine, and a key pressed before goes elsewhere).
press_f11() {
    tries=0
    until [ "$(xdotool getwindowfocus 2>/dev/null)" = "$(printf '%d' "$window")" ]; do
        tries=$((tries + 1)); [ $tries -lt 100 ] || fail "the window never got the focus"
        xdotool windowactivate --sync "$window" 2>/dev/null; sleep 0.1
    done
    xdotool key F11
}
press_f11
size_is 1920 1080 || fail "F11 does not switch to fullscreen"
press_f11
size_is 800 600 || fail "F11 does not switch back"

kill -TERM "$game_pid"
wait "$game_pid"
status=$?
[ $status -eq 0 ] || { cat "$scratch/out.txt"; fail "the game ended with $status after SIGTERM"; }
echo "passed"
