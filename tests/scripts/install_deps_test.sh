#!/bin/sh
# Runs scripts/install-deps against stand-ins on a PATH of their own: dpkg-query reports the
# packages listed in $dir/installed as installed (all of them when it holds "*"), apt-get and
# sudo write their arguments to $dir/log, id prints $FAKE_UID.
# Usage: install_deps_test.sh SOURCE_DIR
set -eu
script="$1/scripts/install-deps"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/bin"
for tool in env grep; do ln -s "$(command -v "$tool")" "$dir/bin/$tool"; done
# shellcheck disable=SC2016 # the stand-ins expand their variables when they run
printf '#!/bin/sh\nfor pkg; do :; done\ngrep -qx -e "$pkg" -e "*" "%s/installed" && echo "install ok installed"\n' \
    "$dir" > "$dir/bin/dpkg-query"
printf '#!/bin/sh\necho "apt-get $*" >> "%s/log"\n' "$dir" > "$dir/bin/apt-get"
# shellcheck disable=SC2016
printf '#!/bin/sh\necho "$FAKE_UID"\n' > "$dir/bin/id"
chmod +x "$dir/bin/"*
failures=0

install_deps() { # install_deps UID SETS...: exit status in $status, output in $dir/out
    uid=$1
    shift
    : > "$dir/log"
    status=0
    env PATH="$dir/bin" FAKE_UID="$uid" /bin/sh "$script" "$@" > "$dir/out" 2>&1 || status=$?
}
expect() { # expect DESCRIPTION COMMAND...: counts a failure when COMMAND fails
    what=$1
    shift
    "$@" && return
    echo "FAILED: $what (exit status $status)"
    cat "$dir/out" "$dir/log"
    failures=$((failures + 1))
}
asks_for() { for pkg; do grep -q "^apt-get install .* $pkg\( \|\$\)" "$dir/log" || return 1; done; }
leaves_out() { for pkg; do ! grep -q " $pkg\( \|\$\)" "$dir/log" || return 1; done; }

: > "$dir/installed"
install_deps 0 run
expect "run installs as root" [ "$status" -eq 0 ]
expect "run asks for the build" asks_for make g++ cmake ninja-build libsdl2-dev libgl1-mesa-dri
expect "run leaves out the test set" \
    leaves_out clang googletest libgtest-dev xvfb clang-format python3
install_deps 0 run test
expect "test asks for the test set" asks_for make clang libclang-rt-14-dev googletest libgmock-dev \
    libbenchmark-dev libinih-dev xvfb openbox xdotool clang-format git appstream groff-base

echo '*' > "$dir/installed"
install_deps 0
expect "nothing missing: success" [ "$status" -eq 0 ]
expect "nothing missing: no apt-get" [ ! -s "$dir/log" ]
: > "$dir/installed"
install_deps 1000 run
expect "without sudo: the command is named" \
    grep -q "apt-get install --no-install-recommends .*libsdl2-dev" "$dir/out"
expect "without sudo: failure" [ "$status" -eq 1 ]
expect "without sudo: no apt-get" [ ! -s "$dir/log" ]
printf '#!/bin/sh\necho "sudo $*" >> "%s/log"\nexec "$@"\n' "$dir" > "$dir/bin/sudo"
chmod +x "$dir/bin/sudo"
install_deps 1000 run
expect "with sudo: through it" \
    grep -q "^sudo env DEBIAN_FRONTEND=noninteractive apt-get install .* make" "$dir/log"
install_deps 0 play
expect "an unknown set is refused" [ "$status" -eq 2 ]

[ "$failures" -eq 0 ] || { echo "install-deps: $failures checks failed"; exit 1; }
echo "install-deps: every check passed"
