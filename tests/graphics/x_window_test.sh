#!/bin/sh
# The game under a real X server (Xvfb, which renders GL in software, without a window
# manager). The software-rendering notice: a scripted run shows no box that waits for a click
# (the notice goes to standard error as one line), and SIGTERM ends a live run while the box is
# up, box included. The window: resized far beyond the desktop, it shrinks back to the
# desktop's size. Usage: x_window_test.sh GAME
# Exit 77 (skipped) when an X tool is missing or the X server renders GL in hardware.
set -u
game="$1"
. "$(dirname "$0")/../support/xvfb.sh"
require_tools Xvfb xdpyinfo xwininfo xdotool timeout
show_logs() {
    show_log "Xvfb's output" "$scratch/xvfb.log"
    show_log "the game's standard output" "$scratch/out.txt"
    show_log "the game's standard error" "$scratch/err.txt"
}

start_xvfb 1024x768x24

# Starts the game in $scratch with its own temporary directory, without the test's headless
# video driver; the leak check would report the X libraries' own allocations.
start_game() {
    mkdir -p "$scratch/tmp"
    (cd "$scratch" && exec env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy TMPDIR="$scratch/tmp" \
        ASAN_OPTIONS=detect_leaks=0 "$game" "$@" >"$scratch/out.txt" 2>"$scratch/err.txt") &
    game_pid=$!
    started game $game_pid
}

# Waits up to 60 s for the game to end; sets status. Notes a notice window seen meanwhile.
seen_notice=""
game_ended() {
    [ -n "$seen_notice" ] || seen_notice=$(find_window "$notice_title")
    seen="the game still running"
    ! kill -0 "$game_pid" 2>/dev/null
}
wait_for_end() {
    wait_until 60 "$1" game_ended
    wait "$game_pid"
    status=$?
    forget "$game_pid"
}

# A scripted run: no box, the notice on standard error, the run ends on its own.
printf 'wait 100\n' >"$scratch/s.txt"
start_game --script s.txt
wait_for_end "the scripted run did not end"
[ $status -eq 0 ] || fail "the scripted run ended with $status"
if grep -q "OpenGL Hardware Support" "$scratch/tmp/ErrorLog.txt" 2>/dev/null; then
    echo "skipped: this X server renders GL in hardware"
    exit 77
fi
[ -z "$seen_notice" ] || fail "the scripted run showed the notice box: $seen_notice"
grep -q '^!!OpenGL Software Emulation!!: Please update your GFX adapter.s driver so it can render OpenGL by HARDWARE ' \
    "$scratch/err.txt" || fail "no notice line on standard error"
[ "$(grep -c 'Software Emulation' "$scratch/err.txt")" -eq 1 ] || fail "the notice is not one line"

# A live run: the box is up, SIGTERM ends the program and takes the box away.
start_game
notice_shown() {
    notice=$(find_window "$notice_title")
    seen="no notice box"
    [ -n "$notice" ]
}
wait_until 60 "no notice box" notice_shown
kill -TERM "$game_pid"
wait_for_end "SIGTERM did not end the game while its notice was up"
[ $status -eq 0 ] || fail "the game ended with $status after SIGTERM"
[ -z "$(find_window "$notice_title")" ] || fail "the notice box outlived the game"

# A window resized to 8000 x 8000 pixels on a 1024 x 768 desktop (nothing stops that without a
# window manager) goes back to the desktop's size: the GL driver's buffers follow the window.
start_game
wait_until 60 "the game did not start" game_started "$scratch/out.txt"
window=$(find_window '("brillox" "brillox")')
[ -n "$window" ] || fail "no game window"
timeout 20 xdotool windowsize "$window" 8000 8000
wait_until 60 "the window did not go back to the 1024 x 768 desktop" size_is 1024 768
kill -TERM "$game_pid"
wait_for_end "SIGTERM did not end the game"
[ $status -eq 0 ] || fail "the game ended with $status after SIGTERM"
echo "passed"
