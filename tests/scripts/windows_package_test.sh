#!/bin/sh
# Checks the Windows zip that `make windows` packs, the way a player gets it: unpacked into a
# folder of its own, it holds one folder brillox-VERSION with the program, every file of data/
# unchanged, README.txt and LICENSE.txt with Windows line ends, and nothing else; the program
# imports only DLLs that every Windows has, carries its icon, version information and manifest,
# and answers --version under Wine (run it in a Wine session: `make test-windows`).
# Usage: windows_package_test.sh SOURCE_DIR ZIP VERSION
set -eu
source_dir=$(cd "$1" && pwd) zip=$(cd "$(dirname "$2")" && pwd)/$(basename "$2") version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

[ -f "$zip" ] || { echo "FAILED: there is no $zip"; exit 1; }
(cd "$scratch" && cmake -E tar xf "$zip") || { echo "FAILED: $zip does not unpack"; exit 1; }
folder="$scratch/brillox-$version"
top=$(ls -A "$scratch")
[ "$top" = "brillox-$version" ] || fail "the zip's top level is not one folder brillox-$version: $top"

# The files: the program, the two texts and data/ (its README.md is for maintainers).
expected=$( (cd "$source_dir/data" && find . -type f ! -path ./README.md) |
    sed 's|^\./||'; printf '%s\n' brillox.exe README.txt LICENSE.txt)
expected=$(echo "$expected" | LC_ALL=C sort)
found=$(cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$found" = "$expected" ] || {
    fail "the files differ from the expected ones (< expected, > found):"
    echo "$expected" >"$scratch/expected" && echo "$found" >"$scratch/found"
    diff "$scratch/expected" "$scratch/found" || true
}
for file in $(cd "$source_dir/data" && find . -type f ! -path ./README.md); do
    [ ! -f "$folder/$file" ] || cmp -s "$source_dir/data/$file" "$folder/$file" ||
        fail "$file differs from data/$file"
done

# The texts: Windows line ends on every line, the version named.
for text in README.txt LICENSE.txt; do
    [ -s "$folder/$text" ] || { fail "$text is missing or empty"; continue; }
    bare=$(awk '!/\r$/ { n++ } END { print n + 0 }' "$folder/$text")
    [ "$bare" -eq 0 ] || fail "$text has $bare lines without a carriage return"
done
grep -q "brillox $version for Windows" "$folder/README.txt" || fail "README.txt does not name $version"
grep -q "%APPDATA%" "$folder/README.txt" || fail "README.txt does not say where the saves go"

# The program: a 64-bit GUI program that imports only the system's own DLLs (no MinGW runtime,
# SDL2, libpng or zlib DLL beside it).
exe="$folder/brillox.exe"
objdump=x86_64-w64-mingw32-objdump
headers=$($objdump -p "$exe")
echo "$headers" | grep -q "^Magic.*20b" || fail "brillox.exe is not a 64-bit program"
echo "$headers" | grep -q "^Subsystem.*(Windows GUI)" || fail "brillox.exe is not a GUI program"
system_dlls="advapi32.dll cfgmgr32.dll comctl32.dll comdlg32.dll dinput8.dll dwmapi.dll gdi32.dll
    hid.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll opengl32.dll setupapi.dll
    shell32.dll shlwapi.dll user32.dll uxtheme.dll version.dll winmm.dll ws2_32.dll"
# shellcheck disable=SC2086 # split on purpose: one line of names
system_dlls=" $(echo $system_dlls) "
dlls=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || fail "brillox.exe names no DLL at all"
for dll in $dlls; do
    case "$system_dlls" in
        *" $dll "*) ;;
        *) fail "brillox.exe imports $dll, which Windows does not bring" ;;
    esac
done
echo "$dlls" | grep -qx opengl32.dll || fail "brillox.exe does not import opengl32.dll"

# Its resources: an icon group (type 14), version information (16) and a manifest (24) with
# the UTF-8 code page and DPI awareness.
for type in 00000e 000010 000018; do
    echo "$headers" | grep -q "^0[0-9a-f][0-9a-f]   Entry: ID: 0x$type," ||
        fail "brillox.exe has no resource of type 0x$type"
done
strings -el "$exe" | grep -qx "$version" || fail "the version information does not name $version"
for setting in '>UTF-8</activeCodePage>' '>PerMonitorV2' '<supportedOS Id="{8e0f7a12'; do
    grep -aqF "$setting" "$exe" || fail "the manifest lacks $setting"
done

# Under Wine: the version on standard output, with the status 0.
if [ -n "${BRILLOX_WINEPREFIX:-}" ]; then
    status=0
    output=$(timeout 120 "$source_dir/scripts/wine-run" "$exe" --version 2>"$scratch/stderr") ||
        status=$?
    output=$(printf '%s' "$output" | tr -d '\r')
    [ "$status" -eq 0 ] && [ "$output" = "brillox $version" ] || {
        fail "brillox.exe --version under Wine: status $status, output '$output'"
        cat "$scratch/stderr"
    }
else
    echo "not run under Wine: BRILLOX_WINEPREFIX is not set (make test-windows sets it)"
fi

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "the Windows package is complete"
