#!/bin/sh
# The browser tests (`make test-web`, the last step of `make test`): the page in build/web,
# served on 127.0.0.1 and driven in headless Debian Chromium through puppeteer-core, checked by
# the Node.js test files tests/web/*.test.mjs one after the other: the page's behaviour, saves
# in IndexedDB, and every scripted game played in the browser and by the desktop program with
# the same files left. Ends with how many tests ran, passed and failed; a failure prints what the
# page showed and said.
#
#   sh tests/web/run-tests.sh [LINUX_BUILD] [TEST FILE...]
#
# LINUX_BUILD is the desktop build the browser is compared with (default build/test, the one
# `make test` builds; its brillox and level tool are brought up to date first, the level tool
# writes the recorded level solutions as scripts, and a missing build is configured as a release build). BRILLOX_WEB_DIR names another
# page folder than build/web. The exit status is the test runner's, or the failed step's.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

linux_build=${1:-build/test}
[ $# -eq 0 ] || shift
case "$linux_build" in /*) ;; *) linux_build="$root/$linux_build" ;; esac
web_dir=${BRILLOX_WEB_DIR:-$root/build/web}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
started=$(date +%s)

step() {
    echo "== test-web ($(($(date +%s) - started)) s): $*"
}

[ -f "$web_dir/index.html" ] || { echo "test-web: $web_dir/index.html is missing: make web first" >&2; exit 1; }

step "the test packages (scripts/web-node-deps)"
node_modules=$(sh scripts/web-node-deps | tail -n 1)

step "the desktop programs to compare with, in $linux_build"
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
    cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRILLOX_TESTS=ON
fi
cmake --build "$linux_build" -j "$jobs" --target brillox level_tool
# Each difficulty's recorded level solutions as a script, written by the desktop level tool.
solutions="$linux_build/tests/web/solutions"
"$linux_build/level_tool" scripts data/Level.ini tools/level_solutions.txt "$solutions" >/dev/null

step "the tests in headless Chromium"
if [ $# -eq 0 ]; then
    set -- tests/web/*.test.mjs
fi
log="$linux_build/tests/web/test-web.log"
mkdir -p "$(dirname "$log")"
status=0
BRILLOX_WEB_NODE_MODULES="$node_modules" BRILLOX_WEB_DIR="$web_dir" \
    BRILLOX_LINUX_BUILD="$linux_build" BRILLOX_SOLUTIONS_DIR="$solutions" \
    node --test --test-concurrency=1 --test-reporter=tap "$@" >"$log" 2>&1 || status=$?
cat "$log"

# The runner's own summary ("# tests 12", "# pass 11", "# fail 1"), said once more plainly.
count() {
    sed -n "s/^[^a-z]*$1 \([0-9][0-9]*\)$/\1/p" "$log" | tail -n 1
}
total=$(count tests) passed=$(count pass) failed=$(count fail)
step "done"
if [ -n "$total" ] && [ -n "$passed" ] && [ -n "$failed" ]; then
    echo "Browser tests: $total ran, $passed passed, $failed failed"
    [ "$total" -gt 0 ] || { echo "test-web: no test ran"; status=1; }
else
    echo "Browser tests: the test runner gave no summary"
    [ "$status" != 0 ] || status=1
fi
exit "$status"
