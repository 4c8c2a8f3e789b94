#!/bin/sh
# Runs scripts/windows-deps against stand-ins for apt-get, dpkg-source, dpkg-query, cmake and the
# MinGW compilers (put first on PATH), in a cache folder of its own: the prefix is printed as the
# only line of standard output, a finished prefix is reused without building or downloading, a
# new googletest version builds a new prefix beside the old one, a failed build leaves no prefix
# and no scratch folder, a wrong upstream version in the archive is refused, and a run that
# finds another one building waits for it and then reuses its prefix.
# Usage: windows_deps_test.sh SOURCE_DIR
set -eu
script="$1/scripts/windows-deps"
dir=$(mktemp -d)
holder=""
trap 'touch "$dir/release"; [ -z "$holder" ] || wait "$holder"; rm -rf "$dir"' EXIT
mkdir "$dir/bin" "$dir/googletest" "$dir/cache"
touch "$dir/googletest/CMakeLists.txt"
for tool in x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-g++-posix ninja; do
    printf '#!/bin/sh\nexit 0\n' >"$dir/bin/$tool"
done
# shellcheck disable=SC2016 # the stand-ins expand their variables when they run
printf '#!/bin/sh\necho "$GTEST_VERSION"\n' >"$dir/bin/dpkg-query"
# apt-get source writes a .dsc per package, with the versions of $SDL2_DEB, $PNG_DEB, $ZLIB_DEB.
# shellcheck disable=SC2016
printf '#!/bin/sh
echo "apt-get $*" >>"%s/log"
case "$*" in *" source "*) ;; *) exit 0 ;; esac
printf "Version: %%s\\n" "$SDL2_DEB" >libsdl2_x.dsc
printf "Version: %%s\\n" "$PNG_DEB" >libpng1.6_x.dsc
printf "Version: %%s\\n" "$ZLIB_DEB" >zlib_x.dsc
' "$dir" >"$dir/bin/apt-get"
# shellcheck disable=SC2016
printf '#!/bin/sh\nmkdir -p "$4" && touch "$4/zlib.h"\n' >"$dir/bin/dpkg-source"
# cmake: configuring makes the build folder; building fails for the folder named in
# $FAIL_BUILD, and zlib's build leaves the library and header the script copies; building
# waits while $dir/hold exists.
# shellcheck disable=SC2016
printf '#!/bin/sh
echo "cmake $*" >>"%s/log"
while [ -e "%s/hold" ]; do sleep 0.1; done
[ "$1" = "--build" ] || { while [ "$1" != "-B" ]; do shift; done; mkdir -p "$2"; exit 0; }
case "$2" in *"${FAIL_BUILD:-none}") exit 1 ;; esac
case "$2" in *build-zlib) touch "$2/libzlibstatic.a" "$2/zconf.h" ;; esac
' "$dir" "$dir" >"$dir/bin/cmake"
chmod +x "$dir/bin/"*
failures=0

export GTEST_VERSION=1.12.1-0.2 SDL2_DEB=2.26.5+dfsg-1 PNG_DEB=1.6.39-2+deb12u5
export ZLIB_DEB=1:1.2.13.dfsg-1 FAIL_BUILD=none
deps() { # deps: exit status in $status, standard output in $dir/out, error output in $dir/err
    : >"$dir/log"
    status=0
    env PATH="$dir/bin:$PATH" BRILLOX_WINDOWS_DEPS_CACHE="$dir/cache" \
        BRILLOX_GOOGLETEST_SOURCE="$dir/googletest" sh "$script" >"$dir/out" 2>"$dir/err" ||
        status=$?
}
expect() { # expect DESCRIPTION COMMAND...: counts a failure when COMMAND fails
    what=$1
    shift
    "$@" && return
    echo "FAILED: $what (exit status $status)"
    echo "--- output:" && cat "$dir/out"
    echo "--- errors:" && cat "$dir/err"
    echo "--- stand-ins called:" && cat "$dir/log"
    failures=$((failures + 1))
}
prefix_printed() { # the one line of output names a finished prefix under the cache
    [ "$(wc -l <"$dir/out")" -eq 1 ] && printed=$(cat "$dir/out") &&
        [ "${printed#"$dir/cache/"}" != "$printed" ] && [ -f "$printed/brillox-windows-deps.txt" ]
}
no_scratch() { [ -z "$(find "$dir/cache" -name '.build-*')" ]; }
prefixes() { find "$dir/cache" -mindepth 1 -maxdepth 1 ! -name '.*' | wc -l; }

