#include "platform/storage/DatabaseWriteLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace platform {
namespace {

// SQLite's lock bytes: the pending byte, the reserved byte and the 510 shared bytes after them.
constexpr off_t kPendingByte = 0x40000000;
constexpr off_t kLockBytes = 512;

struct flock lockRange(short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = kPendingByte;
    range.l_len = kLockBytes;
    return range;
}

// Whether another process holds a lock that an SQLite writer takes (reserved or pending).
bool writerPresent(int fd) {
    struct flock probe = lockRange(F_WRLCK);
    probe.l_len = 2;
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
    int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    const bool writable = fd >= 0;
    if (!writable && (errno == EACCES || errno == EROFS || errno == EPERM))
        fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = errno;
        return Result::Failed;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        struct flock range = lockRange(F_WRLCK);
        // Without write access the file cannot be locked for writing: only a writer is waited for.
        const bool taken = writable ? ::fcntl(fd, F_SETLK, &range) == 0 : !writerPresent(fd);
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

}  // namespace platform
