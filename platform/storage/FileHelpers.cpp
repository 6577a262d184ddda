#include "platform/storage/FileHelpers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>

#include "platform/storage/FileAccess.h"

namespace platform {

std::string ProcFdPath(int fd, const std::string& name) {
    std::string path = std::string(kProcFd) + std::to_string(fd);
    return name.empty() ? path : path + "/" + name;
}

int OpenRegularFileAt(int dirFd, const std::string& name, int access) {
    const int fd = ::openat(dirFd, name.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fd;
    struct stat st {};
    int error = ::fstat(fd, &st) == 0 ? 0 : errno;
    if (!error && S_ISREG(st.st_mode)) return fd;
    ::close(fd);
    errno = error ? error : ENODEV;
    return -1;
}

int OpenRegularFileForWritingIfAllowedAt(int dirFd, const std::string& name) {
    const int fd = OpenRegularFileAt(dirFd, name, O_RDWR);
    if (fd >= 0 || (errno != EACCES && errno != EROFS && errno != EPERM)) return fd;
    return OpenRegularFileAt(dirFd, name, O_RDONLY);
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

int PwriteAll(int fd, std::string_view bytes, off_t offset) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0 ? EIO : errno;
        bytes.remove_prefix(std::size_t(n));
        offset += n;
    }
    return 0;
}

int ProcFdProblem() {
    const int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat held {};
    struct stat seen {};
    // A name as SQLite is given it: "." in the folder "/" held.
    const std::string self = ProcFdPath(fd, ".");
    const int error = ::fstat(fd, &held) != 0            ? errno
                      : ::stat(self.c_str(), &seen) != 0 ? errno
                      : SameFile(held, seen)             ? 0
                                                         : ENOENT;
    ::close(fd);
    return error;
}

namespace {

// How a file system refuses an owner or a mode it keeps none of (FAT and exFAT, FUSE ones without
// ownership: the mount's stay), or one this process may not give (EPERM).
bool refusedHere(int error) {
    return error == EPERM || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

}  // namespace

int TakeAccessOf(int fd, AccessLike from) {
    if (from.fd < 0 && !from.access) return 0;
    FileAccess like;
    if (from.access)
        like = *from.access;
    else if (const int error = FileAccessOf(from.fd, like))
        return error;
    if (from.asData) like.AsDataFile();
    const bool root = ::geteuid() == 0;
    const int unowned = ::fchown(fd, root ? like.owner : uid_t(-1), like.group) == 0 ? 0 : errno;
    if (unowned && !refusedHere(unowned)) return unowned;
    struct stat made {};
    if (::fstat(fd, &made) != 0) return errno;
    // Refused: root goes on only where the file has that owner and group already (a file system
    // that keeps none gives every file the mount's, the database's too); a user who is not a
    // member of the group leaves the file in another one.
    if (unowned && root && (made.st_uid != like.owner || made.st_gid != like.group)) return unowned;
    if (made.st_gid != like.group) like.GroupByName();
    // The mode first, as it is without the ACL; the ACL then gives back its named users and mask.
    // Refused (a file system that keeps the mount's modes, the database's too): the file keeps
    // its own, unless that lets someone read or write what `like` does not.
    const mode_t mode = like.ModeWithoutAcl();
    if (::fchmod(fd, mode) != 0) {
        const int error = errno;
        if (!refusedHere(error)) return error;
        if (::fstat(fd, &made) != 0) return errno;
        if (made.st_mode & 0666 & ~mode) return error;
    }
    if (like.acl.empty()) return 0;
    if (::fsetxattr(fd, kAccessAclAttribute, like.acl.data(), like.acl.size(), 0) == 0) return 0;
    return errno == ENOTSUP ? 0 : errno;
}

}  // namespace platform
