#!/bin/sh
# Resident memory of the game through a storm of window resizes, from 1 x 1 to 8000 x 8000,
# under Xvfb (a 1920 x 1080 screen) with xdotool. Prints the resident size before the storm, its
# peak during the storm (sampled every 50 ms), the size a second after it and the kernel's
# high-water mark. Usage: resize_storm.sh GAME [ROUNDS]   (the release build's brillox)
set -u
game="$1"
rounds="${2:-5}"
# The shell functions of the X tests: a scratch folder, Xvfb, waits with wall-clock limits.
. "$(dirname "$0")/../../tests/support/xvfb.sh"
require_tools Xvfb xdotool xwininfo xdpyinfo timeout
show_logs() {
    show_log "Xvfb's output" "$scratch/xvfb.log"
    show_log "the game's output" "$scratch/out.txt"
}

start_xvfb 1920x1080x24
mkdir -p "$scratch/tmp"
env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy TMPDIR="$scratch/tmp" "$game" >"$scratch/out.txt" 2>&1 &
game_pid=$!
started game $game_pid
wait_until 60 "the game did not start" game_started "$scratch/out.txt"
window=$(find_window '("brillox" "brillox")')
[ -n "$window" ] || fail "no game window"
sleep 1

kib() { awk -v key="$1:" '$1 == key {print $2}' "/proc/$game_pid/status"; }
before=$(kib VmRSS)
peak=$before
sample() {
    now=$(kib VmRSS)
    [ -n "$now" ] && [ "$now" -gt "$peak" ] && peak=$now
}
round=0
while [ $round -lt "$rounds" ]; do
    for size in "1 1" "8000 8000" "640 480" "8000 1" "1 8000" "4000 4000" "1920 1080" \
        "7999 7999" "2 2" "8000 8000" "800 600"; do
        # shellcheck disable=SC2086
        xdotool windowsize "$window" $size 2>/dev/null
        for _ in 1 2 3 4; do sample; sleep 0.05; done
    done
    round=$((round + 1))
done
sleep 1
after=$(kib VmRSS)
hwm=$(kib VmHWM)
kill -TERM "$game_pid"
echo "resident before ${before} KiB, peak sampled ${peak} KiB, after ${after} KiB, high-water mark ${hwm} KiB"
