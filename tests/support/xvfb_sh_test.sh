#!/bin/sh
# The shell functions of tests/support/xvfb.sh that need no X server: waits, the list of
# processes started, the tool check and the cleanup on exit. Each case runs in a script of its
# own (the functions exit on failure). Usage: xvfb_sh_test.sh
set -u
library="$(cd "$(dirname "$0")" && pwd)/xvfb.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
problem() { echo "FAILED: $*"; failures=$((failures + 1)); }

# run_case NAME BODY: runs BODY after sourcing the library, its output in $work/NAME.out and its
# exit status in `status`.
run_case() {
    printf 'set -u\n. "%s"\n%s\n' "$library" "$2" >"$work/$1.sh"
    sh "$work/$1.sh" >"$work/$1.out" 2>&1
    status=$?
}
output_has() { grep -qF -- "$2" "$work/$1.out" || problem "$1: no '$2' in: $(cat "$work/$1.out")"; }

# A condition that holds ends the wait at once; one that never does fails after the limit with
# what it saw last.
run_case holds 'wait_until 5 "never" true; echo done'
[ $status -eq 0 ] || problem "holds: status $status"
output_has holds done
run_case limit 'never() { seen="still nothing"; false; }; wait_until 1 "the thing did not come" never'
[ $status -eq 1 ] || problem "limit: status $status"
output_has limit "FAILED: the thing did not come (waited 1 s; last seen: still nothing)"

# A process started that ends fails the wait at once, long before its limit, with its status.
start=$(date +%s)
run_case ended 'sh -c "exit 3" & started worker $!
wait_until 120 "waiting for Godot" false'
[ $status -eq 1 ] || problem "ended: status $status"
[ $(($(date +%s) - start)) -lt 60 ] || problem "ended: the wait went on after the worker ended"
output_has ended "FAILED: waiting for Godot: worker ended"
output_has ended "ended with status 3"

# The end of a process can be what the wait is for: it ends between a check of the condition and
# the check of the processes, and the condition, asked once more, holds.
run_case awaited 'sh -c "exit 0" & started worker $!
worker=$!
sleep 0.5
calls=0
worker_gone() { calls=$((calls + 1)); [ $calls -gt 1 ] && ! kill -0 "$worker" 2>/dev/null; }
wait_until 60 "the worker did not end" worker_gone; echo done'
[ $status -eq 0 ] || problem "awaited: status $status: $(cat "$work/awaited.out")"
output_has awaited done

# forget takes only the process named off the list: the other one still counts.
run_case forget 'sh -c "exit 0" & started first $!
first=$!
sh -c "exit 0" & started second $!
wait "$first"; forget "$first"
echo "list:$running"'
output_has forget "list: second"
grep -q "first" "$work/forget.out" && problem "forget: first is still listed: $(cat "$work/forget.out")"

# A missing tool skips the script (exit 77).
run_case tools 'require_tools sh no-such-tool-here; echo ran on'
[ $status -eq 77 ] || problem "tools: status $status"
output_has tools "skipped: no-such-tool-here is not installed"

# On exit, a process that ignores SIGTERM is killed after the grace period, and the scratch
# folder goes.
start=$(date +%s)
run_case cleanup 'sh -c "trap \"\" TERM; : >$scratch/ignoring; exec sleep 300" & started stubborn $!
ignoring() { [ -e "$scratch/ignoring" ]; }
wait_until 60 "the stubborn process did not start" ignoring
echo "pid $! scratch $scratch"'
stubborn=$(sed -n 's/^pid \([0-9]*\) .*/\1/p' "$work/cleanup.out")
gone_scratch=$(sed -n 's/.* scratch //p' "$work/cleanup.out")
[ -n "$stubborn" ] || problem "cleanup: no pid in: $(cat "$work/cleanup.out")"
elapsed=$(($(date +%s) - start))
[ $elapsed -ge 9 ] || problem "cleanup: killed after $elapsed s, without a grace period for SIGTERM"
[ $elapsed -lt 60 ] || problem "cleanup: the exit waited $elapsed s for the stubborn process"
if [ -n "$stubborn" ] && kill -0 "$stubborn" 2>/dev/null; then
    problem "cleanup: the process that ignores SIGTERM still runs"
    kill -KILL "$stubborn"
fi
[ -n "$gone_scratch" ] && [ ! -e "$gone_scratch" ] || problem "cleanup: $gone_scratch is still there"

[ $failures -eq 0 ] && echo "passed"
