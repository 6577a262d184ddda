// Preloaded (LD_PRELOAD) into a program under test, makes the file calls that differ on NFS
// behave as Linux carries them out there:
// - flock is a byte-range lock on the whole file: an exclusive lock on a folder, or on a
//   descriptor not opened for writing, fails with EBADF;
// - an unnamed file (open or openat with O_TMPFILE) cannot be made: EOPNOTSUPP;
// - rename takes no flags (renameat2 with RENAME_NOREPLACE): EINVAL.
// Built with KVT_AS_ON_EXFAT, as on exFAT through FUSE (or FAT, or an SMB share) instead: flock
// as it is, no unnamed file and no flags to rename as above, and no hard link (link, linkat:
// EPERM). With KVT_KILL_AT_FSYNC_OF=text there, the program is killed (SIGKILL) as it syncs a
// file whose path holds `text`.
// Everything else goes to the C library.
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

#ifndef KVT_AS_ON_EXFAT
namespace {

// Whether NFS refuses an exclusive lock on the descriptor.
bool refusedOnNfs(int fd) {
    struct stat st {};
    const int mode = ::fcntl(fd, F_GETFL);
    return mode < 0 || ::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) ||
           (mode & O_ACCMODE) == O_RDONLY;
}

}  // namespace

extern "C" int flock(int fd, int operation) {
    using Flock = int (*)(int, int);
    static const auto real = reinterpret_cast<Flock>(::dlsym(RTLD_NEXT, "flock"));
    if ((operation & LOCK_EX) && refusedOnNfs(fd)) {
        errno = EBADF;
        return -1;
    }
    return real(fd, operation);
}
#endif

namespace {

template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

// The mode argument of an open that creates; EOPNOTSUPP (-1) for an unnamed file.
bool refusedUnnamed(int flags, va_list rest, mode_t& mode) {
    mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, int) : 0;
    if ((flags & O_TMPFILE) != O_TMPFILE) return false;
    errno = EOPNOTSUPP;
    return true;
}

int openAsOnNfs(const char* name, const char* path, int flags, va_list rest) {
    mode_t mode;
    if (refusedUnnamed(flags, rest, mode)) return -1;
    return next<int (*)(const char*, int, ...)>(name)(path, flags, mode);
}

int openatAsOnNfs(const char* name, int folder, const char* path, int flags, va_list rest) {
    mode_t mode;
    if (refusedUnnamed(flags, rest, mode)) return -1;
    return next<int (*)(int, const char*, int, ...)>(name)(folder, path, flags, mode);
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = openAsOnNfs("open", path, flags, rest);
    va_end(rest);
    return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = openAsOnNfs("open64", path, flags, rest);
    va_end(rest);
    return fd;
}

extern "C" int openat(int folder, const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = openatAsOnNfs("openat", folder, path, flags, rest);
    va_end(rest);
    return fd;
}

extern "C" int openat64(int folder, const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = openatAsOnNfs("openat64", folder, path, flags, rest);
    va_end(rest);
    return fd;
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to,
                         unsigned flags) {
    using Renameat2 = int (*)(int, const char*, int, const char*, unsigned);
    if (flags != 0) {
        errno = EINVAL;
        return -1;
    }
    return next<Renameat2>("renameat2")(fromFolder, from, toFolder, to, flags);
}

#ifdef KVT_AS_ON_EXFAT
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int link(const char*, const char*) {
    errno = EPERM;
    return -1;
}

extern "C" int linkat(int, const char*, int, const char*, int) {
    errno = EPERM;
    return -1;
}

extern "C" int fsync(int fd) {
    const char* text = std::getenv("KVT_KILL_AT_FSYNC_OF");
    char path[4096] = {};
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (text && *text && ::readlink(self.c_str(), path, sizeof path - 1) > 0 &&
        std::strstr(path, text))
        ::raise(SIGKILL);
    return next<int (*)(int)>("fsync")(fd);
}
#endif
