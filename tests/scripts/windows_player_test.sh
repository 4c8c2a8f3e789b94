#!/bin/sh
# What a Windows player does with the package, under Wine:
#     sh tests/scripts/windows_player_test.sh brillox-VERSION-win64.zip   (or a folder holding
#     brillox.exe and the data)
# The package is unpacked in a Wine prefix of its own whose Windows user is "Jürgen": once into
# the player's own C:\users\Jürgen\Downloads\brillox, where a scripted game from the title to
# a saved game must save beside the program; once into C:\Program Files\brillox, where the
# player may not write, and the same game must save into %APPDATA%\brillox with nothing written
# into the install. Then the save file is made read-only with attrib +r and the same save must
# be refused, shown on the screen and leave the file as it was.
#
# Runs in a Wine session (scripts/wine-session run ...) or starts one itself when DISPLAY is not
# set. Exit status: 0 passed, 1 failed, 77 skipped (Wine, Xvfb or python3 missing; as root also
# setpriv or the user nobody).
# BRILLOX_WINDOWS_SHOTS=FOLDER keeps the game's captures of the title, the saved game and the
# refusal there.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
scripts=$here/windows_player

skip() {
    printf "%s\n" "windows_player_test: skipped: $*"
    exit 77
}
fail() {
    printf "%s\n" "windows_player_test: FAILED: $*" >&2
    exit 1
}

