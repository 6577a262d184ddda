#include "platform/storage/DatabaseWriteLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/storage/FileHelpers.h"
#include "platform/storage/Folder.h"
#include "platform/storage/LockBytes.h"

namespace platform {
namespace {

// Takes the write lock on SQLite's lock bytes without waiting: true, or false with errno set.
bool lockAll(int fd) {
    struct flock range =
        LockRange(F_WRLCK, kPendingByte, kSharedFirst + kSharedSize - kPendingByte);
    if (::fcntl(fd, F_OFD_SETLK, &range) == 0) return true;
    return errno == EINVAL && ::fcntl(fd, F_SETLK, &range) == 0;  // no such locks here
}

// Whether another process holds a lock that an SQLite writer takes (pending or reserved).
bool writerPresent(int fd) {
    struct flock probe = LockRange(F_WRLCK, kPendingByte, 2);
    return ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

}  // namespace

DatabaseWriteLock::~DatabaseWriteLock() {
    Release();
}

void DatabaseWriteLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

DatabaseWriteLock::Result DatabaseWriteLock::Acquire(const Folder& folder, const std::string& name,
                                                     int waitMs) {
    Release();
    const int fd = folder.OpenFileForWritingIfAllowed(name);
    if (fd < 0) {
        error_ = errno;
        return Result::Failed;
    }
    const bool writable = (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDWR;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        // Without write access the file cannot be locked for writing: only a writer is waited for.
        const bool taken = writable ? lockAll(fd) : !writerPresent(fd);
        if (taken) break;
        if (writable && errno != EACCES && errno != EAGAIN) {
            error_ = errno;
            ::close(fd);
            return Result::Failed;
        }
        if (std::chrono::steady_clock::now() >= until) {
            ::close(fd);
            return Result::Busy;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!writable) {
        ::close(fd);
        return Result::NotWritable;
    }
    fd_ = fd;
    return Result::Taken;
}

int DatabaseWriteLock::ReadAll(std::string& out) const {
    return ReadWhole(fd_, out);
}

int DatabaseWriteLock::Rewrite(std::string_view before, std::string_view after,
                               std::size_t pageSize) const {
    for (std::size_t at = 0; at < after.size(); at += pageSize) {
        const std::string_view page = after.substr(at, pageSize);
        // A file cut short is shorter than what it is to hold: its missing pages are all new.
        if (at < before.size() && before.substr(at, pageSize) == page) continue;
        if (const int error = PwriteAll(fd_, page, off_t(at))) return error;
    }
    if (after.size() != before.size() && ::ftruncate(fd_, off_t(after.size())) != 0) return errno;
    return Sync();
}

int DatabaseWriteLock::Sync() const {
    return ::fsync(fd_) == 0 ? 0 : errno;
}

}  // namespace platform
