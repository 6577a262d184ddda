#include "platform/storage/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/storage/DatabasePlace.h"
#include "platform/storage/FileHelpers.h"
#include "platform/storage/Folder.h"
#include "platform/storage/LockBytes.h"

namespace platform {

namespace {

const char* const kLockFile = "PraveltaKVT.lock";

enum class Hold { Taken, HeldByOther, Unusable, NotAFile, Foreign };

// Takes the flock `kind` (LOCK_SH or LOCK_EX) on `fd` without waiting. Unless it is taken, `fd`
// is closed and set to -1. EBADF (on NFS an exclusive lock of a folder, or of a file opened
// read-only) and ENOLCK mean the object cannot be locked here, not that another copy holds it.
Hold lockWhole(int& fd, int kind) {
    if (fd < 0) return Hold::Unusable;
    if (::flock(fd, kind | LOCK_NB) == 0) return Hold::Taken;
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    fd = -1;
    return held ? Hold::HeldByOther : Hold::Unusable;
}

// The lock file opened (NFS locks exclusively only one opened for writing); a writer makes it
// when missing, with the open database file's access, so that every user the database lets write
// may open it too. -1 when it cannot be had.
int openLockFile(const Folder& db, int databaseFd, bool make) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = db.OpenFileForWritingIfAllowed(kLockFile);
        if (fd >= 0 || errno != ENOENT || !make || databaseFd < 0) return fd;
        fd = db.CreateFile(kLockFile, databaseFd);
        // Another copy may have made it in between: then open that one.
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Opens and locks the lock file into `fd`. Anything else than a regular file is refused, looked
// at before the open and what was opened after it (it may have been replaced in between): a
// link could lead a start by root to a file of someone else's choosing.
Hold takeLockFile(const DatabasePlace& place, int databaseFd, int kind, int& fd) {
    const Folder& db = place.Named();
    if (!db.IsOpen()) return Hold::Unusable;
    if (db.What(kLockFile) == Folder::Entry::Other) return Hold::NotAFile;
    // A start killed between linking its new lock file into place and removing the temporary
    // name (where rename takes no flags: NFS) left it a second name: that goes first, if no
    // publishing holds it, so that the file is judged by its own name alone.
    if (struct stat st{};
        ::fstatat(db.Fd(), kLockFile, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_nlink > 1)
        db.RemoveAbandonedParts();
    // One that a non-writer left may be held by them for ever: a writer is refused, a viewer
    // meets other copies on the folder and the database file alone.
    if (!place.BesideProblemIn(db, kLockFile).empty())
        return kind == LOCK_EX ? Hold::Foreign : Hold::Unusable;
    fd = openLockFile(db, databaseFd, kind == LOCK_EX);
    if (fd < 0 && db.What(kLockFile) == Folder::Entry::Other) return Hold::NotAFile;
    return lockWhole(fd, kind);
}

// The file the place holds, opened (only for reading by a copy that only views it); -1 when it
// is missing or cannot be opened: the start reports that when it checks the database.
int openDatabase(const DatabasePlace& place, bool viewOnly) {
    return place.Error() ? -1 : place.OpenFile(!viewOnly);
}

bool openedReadOnly(int fd) {
    return fd >= 0 && (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY;
}

// Locks kProgramByte of the open database file: for writing when it was opened for writing, for
// reading otherwise. Unless it is taken, `fd` is closed and set to -1. EINVAL (no such locks
// here) and ENOLCK leave the file to the other two objects.
Hold lockDatabase(int& fd) {
    if (fd < 0) return Hold::Unusable;
    struct flock byte = LockRange(openedReadOnly(fd) ? F_RDLCK : F_WRLCK, kProgramByte, 1);
    if (::fcntl(fd, F_OFD_SETLK, &byte) == 0) return Hold::Taken;
    const bool held = errno == EAGAIN || errno == EACCES;
    ::close(fd);
    fd = -1;
    return held ? Hold::HeldByOther : Hold::Unusable;
}

// A copy runs when it holds the folder or the lock file and no other copy holds any object.
InstanceLock::Result verdict(Hold onFolder, Hold onFile, Hold onDatabase) {
    using Result = InstanceLock::Result;
    if (onFile == Hold::NotAFile) return Result::LockFileNotAFile;
    if (onFile == Hold::Foreign) return Result::LockFileForeign;
    if (onFile == Hold::HeldByOther || onDatabase == Hold::HeldByOther) return Result::HeldByOther;
    if (onFile == Hold::Taken || onFolder == Hold::Taken) return Result::Taken;
    return Result::Impossible;
}

}  // namespace

InstanceLock::~InstanceLock() {
    Release();
}

void InstanceLock::Release() {
    for (int* fd : {&folderFd_, &fileFd_, &databaseFd_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

std::string InstanceLock::LockFilePath(const std::string& folder) {
    return folder + "/db/" + kLockFile;
}

InstanceLock::Result InstanceLock::Acquire(const std::string& folder, const DatabasePlace& place,
                                           bool viewOnly) {
    if (folderFd_ >= 0 || fileFd_ >= 0) return Result::Taken;
    // A copy that may not read the folder cannot meet the copies that lock only the folder.
    folderFd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0 && errno == EACCES) return Result::NoPermission;
    if (folderFd_ < 0) return Result::Impossible;
    databaseFd_ = openDatabase(place, viewOnly);
    // A copy that cannot write the database only views it, beside any other such copy; one that
    // may write it runs alone (a missing database is reported later, and locked as by a writer).
    const int kind = openedReadOnly(databaseFd_) ? LOCK_SH : LOCK_EX;
    const Hold onFolder = lockWhole(folderFd_, kind);
    if (onFolder == Hold::HeldByOther) {
        Release();
        return Result::HeldByOther;
    }
    const Hold onFile = takeLockFile(place, databaseFd_, kind, fileFd_);
    const Result result = verdict(onFolder, onFile, lockDatabase(databaseFd_));
    if (result != Result::Taken) Release();
    return result;
}

}  // namespace platform
