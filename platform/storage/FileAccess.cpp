#include "platform/storage/FileAccess.h"

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {

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
    if (::geteuid() == 0) {
        if (::fchown(fd, like.st_uid, like.st_gid) != 0) return errno;
    } else if (::fchown(fd, static_cast<uid_t>(-1), like.st_gid) != 0 && errno != EPERM) {
        return errno;  // EPERM: not a member of the group, which the new file does not get then
    }
    if (::fchmod(fd, like.st_mode & 07777) != 0) return errno;
    return copyAccessAcl(fd, from);
}

}  // namespace platform
