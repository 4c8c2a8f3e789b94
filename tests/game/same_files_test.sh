#!/bin/sh
# One scripted game played by the Linux program and by the Windows program (under Wine) from the
# same data, script and options: the two must leave the same files, byte for byte: the trace,
# the captured frames and the player's files (highscore.ini, savegame.ini).
#
#   same_files_test.sh WORK LINUX_BRILLOX WINDOWS_BRILLOX WINE_RUN DATA SCRIPT [GIVEN_DIR]
#
# WORK is this test's folder (emptied first; kept when the files differ, for inspection), DATA
# the game data, SCRIPT the script, GIVEN_DIR the folder of the files its "#given NAME FILE"
# lines name (default: the script's folder). WINE_RUN starts a Windows program in the running
# Wine session (scripts/wine-run). The first difference is printed: the first differing line of
# a text file, the first differing byte of any other.
set -eu

[ $# -ge 6 ] || { echo "usage: same_files_test.sh WORK LINUX WINDOWS WINE_RUN DATA SCRIPT [GIVEN]" >&2; exit 2; }
work=$1 linux_program=$2 windows_program=$3 wine_run=$4 data=$5 script=$6
given=${7:-$(dirname "$script")}

rm -rf "$work"
mkdir -p "$work"

# prepare SIDE PROGRAM: the game folder (program, data, given files) and the start folder.
prepare() {
    mkdir -p "$work/$1/game" "$work/$1/start" "$work/$1/tmp"
    cp -R "$data/." "$work/$1/game/"
    cp "$2" "$work/$1/game/"
    grep '^#given ' "$script" | while read -r _ name file; do
        cp "$given/$file" "$work/$1/game/$name"
    done
    cp "$script" "$work/$1/start/script.txt"
}

# play SIDE COMMAND...: plays the script in SIDE's start folder; stdout, stderr and the exit
# status land beside it.
play() {
    side=$1
    shift
    status=0
    (cd "$work/$side/start" && "$@" --script script.txt --trace trace.txt --write-player-files \
        >"$work/$side/out.txt" 2>"$work/$side/err.txt") || status=$?
    echo "$status" >"$work/$side/status"
}

prepare linux "$linux_program"
prepare windows "$windows_program"
linux_name=$(basename "$linux_program")
windows_name=$(basename "$windows_program")

# A sanitizer build's leak check (the libraries' own leaks at exit) is the Linux tests' matter,
# not this comparison's.
play linux env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TMPDIR="$work/linux/tmp" \
    ASAN_OPTIONS="detect_leaks=0:intercept_tls_get_addr=0:${ASAN_OPTIONS:-}" "../game/$linux_name"
# The Windows program's temporary folder (the end report) is TMP's; Wine reaches the Unix
# folder through drive Z:.
windows_tmp="Z:$work/windows/tmp"
play windows env SDL_VIDEODRIVER=windows SDL_AUDIODRIVER=dummy TMP="$windows_tmp" \
    TEMP="$windows_tmp" sh "$wine_run" "../game/$windows_name"

failed=0
for side in linux windows; do
    if [ "$(cat "$work/$side/status")" != 0 ]; then
        echo "the $side program ended with status $(cat "$work/$side/status"); its standard error:"
        sed 's/^/    /' "$work/$side/err.txt"
        failed=1
    fi
done

# differ NAME: compares NAME (relative to a side's folder) on both sides; says how they differ.
differ() {
    a="$work/linux/$1" b="$work/windows/$1"
    if [ ! -e "$a" ] || [ ! -e "$b" ]; then
        [ -e "$a" ] || echo "$1: the Linux program left none"
        [ -e "$b" ] || echo "$1: the Windows program left none"
        return 0
    fi
    cmp -s "$a" "$b" && return 1
    # "a b differ: byte 5, line 2", or "cmp: EOF on a after byte 9, line 1" when one file is the
    # beginning of the other.
    where=$(cmp "$a" "$b" 2>&1 | head -n 1 | sed 's/.* differ: //; s/^cmp: //') || true
    echo "$1 differs: $where"
    case "$1" in
        *.txt | *.ini)
            line=$(echo "$where" | sed -n 's/.*line \([0-9]*\).*/\1/p')
            if [ -n "$line" ]; then
                echo "    Linux   line $line: $(sed -n "${line}p" "$a")"
                echo "    Windows line $line: $(sed -n "${line}p" "$b")"
            fi
            ;;
    esac
    return 0
}

# Every file either side left in its start folder (trace, captures) and the player's files.
compared=0
for name in $( (cd "$work/linux/start" && ls; cd "$work/windows/start" && ls) | sort -u); do
    compared=$((compared + 1))
    if differ "start/$name"; then failed=1; fi
done
for name in highscore.ini savegame.ini; do
    compared=$((compared + 1))
    if differ "game/$name"; then failed=1; fi
done

if [ "$failed" != 0 ]; then
    echo "both sides' files are kept in $work"
    exit 1
fi
echo "$compared files the same on Linux and Windows: $( (cd "$work/linux/start" && ls | tr '\n' ' '))highscore.ini savegame.ini"
rm -rf "$work"