[ $# -eq 1 ] || { echo "usage: sh $0 ZIP|FOLDER" >&2; exit 2; }
case "$1" in /*) package=$1 ;; *) package=$(pwd)/$1 ;; esac
[ -e "$package" ] || fail "$package does not exist"

for tool in wine wineserver Xvfb python3; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing (sh scripts/install-deps windows)"
done

if [ -z "${DISPLAY:-}" ]; then
    exec sh "$root/scripts/wine-session" run sh "$here/windows_player_test.sh" "$package"
fi

# The install folder must be one the player may not write. Wine maps Windows access onto Unix
# permissions, and root may write anywhere, so as root (CI) Wine runs as the ordinary user
# nobody (setpriv from util-linux) while the install stays root's: an install by an
# administrator, as under Program Files. Not as root, this user plays and the install is made
# read-only for it with chmod. Either way the prefix and HOME are the player's own, because
# Wine refuses a prefix another user owns; so this test needs its own prefix and wineserver,
# not the session's, and only borrows the session's display.
if [ "$(id -u)" -eq 0 ]; then
    getent passwd nobody >/dev/null || skip "no user nobody to play as"
    command -v setpriv >/dev/null 2>&1 || skip "setpriv is missing (util-linux)"
    as_player() { setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups "$@"; }
else
    as_player() { "$@"; }
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/brillox-player.XXXXXX")
prefix=$work/prefix
cleanup() {
    if [ -d "$prefix" ]; then
        as_player env WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
        as_player env WINEPREFIX="$prefix" timeout 30 wineserver -w 2>/dev/null || true
    fi
    chmod -R u+w "$work" 2>/dev/null || true  # the read-only install of an ordinary user
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
chmod 755 "$work"
mkdir "$work/home" "$work/run" "$prefix"
cp "$scripts/save.txt" "$scripts/refused.txt" "$work/run/"
if [ "$(id -u)" -eq 0 ]; then chown -R nobody "$work/home" "$work/run" "$prefix"; fi
as_player test -w "$work/run" || fail "the player cannot reach $work (is ${TMPDIR:-/tmp} closed to others?)"

# Wine 8 names the Windows user, and so the profile folder C:\users\NAME, after $USER, read
# in the locale's character set: a UTF-8 locale makes it "Jürgen" for this prefix alone.
wine_env() {
    as_player env -i PATH="$PATH" DISPLAY="$DISPLAY" LANG=C.UTF-8 HOME="$work/home" \
        USER=Jürgen LOGNAME=Jürgen WINEPREFIX="$prefix" WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d" SDL_AUDIODRIVER=dummy "$@"
}
wine_env wineserver -p >"$work/wineserver.log" 2>&1 ||
    fail "wineserver -p failed: $(cat "$work/wineserver.log")"
wine_env wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >"$work/prefix.log" 2>&1 || fail "creating the Wine prefix failed: $(cat "$work/prefix.log")"
appdata=$prefix/drive_c/users/Jürgen/AppData/Roaming
[ -d "$appdata" ] || fail "the prefix has no $appdata: $(ls "$prefix/drive_c/users")"

# The package's files, as the zip holds them: at its top or in one folder of the package's name.
files=$package
if [ ! -d "$package" ]; then
    if command -v unzip >/dev/null 2>&1; then
        unzip -q "$package" -d "$work/unzipped" || fail "unzip $package failed"
    else
        python3 -m zipfile -e "$package" "$work/unzipped" || fail "unpacking $package failed"
    fi
    files=$work/unzipped
    if [ ! -e "$files/brillox.exe" ]; then
        exe=$(find "$files" -name brillox.exe | head -n 1)
        [ -n "$exe" ] || fail "$package holds no brillox.exe"
        files=$(dirname "$exe")
    fi
fi
[ -f "$files/brillox.exe" ] || fail "$package holds no brillox.exe"

# A copy the player unpacked into a folder of their own, C:\users\Jürgen\Downloads\brillox.
own=$prefix/drive_c/users/Jürgen/Downloads/brillox
mkdir -p "$own"
cp -R "$files/." "$own/"
if [ "$(id -u)" -eq 0 ]; then chown -R nobody "$own"; fi

# The install under Program Files, as this user (root: the administrator) puts it there.
install=$prefix/drive_c/Program\ Files/brillox
mkdir -p "$install"
cp -R "$files/." "$install/"
if [ "$(id -u)" -ne 0 ]; then chmod -R a-w "$install"; else chown -R root "$install"; fi
# shellcheck disable=SC2016  # $1 is the inner shell's
as_player sh -c 'touch "$1/.probe" 2>/dev/null' probe "$install" &&
    fail "the player may write into $install"
(cd "$install" && find . -exec ls -ld --time-style=+%s.%N {} + | sort -k 7) >"$work/install.before"

# play FOLDER SCRIPT: the program in the Windows folder FOLDER plays SCRIPT with the real player
# files, from the folder run/ (its trace and captures land there); its exit status is the game's,
# 124 when it has not ended after five minutes (a script plays in a few seconds).
play() {
    (cd "$work/run" && wine_env timeout 300 wine "$1\\brillox.exe" --script "$2.txt" \
        --trace "$2.trace" --write-player-files >"$2.out" 2>"$2.err")
}
shots() {
    [ -n "${BRILLOX_WINDOWS_SHOTS:-}" ] || return 0
    mkdir -p "$BRILLOX_WINDOWS_SHOTS"
    for shot in "$@"; do cp "$work/run/$shot" "$BRILLOX_WINDOWS_SHOTS/$shot"; done
}
# has_text PICTURE X Y W H: the 640 x 480 PNG capture has a pixel of the light text colour in the
# box (the earth behind it is darker).
has_text() {
    python3 - "$@" <<'EOF'
import struct, sys, zlib
name, x0, y0, w, h = sys.argv[1], *map(int, sys.argv[2:])
data = open(name, "rb").read()
pos, idat, width = 8, b"", 0
while pos < len(data):
    size, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + size]
    if kind == b"IHDR":
        width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        assert depth == 8 and colour in (2, 6), "an 8-bit RGB or RGBA capture"
        step = 3 if colour == 2 else 4
    elif kind == b"IDAT":
        idat += body
    pos += 12 + size
raw, stride, rows, prior = zlib.decompress(idat), width * step, [], bytearray(width * step)
for y in range(height):
    kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a = line[i - step] if i >= step else 0
        b, c = prior[i], prior[i - step] if i >= step else 0
        if kind == 1: line[i] = (line[i] + a) & 255
        elif kind == 2: line[i] = (line[i] + b) & 255
        elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif kind == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    rows.append(line)
    prior = line
bright = any(sum(rows[y][x * step:x * step + 3]) > 550
             for y in range(y0, y0 + h) for x in range(x0, x0 + w))
sys.exit(0 if bright else 1)
EOF
}

# 1. The copy in the player's own folder keeps its player files beside the program: the save
# lands there, and AppData gets no brillox folder.
play 'C:\users\Jürgen\Downloads\brillox' save ||
    fail "the game in Downloads ended with status $?: $(cat "$work/run/save.err")"
grep -qx 'ini_save savegame.ini' "$work/run/save.trace" ||
    fail "the game in Downloads saved nothing: $(cat "$work/run/save.err")"
grep -q '^1=A,0,1,3'"$(printf '\r')"'$' "$own/savegame.ini" ||
    fail "$own/savegame.ini has no slot 1=A,0,1,3: $(cat "$own/savegame.ini")"
[ ! -e "$appdata/brillox" ] || fail "the game in Downloads wrote into $appdata/brillox"
echo "windows_player_test: the copy in Downloads saved beside itself"
rm "$work/run/save.trace"

# 2. The install under Program Files, from the title to a saved game.
play 'C:\Program Files\brillox' save ||
    fail "the save game ended with status $?: $(cat "$work/run/save.err")"
shots title.png saved.png
grep -qx 'ini_save savegame.ini' "$work/run/save.trace" ||
    fail "the trace has no 'ini_save savegame.ini': $(cat "$work/run/save.err")"
saved=$appdata/brillox/savegame.ini
[ -f "$saved" ] || fail "no $saved; the AppData folder holds: $(ls -R "$appdata")"
grep -q '^1=A,0,1,3'"$(printf '\r')"'$' "$saved" || fail "$saved has no slot 1=A,0,1,3: $(cat "$saved")"
# The highscore table starts there as a copy of the shipped one, which no game has changed.
cmp -s "$appdata/brillox/highscore.ini" "$files/highscore.ini" ||
    fail "$appdata/brillox/highscore.ini is no copy of the shipped table"
(cd "$install" && find . -exec ls -ld --time-style=+%s.%N {} + | sort -k 7) >"$work/install.after"
cmp -s "$work/install.before" "$work/install.after" ||
    fail "the install folder changed: $(diff "$work/install.before" "$work/install.after")"
printf '%s\n' "windows_player_test: saved into $saved, beside:" "$(ls -A "$appdata/brillox")"

# 3. The same save onto a read-only savegame.ini, made read-only as a Windows player does:
# attrib +r through Wine's cmd (Wine keeps the attribute as the Unix mode without write bits).
# (Each word its own argument: Wine would quote a whole command line again for cmd.)
wine_env wine cmd /c attrib +r '%APPDATA%\brillox\savegame.ini' >"$work/attrib.log" 2>&1 ||
    fail "attrib +r failed: $(cat "$work/attrib.log")"
case $(stat -c %A "$saved") in
    -r-*) ;;
    *) fail "attrib +r left $saved writable: $(stat -c %A "$saved")" ;;
esac
cp "$saved" "$work/savegame.before"
play 'C:\Program Files\brillox' refused ||
    fail "the refused save ended with status $?: $(cat "$work/run/refused.err")"
shots list.png refused.png
grep -q 'ini_save savegame.ini' "$work/run/refused.trace" &&
    fail "the trace says savegame.ini was saved"
cmp -s "$saved" "$work/savegame.before" || fail "the read-only $saved changed: $(cat "$saved")"
# The refusal is the program's own check of the attribute ("Permission denied"), not the
# system's "Access denied": Windows refuses to replace a read-only file, but Wine lets root
# do it, so the program must not rely on the refusal.
grep -q 'savegame.ini: cannot be saved: Permission denied' "$work/run/refused.err" ||
    fail "standard error does not say savegame.ini was refused: $(cat "$work/run/refused.err")"
# "Spiel nicht gespeichert !" stands in row 12 of the 32-pixel grid, from column 2: empty on
# the save list before the save, written on it after.
has_text "$work/run/list.png" 64 384 496 28 && fail "list.png has text where the refusal goes"
has_text "$work/run/refused.png" 64 384 496 28 || fail "refused.png shows no refusal"
printf "%s\n" "windows_player_test: the read-only save was refused; standard error:" \
    "$(cat "$work/run/refused.err")"
(cd "$install" && find . -exec ls -ld --time-style=+%s.%N {} + | sort -k 7) >"$work/install.after"
cmp -s "$work/install.before" "$work/install.after" ||
    fail "the install folder changed: $(diff "$work/install.before" "$work/install.after")"
echo "windows_player_test: passed"
