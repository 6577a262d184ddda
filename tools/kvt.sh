#!/usr/bin/env bash
# Set-up, build and run of PraveltaKVT on Debian 12, as root.
#   tools/kvt.sh run      install what is missing, build, install the program folder, start it
#   tools/kvt.sh test     install what is missing, build, run every test
#   tools/kvt.sh install  install the program folder from the build as it is (no build)
# (`kvt.sh locked-install` is the second half of `install`, which the script runs itself.)
# The program folder is $PRAVELTA_HOME, by default ~/PraveltaKVT: outside the source tree, so
# that cleaning the build never deletes the user's data in its db/db.mdb.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
build="${KVT_BUILD_DIR:-$here/build}"
home=""

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-charts-dev libqt6opengl6-dev
          libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-noto-cjk
          fonts-arphic-uming qt6-translations-l10n xvfb xauth openbox poppler-utils locales strace
          exfatprogs exfat-fuse dosfstools fusefat acl sqlite3)

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

# The program and its folder (database, skins, help pages), and the install's tools/dbfolder,
# only; tests and performance programs are built by `test`.
build_program() {
    configure
    ninja -C "$build" PraveltaKVT dbfolder
}

build_all() {
    configure
    ninja -C "$build"
}

# Stops the script, saying why in one line.
stop() {
    echo "kvt.sh: $*" >&2
    exit 1
}

# Others may write the program folder and db/ (mode 777 or 1777, so that several users share one
# database) and put a link to any file under a name the install is about to use. So nothing is
# written, chmodded or chowned by a name in those folders: files are made in a folder of mktemp's
# that only this user may write, entered so that its name no longer matters, given their mode and
# owner there, and put in place by one link or rename, neither of which follows a link.

# Whether the file system of the current folder keeps no owners, modes or links (FAT, exFAT,
# through the kernel or FUSE): every file and folder has the mount's owner and mode, and no link
# can be made there. A FUSE file system that keeps links (NTFS, sshfs) is not one.
keeps_no_owners() {
    case "$(stat -f -c %t .)" in
        4d44 | 2011bab0 | 65735546) ;;
        *) return 1 ;;
    esac
    if ln -s . .kvt-install-link 2>/dev/null; then
        rm -f -- .kvt-install-link
        return 1
    fi
}

