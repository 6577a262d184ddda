// Preloaded (LD_PRELOAD) into a program under test, makes flock behave as Linux carries it out on
// NFS, as a byte-range lock on the whole file: an exclusive lock on a folder, or on a descriptor
// not opened for writing, fails with EBADF. Every other call goes to the C library's flock.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

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
