// The file helpers of the storage. Every one returns 0 or the error number of the first failure,
// or, where it opens, a descriptor or -1 with errno set. Files beside the database are opened,
// made and named through its Folder.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/storage/FileAccess.h"

namespace platform {

// Where the kernel shows this process's descriptors.
inline constexpr std::string_view kProcFd = "/proc/self/fd/";
// "/proc/self/fd/<fd>", the file `fd` holds; with `name`, "/proc/self/fd/<fd>/<name>", the entry
// `name` of the folder `fd` holds, looked up from that folder whatever its path is now.
std::string ProcFdPath(int fd, const std::string& name = {});

// Opens the regular file `name` of the folder `dirFd` with `access` (O_RDONLY, O_RDWR): never
// through a link (ELOOP), never waiting on a FIFO, and nothing else than a regular file (ENODEV).
int OpenRegularFileAt(int dirFd, const std::string& name, int access);

// The same for writing where the user may write the file, read-only otherwise.
int OpenRegularFileForWritingIfAllowedAt(int dirFd, const std::string& name);

// Whether two stats are of one file (device and inode).
inline bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// 0 where /proc/self/fd shows this process's descriptors, through which SQLite opens the database
// and the program judges the files beside it; otherwise why not (ENOENT: /proc is not mounted,
// EACCES: it may not be read, as by a process that gave up root).
int ProcFdProblem();

// The whole of an open file, read from its start whatever its offset.
int ReadWhole(int fd, std::string& out);

// Writes all `size` bytes to the open file, going on after interruptions.
int WriteAll(int fd, const char* data, std::size_t size);

// Writes all of `bytes` at `offset` of the open file.
int PwriteAll(int fd, std::string_view bytes, off_t offset);

// The access a new file takes: that of the open file `fd` (-1: none, the file stays this user's
// only, mode 0600); `asData` without execute, set-id and sticky bits (AsDataFile), for a data
// file made in the image of the database or of a folder.
// Or the access `access` read without opening the file (the database's, which the program must
// not open and close while its handles have it open: closing drops their locks).
struct AccessLike {
    AccessLike(int fd, bool asData = false) : fd(fd), asData(asData) {}  // NOLINT: an fd is one
    AccessLike(const FileAccess& access, bool asData) : fd(-1), asData(asData), access(access) {}
    int fd;
    bool asData;
    std::optional<FileAccess> access;
};

// Gives the open file `fd` the access `like`: its owner (where this process may: root), its
// group (root, or a member of that group), its mode and its access ACL. Where the ACL cannot be
// given (a file system without ACLs), the mode's group bits are those of the group itself, not
// the ACL's mask. Where the group cannot be given, the file's own group gets nothing in the ACL,
// and `like`'s group its rights through a named entry (FileAccess::GroupByName); without ACLs
// the file's group gets only what both others and `like`'s group have. The file lets no one
// more than `like` does. A start by root or by a member thus leaves no file the database's users
// cannot open, nor one others may. Where the file system keeps no owners or modes (FAT, exFAT,
// SMB shares, FUSE ones without ownership: an owner or mode is refused, EPERM, ENOSYS or
// ENOTSUP), the mount's stay, which the database has too: the file goes on with them where they
// are the owner and group asked for and let no one read or write more.
int TakeAccessOf(int fd, AccessLike like);

}  // namespace platform
