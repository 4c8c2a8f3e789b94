#!/bin/sh
# One scripted game played by the Linux program and by another build of the game from the same
# data, script and options: the Windows program (under Wine), or the web page in headless
# Chromium. The two must leave the same files, byte for byte: the trace, the captured frames and
# the player's files (highscore.ini, savegame.ini).
#
#   same_files_test.sh WORK LINUX_BRILLOX WINDOWS_BRILLOX WINE_RUN DATA SCRIPT [GIVEN_DIR]
#   same_files_test.sh --browser WORK LINUX_BRILLOX PLAY_SCRIPT DATA SCRIPT [GIVEN_DIR]
#
# WORK is this test's folder (emptied first; kept when the files differ, for inspection), DATA
# the game data, SCRIPT the script, GIVEN_DIR the folder of the files its "#given NAME FILE"
# lines name (default: the script's folder). WINE_RUN starts a Windows program in the running
# Wine session (scripts/wine-run). PLAY_SCRIPT is tests/web/play_script.mjs, which plays the
# script in the page that BRILLOX_WEB_DIR names (default build/web; its data must be DATA's)
# with the puppeteer-core of BRILLOX_WEB_NODE_MODULES. The first difference is printed: the
# first differing line of a text file, the first differing byte of any other.
set -eu

usage() {
    echo "usage: same_files_test.sh WORK LINUX WINDOWS WINE_RUN DATA SCRIPT [GIVEN]" >&2
    echo "       same_files_test.sh --browser WORK LINUX PLAY_SCRIPT DATA SCRIPT [GIVEN]" >&2
    exit 2
}
if [ "${1:-}" = --browser ]; then
    [ $# -ge 6 ] || usage
    other=browser other_label=browser
    work=$2 linux_program=$3 other_program="" other_run=$4 data=$5 script=$6
    given=${7:-$(dirname "$script")}
else
    [ $# -ge 6 ] || usage
    other=windows other_label=Windows
    work=$1 linux_program=$2 other_program=$3 other_run=$4 data=$5 script=$6
    given=${7:-$(dirname "$script")}
fi
# The programs play in folders of their own: the names given relative to here must still hold.
absolute() {
    case "$1" in /*) echo "$1" ;; *) echo "$(pwd)/$1" ;; esac
}
work=$(absolute "$work") other_run=$(absolute "$other_run") given=$(absolute "$given")

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
linux_name=$(basename "$linux_program")
if [ "$other" = browser ]; then
    mkdir -p "$work/browser"
    for name in highscore.ini savegame.ini; do
        [ ! -f "$work/linux/game/$name" ] || cp "$work/linux/game/$name" "$work/browser/$name.before"
    done
fi

# A sanitizer build's leak check (the libraries' own leaks at exit) is the Linux tests' matter,
# not this comparison's.
play linux env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TMPDIR="$work/linux/tmp" \
    ASAN_OPTIONS="detect_leaks=0:intercept_tls_get_addr=0:${ASAN_OPTIONS:-}" "../game/$linux_name"
if [ "$other" = windows ]; then
    prepare windows "$other_program"
    # The Windows program's temporary folder (the end report) is TMP's; Wine reaches the Unix
    # folder through drive Z:.
    windows_tmp="Z:$work/windows/tmp"
    play windows env SDL_VIDEODRIVER=windows SDL_AUDIODRIVER=dummy TMP="$windows_tmp" \
        TEMP="$windows_tmp" sh "$other_run" "../game/$(basename "$other_program")"
else
    # The page brings its own data; the given files travel with the script, the player's files
    # into the browser's player folder and the rest where the game reads its data. The player's
    # files it leaves land in browser/game, as the Linux program's in linux/game. That folder
    # starts as the Linux game folder's player files do, shipped or given: a file the browser
    # run never opened is the one the Linux program found and left alone.
    mkdir -p "$work/browser/game" "$work/browser/start"
    for name in highscore.ini savegame.ini; do
        [ ! -f "$work/browser/$name.before" ] || mv "$work/browser/$name.before" "$work/browser/game/$name"
    done
    cp "$script" "$work/browser/start/script.txt"
    # NAME=FILE arguments, one a line (a folder's name may hold spaces).
    given_files=$(grep '^#given ' "$script" | while read -r _ name file; do
        echo "$name=$given/$file"
    done)
    set --
    old_ifs=$IFS
    IFS='
'
    set -f
    for name_file in $given_files; do
        set -- "$@" "$name_file"
    done
    set +f
    IFS=$old_ifs
    # play adds the game's command line, after the "--".
    play browser node "$other_run" "$work/browser/start" "$work/browser/game" "$@" --
fi

failed=0
for side in linux "$other"; do
    if [ "$(cat "$work/$side/status")" != 0 ]; then
        echo "the $side program ended with status $(cat "$work/$side/status"); its standard error:"
        sed 's/^/    /' "$work/$side/err.txt"
        failed=1
    fi
done

# differ NAME: compares NAME (relative to a side's folder) on both sides; says how they differ.
differ() {
    a="$work/linux/$1" b="$work/$other/$1"
    if [ ! -e "$a" ] || [ ! -e "$b" ]; then
        [ -e "$a" ] || echo "$1: the Linux program left none"
        [ -e "$b" ] || echo "$1: the $other_label program left none"
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
                printf '    %-7s line %s: %s\n' Linux "$line" "$(sed -n "${line}p" "$a")" \
                    "$other_label" "$line" "$(sed -n "${line}p" "$b")"
            fi
            ;;
    esac
    return 0
}

# Every file either side left in its start folder (trace, captures) and the player's files.
compared=0
for name in $( (cd "$work/linux/start" && ls; cd "$work/$other/start" && ls) | sort -u); do
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
echo "$compared files the same on Linux and $other_label: $( (cd "$work/linux/start" && ls | tr '\n' ' '))highscore.ini savegame.ini"
rm -rf "$work"
