#include "platform/storage/PinnedVfs.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/storage/FileHelpers.h"

namespace platform {
namespace {

constexpr char kVfsName[] = "kvt-pinned";

std::mutex pinsMutex;
// Never destroyed: places are unpinned by objects destroyed at exit too.
std::map<int, PinnedVfs::Guard>& pins() {
    static auto* const table = new std::map<int, PinnedVfs::Guard>;
    return *table;
}

bool isPinned(int fd) {
    std::lock_guard<std::mutex> lock(pinsMutex);
    return pins().count(fd) != 0;
}

// A name "/proc/self/fd/<fd>/<file>" taken apart; `file` ends where the name does.
struct PinnedName {
    int fd = -1;
    std::string_view file;
};

// The folder's descriptor and the file's name of a name of exactly that form: the descriptor as
// /proc names it (digits only, no leading zero), the file one component, not "." or "..".
std::optional<PinnedName> splitName(const char* path) noexcept {
    if (!path || std::strncmp(path, kProcFd.data(), kProcFd.size()) != 0) return std::nullopt;
    const char* digits = path + kProcFd.size();
    const char* end = digits + std::strlen(digits);
    int fd = -1;
    const auto [slash, error] = std::from_chars(digits, end, fd);
    if (error != std::errc() || *digits < '0' || *digits > '9' ||
        (*digits == '0' && slash != digits + 1) || slash == end || *slash != '/')
        return std::nullopt;
    const std::string_view file(slash + 1, std::size_t(end - slash - 1));
    if (file.empty() || file == "." || file == ".." || file.find('/') != file.npos)
        return std::nullopt;
    return PinnedName{fd, file};
}

// A file named in a pinned folder, with that folder's guard.
struct PinnedFile {
    int folder;
    std::string file;
    PinnedVfs::Guard guard;

