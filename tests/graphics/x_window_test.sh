#!/bin/sh
# The game under a real X server (Xvfb, which renders GL in software, without a window
# manager). The software-rendering notice: a scripted run shows no box that waits for a click
# (the notice goes to standard error as one line), and SIGTERM ends a live run while the box is
# up, box included. The window: resized far beyond the desktop, it shrinks back to the
# desktop's size. Usage: x_window_test.sh GAME
# Exit 77 (skipped) when an X tool is missing or the X server renders GL in hardware.
set -u
game="$1"
for tool in Xvfb xdpyinfo xwininfo xdotool; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

scratch=$(mktemp -d)
pids=""
finish() {
    for pid in $pids; do kill -KILL "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap finish EXIT
fail() { echo "FAILED: $*"; exit 1; }

# Xvfb picks a free display itself and writes its number once it accepts clients; -noreset
# keeps it from starting afresh (and refusing clients meanwhile) whenever a game ends.
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xvfb=$!
pids="$xvfb"
tries=0
until [ -n "$(cat "$scratch/display" 2>/dev/null)" ]; do
    tries=$((tries + 1))
    kill -0 "$xvfb" 2>/dev/null || { cat "$scratch/xvfb.log"; fail "Xvfb ended"; }
    [ $tries -lt 600 ] || { cat "$scratch/xvfb.log"; fail "Xvfb did not start in 60 s"; }
    sleep 0.1
done
export DISPLAY=":$(cat "$scratch/display")"
xdpyinfo >/dev/null 2>&1 || fail "no X server at $DISPLAY"

notice_window() { xwininfo -root -tree 2>/dev/null | grep -F '"!!OpenGL Software Emulation!!"'; }

# Starts the game in $scratch with its own temporary directory, without the test's headless
# video driver; the leak check would report the X libraries' own allocations.
start_game() {
    mkdir -p "$scratch/tmp"
    (cd "$scratch" && exec env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy TMPDIR="$scratch/tmp" \
        ASAN_OPTIONS=detect_leaks=0 "$game" "$@" >"$scratch/out.txt" 2>"$scratch/err.txt") &
    game_pid=$!
    pids="$game_pid $pids"
}

# Waits up to 60 s for the game to end; sets status. Notes a notice window seen meanwhile.
seen_notice=""
wait_for_end() {
    tries=0
    while kill -0 "$game_pid" 2>/dev/null; do
        [ -n "$seen_notice" ] || seen_notice=$(notice_window)
        tries=$((tries + 1))
        if [ $tries -ge 600 ]; then
            echo "standard error:"; cat "$scratch/err.txt"
            echo "windows:"; xwininfo -root -tree 2>/dev/null | grep -v "has no name"
            fail "$1"
        fi
        sleep 0.1
    done
    wait "$game_pid"
    status=$?
}

# A scripted run: no box, the notice on standard error, the run ends on its own.
printf 'wait 100\n' >"$scratch/s.txt"
start_game --script s.txt
wait_for_end "the scripted run did not end within 60 s"
[ $status -eq 0 ] || { cat "$scratch/err.txt"; fail "the scripted run ended with $status"; }
if grep -q "OpenGL Hardware Support" "$scratch/tmp/ErrorLog.txt" 2>/dev/null; then
    echo "skipped: this X server renders GL in hardware"
    exit 77
fi
[ -z "$seen_notice" ] || fail "the scripted run showed the notice box: $seen_notice"
grep -q '^!!OpenGL Software Emulation!!: Please update your GFX adapter.s driver so it can render OpenGL by HARDWARE ' \
    "$scratch/err.txt" || { cat "$scratch/err.txt"; fail "no notice line on standard error"; }
[ "$(grep -c 'Software Emulation' "$scratch/err.txt")" -eq 1 ] || fail "the notice is not one line"

# A live run: the box is up, SIGTERM ends the program and takes the box away.
start_game
tries=0
until [ -n "$(notice_window)" ]; do
    tries=$((tries + 1))
    kill -0 "$game_pid" 2>/dev/null || { cat "$scratch/err.txt"; fail "the game ended before its notice"; }
    [ $tries -lt 600 ] || { cat "$scratch/err.txt"; fail "no notice box within 60 s"; }
    sleep 0.1
done
kill -TERM "$game_pid"
wait_for_end "SIGTERM did not end the game within 60 s while its notice was up"
[ $status -eq 0 ] || { cat "$scratch/err.txt"; fail "the game ended with $status after SIGTERM"; }
[ -z "$(notice_window)" ] || fail "the notice box outlived the game: $(notice_window)"

# A window resized to 8000 x 8000 pixels on a 1024 x 768 desktop (nothing stops that without a
# window manager) goes back to the desktop's size: the GL driver's buffers follow the window.
start_game
tries=0
while ! grep -q "Init OK" "$scratch/out.txt"; do
    tries=$((tries + 1))
    kill -0 "$game_pid" 2>/dev/null || { cat "$scratch/err.txt"; fail "the game ended before Init OK"; }
    [ $tries -lt 600 ] || { cat "$scratch/err.txt"; fail "the game did not start within 60 s"; }
    notice=$(xwininfo -root -tree 2>/dev/null | grep -F '"!!OpenGL Software Emulation!!"' | awk '{print $1}')
    [ -n "$notice" ] && xdotool windowfocus "$notice" key Return 2>/dev/null
    sleep 0.1
done
window=$(xwininfo -root -tree 2>/dev/null | grep -F '("brillox" "brillox")' | awk '{print $1; exit}')
[ -n "$window" ] || fail "no game window"
xdotool windowsize "$window" 8000 8000
tries=0
size=""
until [ "$size" = "1024 768" ]; do
    tries=$((tries + 1))
    [ $tries -lt 600 ] || fail "the window stayed at $size, beyond the 1024 x 768 desktop"
    sleep 0.1
    size=$(xwininfo -id "$window" 2>/dev/null | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w, h}')
done
kill -TERM "$game_pid"
wait_for_end "SIGTERM did not end the game within 60 s"
[ $status -eq 0 ] || { cat "$scratch/err.txt"; fail "the game ended with $status after SIGTERM"; }
echo "passed"
