#include "platform/storage/FileHelpers.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

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

int TakeModeAndOwner(int fd, const struct stat& original) {
    if (::geteuid() == 0) {
        if (::fchown(fd, original.st_uid, original.st_gid) != 0) return errno;
    } else if (::fchown(fd, static_cast<uid_t>(-1), original.st_gid) != 0 && errno != EPERM) {
        return errno;  // EPERM: not a member of the group, which the new file does not get then
    }
    return ::fchmod(fd, original.st_mode & 07777) == 0 ? 0 : errno;
}

namespace {

// Fills the open, still private file `fd`, gives it the mode and owner of `like` where given, and
// syncs it when asked.
int fill(int fd, std::string_view bytes, const struct stat* like, bool sync) {
    if (const int error = WriteAll(fd, bytes.data(), bytes.size())) return error;
    if (like)
        if (const int error = TakeModeAndOwner(fd, *like)) return error;
    return !sync || ::fsync(fd) == 0 ? 0 : errno;
}

}  // namespace

int WriteNewFile(const std::string& path, std::string_view bytes, const struct stat* like,
                 bool sync) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          like ? 0600 : 0644);
    if (fd < 0) return errno;
    int error = fill(fd, bytes, like, sync);
    if (::close(fd) != 0 && !error) error = errno;
    if (error) ::unlink(path.c_str());
    return error;
}

namespace {

// An unnamed file in the folder, linked under `path` once filled; ENOTSUP where the file system
// makes no unnamed files.
int linkUnnamedFile(const std::string& path, std::string_view bytes, const struct stat& like) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return errno == EISDIR || errno == EOPNOTSUPP || errno == EINVAL ? ENOTSUP : errno;
    int error = fill(fd, bytes, &like, true);
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (!error && ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
        error = errno == ENOENT && ::access("/proc/self/fd", F_OK) != 0 ? ENOTSUP : errno;
    ::close(fd);
    return error;
}

// A file under a random name beside `path`, renamed to it once filled.
int renameRandomFile(const std::string& path, std::string_view bytes, const struct stat& like) {
    std::string part = path + ".part-XXXXXX";
    const int fd = ::mkostemp(part.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    int error = fill(fd, bytes, &like, true);
    if (::close(fd) != 0 && !error) error = errno;
    if (!error) error = RenameNoReplace(part, path);
    if (error) ::unlink(part.c_str());
    return error;
}

}  // namespace

int LinkNewFile(const std::string& path, std::string_view bytes, const struct stat& like) {
    const int error = linkUnnamedFile(path, bytes, like);
    return error == ENOTSUP ? renameRandomFile(path, bytes, like) : error;
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

namespace {

// Where the kernel keeps a file's access ACL, as setfacl writes it.
const char* const kAccessAcl = "system.posix_acl_access";

// Copies the access ACL, which names users and groups beyond the mode's three (a user the
// database lets write by an ACL entry must be able to open the lock file for writing: NFS locks
// no other). No ACL on `from`, or none possible on `fd`'s file system, is no failure.
int copyAccessAcl(int fd, int from) {
    const ssize_t size = ::fgetxattr(from, kAccessAcl, nullptr, 0);
    if (size < 0) return errno == ENODATA || errno == ENOTSUP ? 0 : errno;
    std::vector<char> acl(static_cast<std::size_t>(size));
    const ssize_t got = ::fgetxattr(from, kAccessAcl, acl.data(), acl.size());
    if (got < 0) return errno;
    if (::fsetxattr(fd, kAccessAcl, acl.data(), static_cast<std::size_t>(got), 0) == 0) return 0;
    return errno == ENOTSUP ? 0 : errno;
}

}  // namespace

int TakeAccessOf(int fd, int from) {
    struct stat like {};
    if (::fstat(from, &like) != 0) return errno;
    if (const int error = TakeModeAndOwner(fd, like)) return error;
    return copyAccessAcl(fd, from);
}

}  // namespace platform