    // The guard's word, SQLITE_OK without one; `refusal` when it throws.
    int ask(int openFlags, PinnedVfs::Step step, int opened, int refusal) const {
        if (!guard) return SQLITE_OK;
        try {
            return guard(file, openFlags, step, opened);
        } catch (...) {
            return refusal;
        }
    }
    // Whether the open descriptor `fd` is the file the folder holds under the name now.
    bool holds(int fd) const {
        struct stat opened {
        }, named{};
        return ::fstat(fd, &opened) == 0 &&
               ::fstatat(folder, file.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
               SameFile(opened, named);
    }
};

// The file `path` names in a pinned folder; none for any other name. Called from SQLite: it lets
// no exception through.
std::optional<PinnedFile> pinnedFile(const char* path) noexcept try {
    const std::optional<PinnedName> name = splitName(path);
    if (!name) return std::nullopt;
    std::lock_guard<std::mutex> lock(pinsMutex);
    auto pin = pins().find(name->fd);
    if (pin == pins().end()) return std::nullopt;
    return PinnedFile{name->fd, std::string(name->file), pin->second};
} catch (...) {
    return std::nullopt;
}

// How the unix layer's open file begins (struct unixFile of SQLite's os_unix.c): its methods,
// its VFS, the record of its inode (none for a file it does not lock, a journal), then the
// descriptor it opened.
struct UnixFileStart {
    const sqlite3_io_methods* methods;
    sqlite3_vfs* vfs;
    void* inode;
    int fd;
};

// The descriptor the unix layer `below` opened for `file`; -1 where the file does not begin as
// the unix layer's does (another layer, another layout): every open then fails.
int descriptorOf(const sqlite3_file* file, const sqlite3_vfs* below) {
    if (below->szOsFile < int(sizeof(UnixFileStart))) return -1;
    UnixFileStart start{};
    std::memcpy(&start, file, sizeof start);
    return start.methods && start.vfs == below ? start.fd : -1;
}

sqlite3_vfs* belowVfs(sqlite3_vfs* vfs) {
    return static_cast<sqlite3_vfs*>(vfs->pAppData);
}

// SQLite's unix layer would resolve the /proc link into the folder's path of the moment.
int fullPathname(sqlite3_vfs*, const char* name, int nOut, char* out) {
    if (!splitName(name)) return SQLITE_CANTOPEN;
    const std::size_t size = std::strlen(name) + 1;
    if (nOut < 0 || size > static_cast<std::size_t>(nOut)) return SQLITE_CANTOPEN;
    std::memcpy(out, name, size);
    return SQLITE_OK;
}

int openFile(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    sqlite3_vfs* below = belowVfs(vfs);
    if (!name) return below->xOpen(below, name, file, flags, outFlags);
    file->pMethods = nullptr;
    if (flags & (SQLITE_OPEN_WAL | SQLITE_OPEN_SUPER_JOURNAL)) return SQLITE_CANTOPEN;
    const std::optional<PinnedFile> pinned = pinnedFile(name);
    if (!pinned) return SQLITE_CANTOPEN;
    int rc = pinned->ask(flags, PinnedVfs::Step::BeforeOpen, -1, SQLITE_CANTOPEN);
    if (rc != SQLITE_OK) return rc;
    rc = below->xOpen(below, name, file, flags, outFlags);
    if (rc != SQLITE_OK) return rc;
    const int opened = descriptorOf(file, below);
    rc = opened >= 0 && pinned->holds(opened)
             ? pinned->ask(flags, PinnedVfs::Step::AfterOpen, opened, SQLITE_CANTOPEN)
             : SQLITE_CANTOPEN;
    if (rc != SQLITE_OK && file->pMethods) {
        file->pMethods->xClose(file);
        file->pMethods = nullptr;  // SQLite closes a file only when its open succeeded
    }
    return rc;
}

int deleteFile(sqlite3_vfs* vfs, const char* name, int syncFolder) {
    const std::optional<PinnedFile> pinned = pinnedFile(name);
    if (!pinned) return SQLITE_IOERR_DELETE;
    const int rc = pinned->ask(0, PinnedVfs::Step::Delete, -1, SQLITE_IOERR_DELETE);
    if (rc != SQLITE_OK) return rc;
    // The folder's sync opens "/proc/self/fd/<fd>", which opens the folder anew.
    return belowVfs(vfs)->xDelete(belowVfs(vfs), name, syncFolder);
}

// SQLite asks whether a journal, a log or a super-journal exists before it opens it, at the
// start of every transaction. Outside a pinned folder none does: a journal naming a
// super-journal elsewhere is then taken for one of a save that finished, and SQLite removes it
// unplayed, never opening the super-journal. In a pinned folder the answer is the unix layer's
// (an empty file counts as none), looked up from the folder's descriptor, a link not followed.
int accessFile(sqlite3_vfs*, const char* name, int flags, int* result) {
    *result = 0;
    const std::optional<PinnedName> pinned = splitName(name);
    if (!pinned || !isPinned(pinned->fd)) return SQLITE_OK;
    const char* file = pinned->file.data();
    struct stat st {};
    if (flags == SQLITE_ACCESS_EXISTS)
        *result = ::fstatat(pinned->fd, file, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                  (!S_ISREG(st.st_mode) || st.st_size > 0);
    else
        *result =
            ::faccessat(pinned->fd, file, flags == SQLITE_ACCESS_READ ? R_OK : R_OK | W_OK, 0) == 0;
    return SQLITE_OK;
}

// The rest is the unix layer's, called with its own VFS.
void* dlOpen(sqlite3_vfs* vfs, const char* name) {
    return belowVfs(vfs)->xDlOpen(belowVfs(vfs), name);
}
void dlError(sqlite3_vfs* vfs, int n, char* out) {
    belowVfs(vfs)->xDlError(belowVfs(vfs), n, out);
}
void (*dlSym(sqlite3_vfs* vfs, void* handle, const char* symbol))(void) {
    return belowVfs(vfs)->xDlSym(belowVfs(vfs), handle, symbol);
}
void dlClose(sqlite3_vfs* vfs, void* handle) {
    belowVfs(vfs)->xDlClose(belowVfs(vfs), handle);
}
int randomness(sqlite3_vfs* vfs, int n, char* out) {
    return belowVfs(vfs)->xRandomness(belowVfs(vfs), n, out);
}
int sleepFor(sqlite3_vfs* vfs, int microseconds) {
    return belowVfs(vfs)->xSleep(belowVfs(vfs), microseconds);
}
int currentTime(sqlite3_vfs* vfs, double* now) {
    return belowVfs(vfs)->xCurrentTime(belowVfs(vfs), now);
}
int lastError(sqlite3_vfs* vfs, int n, char* out) {
    return belowVfs(vfs)->xGetLastError(belowVfs(vfs), n, out);
}
int currentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now) {
    return belowVfs(vfs)->xCurrentTimeInt64(belowVfs(vfs), now);
}
int setSystemCall(sqlite3_vfs* vfs, const char* name, sqlite3_syscall_ptr call) {
    return belowVfs(vfs)->xSetSystemCall(belowVfs(vfs), name, call);
}
sqlite3_syscall_ptr getSystemCall(sqlite3_vfs* vfs, const char* name) {
    return belowVfs(vfs)->xGetSystemCall(belowVfs(vfs), name);
}
const char* nextSystemCall(sqlite3_vfs* vfs, const char* name) {
    return belowVfs(vfs)->xNextSystemCall(belowVfs(vfs), name);
}

// Over the default layer at the first use; null when SQLite has none.
sqlite3_vfs* registeredVfs() {
    static sqlite3_vfs* const vfs = []() -> sqlite3_vfs* {
        sqlite3_vfs* below = sqlite3_vfs_find(nullptr);
        if (!below) return nullptr;
        static sqlite3_vfs pinned{};
        pinned.iVersion = below->iVersion < 3 ? below->iVersion : 3;
        pinned.szOsFile = below->szOsFile;
        pinned.mxPathname = below->mxPathname;
        pinned.zName = kVfsName;
        pinned.pAppData = below;
        pinned.xOpen = openFile;
        pinned.xDelete = deleteFile;
        pinned.xAccess = accessFile;
        pinned.xFullPathname = fullPathname;
        pinned.xDlOpen = dlOpen;
        pinned.xDlError = dlError;
        pinned.xDlSym = dlSym;
        pinned.xDlClose = dlClose;
        pinned.xRandomness = randomness;
        pinned.xSleep = sleepFor;
        pinned.xCurrentTime = currentTime;
        pinned.xGetLastError = lastError;
        pinned.xCurrentTimeInt64 = currentTimeInt64;
        pinned.xSetSystemCall = setSystemCall;
        pinned.xGetSystemCall = getSystemCall;
        pinned.xNextSystemCall = nextSystemCall;
        return sqlite3_vfs_register(&pinned, 0) == SQLITE_OK ? &pinned : nullptr;
    }();
    return vfs;
}

}  // namespace

const char* PinnedVfs::Name() {
    registeredVfs();
    return kVfsName;
}

bool PinnedVfs::Pin(int dirFd, Guard guard) {
    std::lock_guard<std::mutex> lock(pinsMutex);
    return pins().emplace(dirFd, std::move(guard)).second;
}

void PinnedVfs::Unpin(int dirFd) {
    std::lock_guard<std::mutex> lock(pinsMutex);
    pins().erase(dirFd);
}

}  // namespace platform
