#include "platform/storage/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool NamesOtherThanAFile(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

int OpenRegularFile(const std::string& path, int access) {
    const int fd = ::open(path.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))) return fd;
    ::close(fd);
    errno = ENODEV;
    return -1;
}

int OpenRegularFileForWritingIfAllowed(const std::string& path) {
    const int fd = OpenRegularFile(path, O_RDWR);
    if (fd >= 0 || (errno != EACCES && errno != EROFS && errno != EPERM)) return fd;
    return OpenRegularFile(path, O_RDONLY);
}

int ReadWhole(int fd, std::string& out) {
    out.clear();
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n == 0) return 0;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        out.append(buffer, std::size_t(n));
        at += n;
    }
}

}  // namespace platform
