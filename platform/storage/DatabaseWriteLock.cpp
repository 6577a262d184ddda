#include "platform/storage/DatabaseWriteLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/storage/LockBytes.h"
#include "platform/storage/RegularFile.h"

namespace platform {
namespace {

struct flock lockRange(short type, off_t length) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = kPendingByte;
    range.l_len = length;
    return range;
}

// Takes the write lock on SQLite's lock bytes without waiting: true, or false with errno set.
bool lockAll(int fd) {
    struct flock range = lockRange(F_WRLCK, kSharedFirst + kSharedSize - kPendingByte);
    if (::fcntl(fd, F_OFD_SETLK, &range) == 0) return true;
    return errno == EINVAL && ::fcntl(fd, F_SETLK, &range) == 0;  // no such locks here
}

// Whether another process holds a lock that an SQLite writer takes (pending or reserved).
bool writerPresent(int fd) {
    struct flock probe = lockRange(F_WRLCK, 2);
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

DatabaseWriteLock::Result DatabaseWriteLock::Acquire(const std::string& file, int waitMs) {
    Release();
    const int fd = OpenRegularFileForWritingIfAllowed(file);
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
    out.clear();
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd_, buffer, sizeof buffer, at);
        if (n == 0) return 0;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        out.append(buffer, std::size_t(n));
        at += n;
    }
}

}  // namespace platform