# Whether the current folder is one that mktemp made in the folder $1 (device:inode) for this
# user: in that folder and on its file system, this user's and writable by no one else. Where the
# file system keeps no owners or modes, it has the mount's: those of the folder above, which
# others may change as much.
private_to_this_user() {
    [[ "$(stat -c %d:%i ..)" == "$1" && "$(stat -c %d .)" == "${1%%:*}" ]] || return 1
    if [[ "$(stat -c %u .)" == "$EUID" ]] && (((8#$(stat -c %a .) & 8#022) == 0)); then
        return 0
    fi
    [[ "$(stat -c %u:%g:%a .)" == "$(stat -c %u:%g:%a ..)" ]] && keeps_no_owners
}

# Whether the current folder is a private folder of an install that ended without removing it,
# in the folder $1 (device:inode): made by this user (or by anyone who may write that folder,
# where others may not and root installs), and no running install holds it. An install locks its
# folder as soon as it has checked it; one made in the last minute may not be locked yet, and
# where folders cannot be locked (NFS), one is taken as abandoned once no one changed it for an
# hour.
left_by_an_install() {
    [[ "$(stat -c %d:%i ..)" == "$1" && "$(stat -c %d .)" == "${1%%:*}" ]] || return 1
    if [[ "$(stat -c %u .)" != "$EUID" ]]; then
        if ((EUID != 0 || (8#$(stat -c %a ..) & 8#002) != 0)); then
            [[ "$(stat -c %u:%g:%a .)" == "$(stat -c %u:%g:%a ..)" ]] && keeps_no_owners || return 1
        fi
    fi
    local rc=0 unchanged=1
    exec 7<.
    flock -n -E 75 7 2>/dev/null || rc=$?
    if ((rc == 75)); then return 1; fi
    if ((rc != 0)); then unchanged=60; fi
    [[ -n "$(find . -maxdepth 0 -mmin +"$unchanged")" ]]
}

# Removes what earlier installs left in the current folder: their private folders that are
# abandoned (left_by_an_install), with what they hold.
remove_abandoned_private_folders() {
    local parent name
    parent="$(stat -c %d:%i .)"
    for name in .kvt-install.*; do
        [[ -d "$name" && ! -L "$name" ]] || continue
        if (cd -P -- "$name" 2>/dev/null && left_by_an_install "$parent" &&
            find . -mindepth 1 -delete); then
            rmdir -- "$name" 2>/dev/null || true
        fi
    done
}

# Enters a new folder made by mktemp in the current one, after checking that it is the one
# mktemp made (private_to_this_user) and empty: another user may have put a link to a folder of
# theirs in its place before it was entered. The folder is locked while the install uses it, and
# removed however the install ends but by kill -9 (the next install removes it then); one that is
# not the one made is removed where it is empty.
enter_private_folder() {
    local parent here private
    parent="$(stat -c %d:%i .)"
    here="$(pwd -P)"
    private="$(mktemp -d ./.kvt-install.XXXXXXXXXX 2>&1)" ||
        stop "cannot make a folder in $here: ${private##*: }"
    if ! cd -P -- "$private" 2>/dev/null || ! private_to_this_user "$parent" ||
        [[ -n "$(ls -A)" ]]; then
        rmdir -- "$here/${private#./}" 2>/dev/null || true
        stop "$private in $here was replaced by another user's; install again"
    fi
    exec 7<.
    flock -n 7 2>/dev/null || true
    trap leave_private_folder EXIT
    trap 'exit 1' HUP INT TERM
}

# Removes what the private folder holds from inside it, then the folder by its name, which another
# user may have moved meanwhile: rmdir then removes nothing, or their empty folder.
leave_private_folder() {
    local name
    name="$(basename "$(pwd -P)")"
    find . -mindepth 1 -delete
    if cd -P ..; then rmdir -- "$name" 2>/dev/null || true; fi
}

# Links a file of the private folder under its name in the folder above, unless something is
# there already (another install or the program made it meanwhile): that is left as it is. Where
# the file system has no hard links (exFAT, FAT, SMB shares), mv -n renames it there instead,
# with a rename that refuses a taken name, or once it has seen the name free.
link_in_place() {
    # The private name goes at once: the database must have one link for the program to write it.
    if ln -T -- "$1" "../$1" 2>/dev/null; then
        rm -f -- "$1"
        return 0
    fi
    [[ -e "../$1" || -L "../$1" ]] ||
        mv -n -T -- "$1" "../$1" 2>/dev/null || [[ -e "../$1" || -L "../$1" ]] ||
        stop "cannot put $1 in $(cd .. && pwd -P)"
}

# Renames an entry of the private folder to its name in the folder above, replacing a file or a
# link there (not what the link leads to).
rename_in_place() {
    local said
    said="$(mv -T -f -- "$1" "../$1" 2>&1)" ||
        stop "cannot put $1 in $(cd .. && pwd -P): ${said##*: }"
}

# A link under a name the install follows (db/, db/db.mdb) that another user made could lead it
# to make files in a folder of someone else's, or take a file's mode and owner for the lock file.
# Such a link is named and the install stops. Which links those are, dbfolder says by the rule the
# program follows at its start (as the kernel's protected_symlinks in sticky shared folders: a link
# root, this user, the program folder's owner or the owner of the folder holding it made).
refuse_foreign_link() {
    local link
    link="$("$build/tools/dbfolder" foreign-link "$home/db/db.mdb")" ||
        stop "cannot check the links on the way to $home/db/db.mdb"
    if [[ -n "$link" ]]; then
        stop "$link is a link another user made, which the install does not follow;" \
            "remove it and install again"
    fi
}

# Enters $home/db, then checks that the folder entered is the one the name leads to now, through
# no link another user made: the name may have been replaced since it was checked.
enter_database_folder() {
    cd -P -- "$home/db" 2>/dev/null || stop "cannot enter $home/db"
    refuse_foreign_link
    [[ "$(stat -c %d:%i .)" == "$(stat -L -c %d:%i -- "$home/db" 2>/dev/null)" ]] ||
        stop "$home/db was replaced while the install entered it; install again"
}

# The lock file may only be a plain file: a link or anything else under its name was put there to
# make the install or the program open what it leads to.
check_lock_file() {
    local lock="$home/db/PraveltaKVT.lock"
    if [[ -L "$lock" || (-e "$lock" && ! -f "$lock") ]]; then
        stop "$lock is not a plain file; remove it and install again"
    fi
}

# The database when there is none (the build folder's: the data of an earlier version that ran
# there, or an empty database on a fresh build), then the lock file the program locks when there
# is none, with the database's owner (as root), group (where this user may give it), mode and ACL,
# so that every user the database lets write may lock it on NFS, where only a file opened for
# writing can be locked. The lock file is made by dbfolder, through the code with which the program
# makes the files it puts beside the database. Runs in a subshell: it changes folder.
make_database_files() {
    enter_database_folder
    remove_abandoned_private_folders
    if [[ (-e db.mdb || -L db.mdb) && (-e PraveltaKVT.lock || -L PraveltaKVT.lock) ]]; then
        return 0
    fi
    # A user who may not write db/ leaves the lock file unmade: the folder's lock serves then.
    if [[ (-e db.mdb || -L db.mdb) && ! -w . ]]; then return 0; fi
    enter_private_folder
    if [[ ! -e ../db.mdb && ! -L ../db.mdb ]]; then
        cp -- "$build/db/db.mdb" db.mdb
        sync db.mdb
        link_in_place db.mdb
    fi
    [[ -f ../db.mdb ]] || stop "$home/db/db.mdb is not a database file"
    # A user who may not read the database has no access to give the lock file, and no use of it.
    if [[ ! -e ../PraveltaKVT.lock && ! -L ../PraveltaKVT.lock && -r ../db.mdb ]]; then
        # dbfolder opens the database where its name leads, as the program does (a link there
        # was checked above), and only if it is a regular file; it makes the new name, following
        # no link there, with the owner's bits only, and gives it the database's owner, group,
        # mode and ACL, each through the two files' descriptors; an owner or group this user may
        # not give is left out, as chown would refuse it.
        local said
        said="$("$build/tools/dbfolder" lock-file ../db.mdb PraveltaKVT.lock 2>&1)" ||
            stop "cannot make $home/db/PraveltaKVT.lock: ${said##*: }"
        # None where the program will only view the database (the doubt is told at the end).
        if [[ -e PraveltaKVT.lock ]]; then link_in_place PraveltaKVT.lock; fi
    fi
    sync ..
}

# Opens the lock file on fd 9, for writing where the user may (NFS locks exclusively only such),
# and runs this script again as `kvt.sh locked-install`, which keeps it open until the script
# ends. Bash cannot open a file without waiting, and another user may swap a FIFO in under the
# name after it was checked: its opening would wait for ever. So perl opens it, following no link
# and without waiting, checks on the descriptor it opened that it is a regular file, the one the
# name still names, and puts it on fd 9 as a plain blocking descriptor. No lock file (the user may
# not make it): the folder's lock alone.
open_lock_file='
use strict;
use Fcntl;
use POSIX ();
my ($lock, @script) = @ARGV;
sub stop { print STDERR "kvt.sh: @_\n"; exit 1 }
sub not_a_file { stop("$lock is not a plain file; remove it and install again") }
my $fh;
sysopen($fh, $lock, O_RDWR | O_NONBLOCK | O_NOFOLLOW)
    or (($!{EACCES} || $!{EROFS} || $!{EPERM})
        && sysopen($fh, $lock, O_RDONLY | O_NONBLOCK | O_NOFOLLOW))
    or ($!{ELOOP} || $!{ENXIO} || $!{EISDIR} ? not_a_file() : exec { $script[0] } @script)
    or stop("cannot run $script[0]: $!");
my @file = stat($fh);
-f _ or not_a_file();
my @name = lstat($lock);
@name && $name[0] == $file[0] && $name[1] == $file[1]
    or stop("$lock was replaced while it was opened; install again");
fcntl($fh, F_SETFL, fcntl($fh, F_GETFL, 0) & ~O_NONBLOCK) or stop("cannot use $lock: $!");
if (fileno($fh) == 9) { fcntl($fh, F_SETFD, 0) or stop("cannot use $lock: $!") }
else { defined POSIX::dup2(fileno($fh), 9) or stop("cannot use $lock: $!") }
exec { $script[0] } @script or stop("cannot run $script[0]: $!");
'

# Goes on as `kvt.sh locked-install` with the lock file on fd 9; $@ are its further arguments.
reopen_with_lock_file() {
    export PRAVELTA_HOME="$home" KVT_BUILD_DIR="$build"
    exec perl -e "$open_lock_file" -- "$home/db/PraveltaKVT.lock" bash "$self" locked-install "$@"
}

# Locks what the program locks, until the script ends: the lock file and the folder itself where
# flock allows it (not on NFS). Either one held means the program runs; neither taken, nothing
# is replaced.
lock_program_folder() {
    local taken=0 fd rc
    exec 8<&-
    { exec 8<"$home"; } 2>/dev/null || true
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

# The build's program, skins and help pages, copied into a private folder in the program folder
# and each renamed to its name there. The old skin and help folders are first moved into the
# private folder, and go with it. Runs in a subshell: it changes folder.
replace_program_files() {
    cd -P -- "$home" 2>/dev/null || stop "cannot enter $home"
    remove_abandoned_private_folders
    enter_private_folder
    cp -- "$build/PraveltaKVT" PraveltaKVT
    cp -r -- "$build/Skinz" "$build/hlp" .
    rename_in_place PraveltaKVT
    local part
    for part in Skinz hlp; do
        mv -T -- "../$part" "$part.old" 2>/dev/null || true
        rename_in_place "$part"
    done
    sync ..
}

# Replaces the program, the skins and the help pages in the program folder by the build's.
# An existing database is never replaced or changed; the program's own upgrade at start is the
# only change. Goes on as `kvt.sh locked-install`, with $@ as its further arguments.
install_program() {
    program_folder
    [[ "$build" == /* ]] || build="$PWD/$build"
    if [[ ! -x "$build/PraveltaKVT" || ! -x "$build/tools/dbfolder" || ! -f "$build/db/db.mdb" ]]
    then
        echo "kvt.sh: no built program (PraveltaKVT and tools/dbfolder) in $build" \
            "(run: bash tools/kvt.sh run)" >&2
        exit 1
    fi
    refuse_foreign_link
    mkdir -p "$home/db"
    refuse_foreign_link
    check_lock_file
    # The database first: the lock file takes its mode and owner from it.
    (make_database_files)
    reopen_with_lock_file "$@"
}

# The second half of the install, with the lock file on fd 9 (or none): the running program holds
# its lock, and its files are not replaced under it. A folder on the database's path that others
# may change makes every start of the program a viewer of the database: the install goes on, and
# says which folder, why and what makes it safe in one line.
locked_install() {
    lock_program_folder
    (replace_program_files)
    exec 8<&- 9<&-
    local doubt
    doubt="$("$build/tools/dbfolder" doubt "$home/db/db.mdb")" ||
        stop "cannot check the folders of $home/db/db.mdb"
    if [[ -n "$doubt" ]]; then echo "kvt.sh: $doubt" >&2; fi
    echo "Program folder: $home (data: $home/db/db.mdb)"
}

case "${1:-}" in
    run)
        program_folder
        check_build_writable
        install_missing
        build_program
        install_program run
        ;;
    install)
        install_program
        ;;
    locked-install)
        program_folder
        locked_install
        if [[ "${2:-}" == run ]]; then exec "$home/PraveltaKVT"; fi
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
