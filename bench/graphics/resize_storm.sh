#!/bin/sh
# Resident memory of the game through a storm of window resizes, from 1 x 1 to 8000 x 8000,
# under Xvfb (a 1920 x 1080 screen) with xdotool. Prints the resident size before the storm, its
# peak during the storm (sampled every 50 ms), the size a second after it and the kernel's
# high-water mark. Usage: resize_storm.sh GAME [ROUNDS]   (the release build's brillox)
set -u
game="$1"
rounds="${2:-5}"
for tool in Xvfb xdotool xwininfo xdpyinfo; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed"; exit 2; }
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

Xvfb -displayfd 3 -noreset -screen 0 1920x1080x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
pids="$!"
tries=0
until [ -n "$(cat "$scratch/display" 2>/dev/null)" ]; do
    tries=$((tries + 1)); [ $tries -lt 600 ] || fail "Xvfb did not start"; sleep 0.1
done
export DISPLAY=":$(cat "$scratch/display")"

mkdir -p "$scratch/tmp"
env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy TMPDIR="$scratch/tmp" "$game" >"$scratch/out.txt" 2>&1 &
game_pid=$!
pids="$game_pid $pids"
find_window() { xwininfo -root -tree 2>/dev/null | grep -F "$1" | awk '{print $1; exit}'; }
tries=0
while ! grep -q "Init OK" "$scratch/out.txt"; do
    tries=$((tries + 1)); [ $tries -lt 600 ] || { cat "$scratch/out.txt"; fail "the game did not start"; }
    notice=$(find_window '"!!OpenGL Software Emulation!!"')
    [ -n "$notice" ] && xdotool windowfocus "$notice" key Return 2>/dev/null
    sleep 0.1
done
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
