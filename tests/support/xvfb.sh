# Shell functions for the scripts that run the game under a real X server (Xvfb). POSIX sh, to be
# sourced: . "$(dirname "$0")/../support/xvfb.sh"
#
# Sourcing it makes a scratch folder ($scratch), removed on exit together with every process
# started. A script notes each process it starts in the background with `started NAME $!`; every
# wait is for the condition itself, up to a limit in wall-clock seconds that a loaded machine still
# meets, and ends at once when a noted process has ended. A failure prints what the script saw:
# each process's state or exit status, the logs (show_logs, which a script may define again after
# sourcing this file to add its own) and the window tree.

# require_tools TOOL...: exits 77 (skipped) when one of the tools is not installed.
require_tools() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
    done
}

scratch=$(mktemp -d)
# Names and ids of the processes started and not yet waited for, in start order
# ("xvfb 123 openbox 456 ...").
running=""

# started NAME PID: notes a process started in the background.
started() { running="$running $1 $2"; }

# forget PID: takes a process off the list once the script has waited for its end itself.
forget() {
    forget_pid=$1 kept=""
    set -- $running
    while [ $# -ge 2 ]; do
        [ "$2" = "$forget_pid" ] || kept="$kept $1 $2"
        shift 2
    done
    running=$kept
}

# On exit: SIGTERM to every process still noted, latest first (the game before its window manager
# and X server); after 10 s, SIGKILL to whatever still runs, so that a hung process cannot keep the
# script from ending.
finish() {
    set -- $running
    pids=""
    while [ $# -ge 2 ]; do pids="$2 $pids"; shift 2; done
    for pid in $pids; do kill "$pid" 2>/dev/null; done
    deadline=$(($(date +%s) + 10))
    for pid in $pids; do
        while kill -0 "$pid" 2>/dev/null && [ "$(date +%s)" -lt "$deadline" ]; do sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap finish EXIT

# Prints the state of every process noted: running, or its exit status.
process_states() {
    set -- $running
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

# show_log TITLE FILE
show_log() {
    echo "--- $1:"
    if [ -s "$2" ]; then cat "$2"; else echo "(empty)"; fi
}

# The logs a failure prints.
show_logs() { show_log "Xvfb's output" "$scratch/xvfb.log"; }

fail() {
    echo "FAILED: $*"
    process_states
    show_logs
    if [ -n "${DISPLAY:-}" ]; then
        echo "--- the window tree of $DISPLAY:"
        timeout 20 xwininfo -root -tree 2>&1
    fi
    exit 1
}

# all_running: false when one of the processes noted has ended; sets `ended` to its name.
all_running() {
    set -- $running
    while [ $# -ge 2 ]; do
        kill -0 "$2" 2>/dev/null || { ended=$1; return 1; }
        shift 2
    done
}

# wait_until SECONDS WHAT COMMAND...: runs COMMAND every tenth of a second until it succeeds.
# Fails with WHAT when SECONDS pass first or a process noted ends (COMMAND runs once more then,
# as that end may be what it waits for); the command sets `seen` to what it found, which the
# failure prints.
wait_until() {
    limit=$1 what=$2
    shift 2
    seen=""
    deadline=$(($(date +%s) + limit))
    until "$@"; do
        if ! all_running; then
            "$@" && return 0
            fail "$what: $ended ended"
        fi
        [ "$(date +%s)" -lt "$deadline" ] || fail "$what (waited $limit s; last seen: ${seen:-nothing})"
        sleep 0.1
    done
}

# start_xvfb WIDTHxHEIGHTxDEPTH: starts Xvfb, its output in $scratch/xvfb.log, and exports DISPLAY
# once the server answers there.
#
# Xvfb picks a free display number itself and writes it once it accepts connections. Picking
# one here and starting the server on it afterwards races with other X servers starting at the
# same time (two test runs, a benchmark), and inside a chroot the lock files in /tmp do not show
# the host's servers, whose abstract sockets are shared. Without -noreset the server resets
# whenever its last client disconnects, and a client connecting during the reset (a window
# manager right after the probe below, the next game) is refused.
start_xvfb() {
    Xvfb -displayfd 3 -noreset -screen 0 "$1" -nolisten tcp 3>"$scratch/display" \
        >"$scratch/xvfb.log" 2>&1 &
    started xvfb $!
    wait_until 60 "Xvfb did not report its display" xvfb_ready
    DISPLAY=":$(cat "$scratch/display")"
    export DISPLAY
    wait_until 60 "Xvfb does not answer on $DISPLAY" display_answers
}
xvfb_ready() {
    seen=$(cat "$scratch/display")
    case "$seen" in *[0-9]) [ "$(wc -l <"$scratch/display")" -ge 1 ] ;; *) false ;; esac
}
display_answers() { seen=$(timeout 20 xdpyinfo 2>&1 | head -n 3); timeout 20 xdpyinfo >/dev/null 2>&1; }

# find_window TEXT: the id of the first window whose line in xwininfo's tree holds TEXT: the
# game's by its class, '("brillox" "brillox")', the notice by its title.
find_window() { timeout 20 xwininfo -root -tree 2>/dev/null | grep -F "$1" | awk '{print $1; exit}'; }
notice_title='"!!OpenGL Software Emulation!!"'

# game_started LOG: true once the game has written "Init OK" to LOG. Meanwhile presses Return in
# the software-rendering notice (it comes first on a machine without a GPU driver and waits for a
# key): through the window manager when one runs ($window_manager set), which would otherwise
# keep the focus elsewhere, and by giving the box the focus directly when none does.
window_manager=""
game_started() {
    seen=$(tail -n 1 "$1" 2>/dev/null)
    grep -qs "Init OK" "$1" && return 0
    notice=$(find_window "$notice_title")
    if [ -n "$notice" ] && [ -n "$window_manager" ]; then
        timeout 10 xdotool windowactivate --sync "$notice" key Return 2>/dev/null
    elif [ -n "$notice" ]; then
        timeout 10 xdotool windowfocus "$notice" key Return 2>/dev/null
    fi
    return 1
}

# size_is WIDTH HEIGHT: true when the window $window has that size (xwininfo's "Width: W" and
# "Height: H").
size_is() {
    seen=$(timeout 20 xwininfo -id "$window" 2>&1 | tr -d ' ' | grep -E '^(Width|Height):' | tr '\n' ' ')
    [ "$seen" = "Width:$1 Height:$2 " ]
}
