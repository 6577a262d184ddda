#include "platform/storage/SyncedFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

int WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0 ? EIO : errno;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

int TakeModeAndOwner(int fd, const struct stat& original) {
    if (::geteuid() == 0 && ::fchown(fd, original.st_uid, original.st_gid) != 0) return errno;
    return ::fchmod(fd, original.st_mode & 07777) == 0 ? 0 : errno;
}

int SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

}  // namespace platform
