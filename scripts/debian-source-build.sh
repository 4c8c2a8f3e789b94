# Sourced by the scripts that build brillox's libraries from Debian's own source packages for
# another target (scripts/windows-deps for MinGW-w64, scripts/web-deps for emscripten): the
# cached prefix, the lock, the scratch folder, the private apt state and the final move.
#
# A caller sets DSB_NAME, its own name for messages ("windows-deps"), before sourcing, and
# before calling dsb_begin:
#     DSB_CACHE    the cache folder that holds one prefix per key
#     DSB_KEY      the prefix's name: library versions and recipe number
#     DSB_MARKER   the file in a finished prefix that says it is finished
# It calls, in this order:
#     dsb_begin                 reuses a finished prefix (printing it and exiting), or takes the
#                               lock and makes the scratch folder $work with the stage $stage
#     dsb_fetch PACKAGE...      downloads the source packages into $work/src
#     dsb_unpack PACKAGE UPSTREAM   extracts one (Debian's patches applied) into $work/src/PACKAGE
#                               and notes its version in $dsb_versions
#     dsb_finish                writes nothing itself: the caller has written $stage/$DSB_MARKER;
#                               moves the stage into place whole and prints the prefix last
#
# Progress goes to standard error; standard output carries only the prefix (file descriptor 3
# keeps the caller's standard output). A build runs in a scratch folder inside the cache and is
# moved into place whole at its end, so a killed run never leaves a prefix that looks finished;
# the lock makes a second run wait for the first and then reuse its prefix. apt runs with a state
# of its own in the scratch folder: the machine's apt configuration is never touched and no root
# is needed.

# The archive whose source packages are built. (The security archive has listed source versions
# whose files it did not serve.)
DSB_ARCHIVE="http://deb.debian.org/debian bookworm main"

exec 3>&1 1>&2

die() {
    echo "$DSB_NAME: $*" >&2
    exit 1
}

dsb_versions=""

dsb_reuse_if_finished() {
    if [ -f "$dsb_prefix/$DSB_MARKER" ]; then
        echo "$DSB_NAME: reusing $dsb_prefix"
        echo "$dsb_prefix" >&3
        exit 0
    fi
}

dsb_begin() {
    dsb_prefix="$DSB_CACHE/$DSB_KEY"
    dsb_reuse_if_finished
    mkdir -p "$DSB_CACHE"
    exec 9>"$DSB_CACHE/.lock"
    if ! flock -n 9; then
        echo "$DSB_NAME: another run is building the libraries; waiting for it"
        flock 9
    fi
    # The other run may have built this very prefix meanwhile.
    dsb_reuse_if_finished

    # Scratch folders of runs that were killed (the lock shows none of them runs now).
    rm -rf "$DSB_CACHE"/.build-*
    work=$(mktemp -d "$DSB_CACHE/.build-XXXXXX")
    trap 'rm -rf "$work"' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM HUP
    stage="$work/prefix"
    mkdir -p "$stage" "$work/src"
    dsb_started=$(date +%s)
    echo "$DSB_NAME: building $DSB_KEY"
}

# apt with a state of its own in the scratch folder, reading one deb-src entry in a sources
# file of its own there (removed with the scratch folder by the trap).
dsb_apt() {
    # shellcheck disable=SC2016 # the ${...} are apt's own
    apt-get -q \
        -o Dir::State::Lists="$work/apt/lists" \
        -o Dir::State::Status=/var/lib/dpkg/status \
        -o Dir::Cache="$work/apt/cache" \
        -o Dir::Etc::sourcelist="$work/apt/sources.list" \
        -o Dir::Etc::sourceparts=- \
        -o APT::Sandbox::User="$(id -un)" \
        -o Debug::NoLocking=1 \
        "$@"
}

dsb_fetch() {
    mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $DSB_ARCHIVE" \
        >"$work/apt/sources.list"
    dsb_apt update || die "apt-get update of the source index failed (network?)"
    (cd "$work/src" && dsb_apt source --download-only "$@") || die "apt-get source failed"
}

# dsb_unpack PACKAGE UPSTREAM: a Debian revision of the same upstream version (a security fix) is
# taken as the archive offers it and named in $dsb_versions; a new upstream version stops the
# build, since the caller's version line (and so its key) must change with it.
dsb_unpack() {
    dsc=$(ls "$work/src/$1"_*.dsc)
    version=$(sed -n 's/^Version: //p' "$dsc")
    case "$version" in
        "$2"* | *:"$2"*) ;;
        *) die "the archive offers $1 $version, not $2: change the version in scripts/$DSB_NAME" ;;
    esac
    dpkg-source --no-check -x "$dsc" "$work/src/$1" >/dev/null
    dsb_versions="$dsb_versions$1 $version
"
}

# dsb_run_logged LOG WHAT COMMAND...: runs a build step with its output in LOG, shown on failure.
dsb_run_logged() {
    log=$1 what=$2
    shift 2
    "$@" >"$log" 2>&1 || { cat "$log"; die "$what failed"; }
}

dsb_finish() {
    [ -f "$stage/$DSB_MARKER" ] || die "the build wrote no $DSB_MARKER"
    rm -rf "$dsb_prefix"
    mv "$stage" "$dsb_prefix"
    echo "$DSB_NAME: built $dsb_prefix in $(($(date +%s) - dsb_started)) s"
    echo "$dsb_prefix" >&3
}
