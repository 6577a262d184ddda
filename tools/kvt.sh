#!/usr/bin/env bash
# Set-up, build and run of PraveltaKVT on Debian 12, as root.
#   tools/kvt.sh run      install what is missing, build, install the program folder, start it
#   tools/kvt.sh test     install what is missing, build, run every test
#   tools/kvt.sh install  install the program folder from the build as it is (no build)
# The program folder is $PRAVELTA_HOME, by default ~/PraveltaKVT: outside the source tree, so
# that cleaning the build never deletes the user's data in its db/db.mdb.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${KVT_BUILD_DIR:-$here/build}"
home=""

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-charts-dev libqt6opengl6-dev
          libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-noto-cjk
          fonts-arphic-uming qt6-translations-l10n xvfb xauth poppler-utils locales strace)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    fi
}

# Sets $home. Without PRAVELTA_HOME it is ~/PraveltaKVT, which needs a HOME: an empty one would
# put the program folder at /PraveltaKVT.
program_folder() {
    if [[ -n "${PRAVELTA_HOME:-}" ]]; then
        home="$PRAVELTA_HOME"
    elif [[ -z "${HOME+set}" ]]; then
        echo "kvt.sh: HOME is not set; set it, or name the program folder in PRAVELTA_HOME" >&2
        exit 1
    elif [[ -z "$HOME" ]]; then
        echo "kvt.sh: HOME is empty; set it, or name the program folder in PRAVELTA_HOME" >&2
        exit 1
    else
        home="$HOME/PraveltaKVT"
    fi
}

# A user who may not write the build folder (another user's clone) is told so in one line, not
# by CMake failing file by file.
check_build_writable() {
    local place="$build"
    while [[ ! -e "$place" ]]; do place="$(dirname "$place")"; done
    if [[ ! -w "$place" || (-e "$build/CMakeCache.txt" && ! -w "$build/CMakeCache.txt") ]]; then
        echo "kvt.sh: user $(id -un) may not write $build;" \
            "run as the clone's owner ($(stat -c %U "$place")), or in a clone of your own" >&2
        exit 1
    fi
}

configure() {
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
}

# The program and its folder (database, skins, help pages) only; tests and performance
# programs are built by `test`.
build_program() {
    configure
    ninja -C "$build" PraveltaKVT
}

build_all() {
    configure
    ninja -C "$build"
}

# The lock file the program locks, made when missing with the database's mode (and, as root, its
# owner and group), so that every user of the database may lock it. noclobber: never over one
# that another install or the program made in between.
make_lock_file() {
    local lock="$home/db/PraveltaKVT.lock" db="$home/db/db.mdb"
    [[ -e "$lock" ]] && return
    (set -C && : >"$lock") 2>/dev/null || return 0
    chmod --reference="$db" "$lock"
    if ((EUID == 0)); then chown --reference="$db" "$lock"; fi
}

# Locks what the program locks, until the script ends: the lock file (opened for writing where
# the user may, as NFS locks only such) and the folder itself where flock allows it (not on NFS).
# Either one held means the program runs; neither taken, nothing is replaced.
lock_program_folder() {
    local lock="$home/db/PraveltaKVT.lock" taken=0 fd rc
    exec 8<&- 9<&-
    { exec 8<"$home"; } 2>/dev/null || true
    { [[ -w "$lock" ]] && exec 9<>"$lock"; } 2>/dev/null ||
        { [[ -r "$lock" ]] && exec 9<"$lock"; } 2>/dev/null || true
    for fd in 8 9; do
        [[ -e /dev/fd/$fd ]] || continue
        rc=0
        flock -n -E 75 "$fd" 2>/dev/null || rc=$?
        if ((rc == 75)); then
            echo "kvt.sh: PraveltaKVT is running in $home; close it first" >&2
            exit 1
        fi
        if ((rc == 0)); then taken=1; fi
    done
    if ((!taken)); then
        echo "kvt.sh: cannot lock $home (neither the folder nor db/PraveltaKVT.lock)" >&2
        exit 1
    fi
}

# Replaces the program, the skins and the help pages in the program folder by the build's.
# db/db.mdb is written only when there is none: then the build folder's is copied (the data of
# an earlier version that ran there, or an empty database on a fresh build). An existing
# database is never replaced or changed; the program's own upgrade at start is the only change.
install_program() {
    program_folder
    if [[ ! -x "$build/PraveltaKVT" || ! -f "$build/db/db.mdb" ]]; then
        echo "kvt.sh: no built program in $build (run: bash tools/kvt.sh run)" >&2
        exit 1
    fi
    mkdir -p "$home/db"
    # The database first: the lock file takes its mode and owner from it.
    if [[ ! -e "$home/db/db.mdb" ]]; then
        cp "$build/db/db.mdb" "$home/db/.db.mdb.new"
        sync "$home/db/.db.mdb.new"
        mv -n "$home/db/.db.mdb.new" "$home/db/db.mdb"
        rm -f "$home/db/.db.mdb.new"
    fi
    make_lock_file
    # The running program holds its lock; its files are not replaced under it.
    lock_program_folder
    cp "$build/PraveltaKVT" "$home/.PraveltaKVT.new"
    mv -f "$home/.PraveltaKVT.new" "$home/PraveltaKVT"
    local part
    for part in Skinz hlp; do
        rm -rf "$home/.$part.new"
        cp -r "$build/$part" "$home/.$part.new"
        rm -rf "$home/$part"
        mv "$home/.$part.new" "$home/$part"
    done
    sync "$home" "$home/db"
    exec 8<&- 9<&-
    echo "Program folder: $home (data: $home/db/db.mdb)"
}

case "${1:-}" in
    run)
        program_folder
        check_build_writable
        install_missing
        build_program
        install_program
        exec "$home/PraveltaKVT"
        ;;
    install)
        install_program
        ;;
    test)
        check_build_writable
        install_missing
        build_all
        cd "$build"
        ctest --output-on-failure -j"$(nproc)" --timeout 300
        ;;
    *)
        echo "usage: $0 run|test|install" >&2
        exit 2
        ;;
esac
