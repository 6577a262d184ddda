// Preloaded (LD_PRELOAD) into a program under test, plays another user who swaps something in
// under a name between the program's check of the name and its opening: just before the first
// opening of a path whose last part is $SWAP_AT_OPEN_NAME, $SWAP_AT_OPEN_FROM is renamed to that
// path (once: it is gone after). Every opening then goes on to the C library. Bash and perl open
// files through open and open64.
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

void swapIn(const char* path) {
    const char* name = getenv("SWAP_AT_OPEN_NAME");
    const char* from = getenv("SWAP_AT_OPEN_FROM");
    if (!name || !from || !path) return;
    const char* slash = strrchr(path, '/');
    if (strcmp(slash ? slash + 1 : path, name) == 0) rename(from, path);
}

// The C library's function `name` after the swap; the mode is there only when the flags make a
// file.
int swapThenOpen(const char* name, const char* path, int flags, va_list args) {
    const bool makes = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
    const mode_t mode = makes ? va_arg(args, mode_t) : 0;
    swapIn(path);
    using Open = int (*)(const char*, int, ...);
    return reinterpret_cast<Open>(dlsym(RTLD_NEXT, name))(path, flags, mode);
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = swapThenOpen("open", path, flags, args);
    va_end(args);
    return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = swapThenOpen("open64", path, flags, args);
    va_end(args);
    return fd;
}
