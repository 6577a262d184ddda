#include "platform/storage/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/storage/SyncedFile.h"

namespace platform {

namespace {

enum class Hold { Taken, HeldByOther, Unusable };

// Takes the exclusive lock on `fd` without waiting. Unless it is taken, `fd` is closed and set
// to -1. EBADF (a folder, or a file opened read-only, on NFS) and ENOLCK mean the object cannot
// be locked here, not that another copy holds it.
Hold lockExclusive(int& fd) {
    if (fd < 0) return Hold::Unusable;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return Hold::Taken;
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    fd = -1;
    return held ? Hold::HeldByOther : Hold::Unusable;
}

// A new lock file with the database file's mode, and, when root makes it, its owner and group:
// every user who may open the database may then open the lock file as well. Without a database
// file there is nothing to take the permissions from, and no file is made.
int createLockFile(const std::string& file, const std::string& db) {
    struct stat dbStat {};
    if (::stat(db.c_str(), &dbStat) != 0 || !S_ISREG(dbStat.st_mode)) return -1;
    const mode_t mode = dbStat.st_mode & 07777;
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    if (TakeModeAndOwner(fd, dbStat) != 0) {
        ::close(fd);
        ::unlink(file.c_str());
        return -1;
    }
    return fd;
}

// The lock file opened for writing where the user may write it (NFS locks only such), read-only
// otherwise, made when missing; -1 when it cannot be had.
int openLockFile(const std::string& file, const std::string& db) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && errno == EACCES) fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT) return fd;
        fd = createLockFile(file, db);
        // Another copy may have made it in between: then open that one.
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

InstanceLock::~InstanceLock() {
    Release();
}

void InstanceLock::Release() {
    if (folderFd_ >= 0) ::close(folderFd_);
    if (fileFd_ >= 0) ::close(fileFd_);
    folderFd_ = fileFd_ = -1;
}

std::string InstanceLock::LockFilePath(const std::string& folder) {
    return folder + "/db/PraveltaKVT.lock";
}

InstanceLock::Result InstanceLock::Acquire(const std::string& folder) {
    if (folderFd_ >= 0 || fileFd_ >= 0) return Result::Taken;
    // A copy that may not read the folder cannot meet the copies that lock only the folder.
    folderFd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0 && errno == EACCES) return Result::NoPermission;
    if (folderFd_ < 0) return Result::Impossible;
    const Hold onFolder = lockExclusive(folderFd_);
    if (onFolder == Hold::HeldByOther) return Result::HeldByOther;
    fileFd_ = openLockFile(LockFilePath(folder), folder + "/db/db.mdb");
    const Hold onFile = lockExclusive(fileFd_);
    if (onFile == Hold::Taken || (onFile == Hold::Unusable && onFolder == Hold::Taken))
        return Result::Taken;
    Release();
    return onFile == Hold::HeldByOther ? Result::HeldByOther : Result::Impossible;
}

}  // namespace platform