mkdir "$dir/cache/.build-killed"
deps
expect "a cold run succeeds" [ "$status" -eq 0 ]
expect "a cold run prints the prefix" prefix_printed
first=$(cat "$dir/out")
expect "the prefix names the versions" grep -qx "libpng1.6 1.6.39-2+deb12u5" "$first/brillox-windows-deps.txt"
expect "the key names googletest's version" eval 'case "$first" in *googletest-1.12.1-0.2*) ;; *) false ;; esac'
expect "a cold run downloads and builds" grep -q "cmake --build .*build-sdl2" "$dir/log"
expect "no scratch folder is left, not even a killed run's" no_scratch

deps
expect "a warm run succeeds" [ "$status" -eq 0 ]
expect "a warm run prints the same prefix" [ "$(cat "$dir/out")" = "$first" ]
expect "a warm run neither downloads nor builds" [ ! -s "$dir/log" ]

GTEST_VERSION=1.14.0-1 deps
expect "a new googletest version builds a new prefix" eval 'prefix_printed && [ "$printed" != "$first" ]'
expect "the old prefix stays" [ -f "$first/brillox-windows-deps.txt" ]

GTEST_VERSION=2 FAIL_BUILD=build-sdl2 deps
expect "a failed build fails" [ "$status" -ne 0 ]
expect "a failed build prints no prefix" [ ! -s "$dir/out" ]
expect "a failed build leaves no prefix" [ "$(prefixes)" -eq 2 ]
expect "a failed build leaves no scratch folder" no_scratch

GTEST_VERSION=3 PNG_DEB=1.6.40-1 deps
expect "another upstream version is refused" eval '[ "$status" -ne 0 ] && grep -q "1.6.40-1, not 1.6.39" "$dir/err"'
expect "a refused version leaves no prefix" [ "$(prefixes)" -eq 2 ]

# A run that finds the lock taken waits; the prefix the other run finishes meanwhile is reused.
# The holder keeps the lock until $dir/release exists.
flock "$dir/cache/.lock" sh -c "until [ -e '$dir/release' ]; do sleep 0.1; done" &
holder=$!
GTEST_VERSION=4 deps &
waiting=$!
deadline=$(($(date +%s) + 60))
until grep -qs "waiting" "$dir/err" || [ "$(date +%s)" -ge "$deadline" ]; do sleep 0.1; done
expect "a second run waits for the lock" grep -q "waiting" "$dir/err"
mkdir "$dir/cache/sdl2-2.26.5_libpng-1.6.39_zlib-1.2.13_googletest-4_recipe-1"
touch "$dir/cache/sdl2-2.26.5_libpng-1.6.39_zlib-1.2.13_googletest-4_recipe-1/brillox-windows-deps.txt"
touch "$dir/release"
deadline=$(($(date +%s) + 60))
while kill -0 "$waiting" 2>/dev/null && [ "$(date +%s)" -lt "$deadline" ]; do sleep 0.1; done
kill -0 "$waiting" 2>/dev/null && expect "the waiting run ends within 60 s of the lock's release" false
wait "$holder" "$waiting" || true
holder=""
expect "the waiting run reuses what the other run built" \
    eval 'prefix_printed && case "$printed" in *googletest-4_*) ;; *) false ;; esac'
expect "the waiting run builds nothing" eval '! grep -q cmake "$dir/log"'

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "windows-deps: every case passed"
