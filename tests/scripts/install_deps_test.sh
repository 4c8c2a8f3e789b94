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

# install_deps UID SETS...: runs the script; its exit status in $status, its output in $dir/out.
install_deps() {
    uid=$1
    shift
    : > "$dir/log"
    status=0
    env PATH="$dir/bin" FAKE_UID="$uid" /bin/sh "$script" "$@" > "$dir/out" 2>&1 || status=$?
}
expect() { # expect DESCRIPTION COMMAND...: counts a failure when COMMAND fails
    what=$1
    shift
    if ! "$@"; then
        echo "FAILED: $what (exit status $status)"
        cat "$dir/out" "$dir/log"
        failures=$((failures + 1))
    fi
}
asks_for() { grep -q "apt-get install .* $1\( \|\$\)" "$dir/log"; }
leaves_out() { ! grep -q " $1\( \|\$\)" "$dir/log"; }

: > "$dir/installed"
install_deps 0 run
expect "run installs as root" [ "$status" -eq 0 ]
expect "apt-get update comes first" [ "$(head -n 1 "$dir/log")" = "apt-get update -q" ]
for pkg in make g++ cmake ninja-build libsdl2-dev libpng-dev libgl1-mesa-dri; do
    expect "run asks for $pkg" asks_for "$pkg"
done
for pkg in clang googletest libgtest-dev libbenchmark-dev xvfb clang-format python3 appstream; do
    expect "run leaves out $pkg" leaves_out "$pkg"
done

install_deps 0 run test
for pkg in make clang libclang-rt-14-dev googletest libgmock-dev libbenchmark-dev libinih-dev \
    xvfb xauth openbox xdotool clang-format git appstream desktop-file-utils groff-base; do
    expect "run test asks for $pkg" asks_for "$pkg"
done
expect "run test leaves out python3" leaves_out python3

install_deps 0 assets
expect "assets asks for Pillow" asks_for python3-pil

echo '*' > "$dir/installed"
install_deps 0
expect "nothing missing: success" [ "$status" -eq 0 ]
expect "nothing missing: no apt-get" [ ! -s "$dir/log" ]

: > "$dir/installed"
install_deps 1000 run
expect "a user without sudo fails" [ "$status" -eq 1 ]
expect "a user without sudo runs no apt-get" [ ! -s "$dir/log" ]
expect "a user without sudo is told the command" \
    grep -q "apt-get install --no-install-recommends .*libsdl2-dev" "$dir/out"

printf '#!/bin/sh\necho "sudo $*" >> "%s/log"\nexec "$@"\n' "$dir" > "$dir/bin/sudo"
chmod +x "$dir/bin/sudo"
install_deps 1000 run
expect "a user with sudo installs through it" \
    grep -q "^sudo env DEBIAN_FRONTEND=noninteractive apt-get install .* make" "$dir/log"

install_deps 0 play
expect "an unknown set is refused" [ "$status" -eq 2 ]

if [ "$failures" -ne 0 ]; then
    echo "install-deps: $failures checks failed"
    exit 1
fi
echo "install-deps: every check passed"
