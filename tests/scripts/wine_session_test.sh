#!/bin/sh
# scripts/wine-session and scripts/wine-run: a session gives the command a Wine prefix with the
# crash dialog off and an X display, passes the command's exit status on and leaves neither the
# prefix nor its Xvfb behind; wine-run refuses to run without a session.
# Usage: wine_session_test.sh SOURCE_DIR (exits 77, skipped, without Wine or Xvfb)
set -eu
source_dir=$1
for tool in wine wineserver Xvfb; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

status=0
env -u BRILLOX_WINEPREFIX "$source_dir/scripts/wine-run" cmd /c "exit 0" 2>"$dir/err" || status=$?
[ "$status" -eq 2 ] && grep -q "BRILLOX_WINEPREFIX is not set" "$dir/err" ||
    fail "wine-run without a session: status $status, $(cat "$dir/err")"

# Inside the session: what it set, the crash dialog's setting, and a status of 7 to pass on.
# shellcheck disable=SC2016 # expanded inside the session
inside='echo "$BRILLOX_WINE_SESSION" >"$0/session"
cat "$BRILLOX_WINE_SESSION/xvfb.pid" >"$0/xvfb.pid"
echo "$DISPLAY" >"$0/display"
"$1/scripts/wine-run" reg query "HKCU\\Software\\Wine\\WineDbg" /v ShowCrashDialog >"$0/reg" 2>&1
"$1/scripts/wine-run" cmd /c "exit 7"'
status=0
timeout 300 sh "$source_dir/scripts/wine-session" run sh -c "$inside" "$dir" "$source_dir" \
    >"$dir/out" 2>&1 || status=$?
[ "$status" -eq 7 ] || { fail "the session's status is $status, not the command's 7"; cat "$dir/out"; }
grep -q '^:[0-9][0-9]*$' "$dir/display" || fail "DISPLAY was '$(cat "$dir/display")'"
tr -d '\r' <"$dir/reg" | grep -qi "ShowCrashDialog.*REG_DWORD.*0x0\$" ||
    { fail "the crash dialog is not turned off:"; cat "$dir/reg"; }
session=$(cat "$dir/session")
[ -n "$session" ] && [ ! -e "$session" ] || fail "the session folder '$session' is still there"
pid=$(cat "$dir/xvfb.pid")
[ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null || fail "the session's Xvfb ($pid) still runs"

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "wine-session: every case passed"
