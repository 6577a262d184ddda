// Preloaded (LD_PRELOAD) into a program under test, stops it as kill -9 would at a chosen write:
// KVT_KILL_AT_WRITE=n kills it with SIGKILL at its n-th pwrite, before the write is made. With
// KVT_WRITES_FILE=file it writes there, at its end, how many pwrite calls it made. Every call
// goes on to the C library's pwrite. A ptrace-based kill (strace's inject) stops the program at
// every system call and slows its run several times over.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<long> writes{0};

void countOrKill() {
    static const char* const at = std::getenv("KVT_KILL_AT_WRITE");
    static const long killAt = at ? std::atol(at) : 0;
    if (++writes == killAt) ::raise(SIGKILL);
}

__attribute__((destructor)) void tellWrites() {
    if (const char* file = std::getenv("KVT_WRITES_FILE")) {
        if (FILE* out = std::fopen(file, "w")) {
            std::fprintf(out, "%ld\n", writes.load());
            std::fclose(out);
        }
    }
}

}  // namespace

// SQLite calls one or the other, as it was built.
extern "C" ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset) {
    using Pwrite = ssize_t (*)(int, const void*, size_t, off_t);
    static const auto real = reinterpret_cast<Pwrite>(::dlsym(RTLD_NEXT, "pwrite"));
    countOrKill();
    return real(fd, buf, count, offset);
}

extern "C" ssize_t pwrite64(int fd, const void* buf, size_t count, off_t offset) {
    using Pwrite = ssize_t (*)(int, const void*, size_t, off_t);
    static const auto real = reinterpret_cast<Pwrite>(::dlsym(RTLD_NEXT, "pwrite64"));
    countOrKill();
    return real(fd, buf, count, offset);
}
