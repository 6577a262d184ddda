#include "platform/storage/SyncedFile.h"

#include <fcntl.h>
#include <stdio.h>
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

int WriteNewFile(const std::string& path, std::string_view bytes, const struct stat* like,
                 bool sync) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          like ? 0600 : 0644);
    if (fd < 0) return errno;
    int error = WriteAll(fd, bytes.data(), bytes.size());
    if (!error && like) error = TakeModeAndOwner(fd, *like);
    if (!error && sync && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (error) ::unlink(path.c_str());
    return error;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    return ::unlink(from.c_str()) == 0 ? 0 : errno;
}

int SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

}  // namespace platform
