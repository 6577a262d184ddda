#include "platform/storage/PrivateFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

const char* const kPrefix = "PraveltaKVT-recovery.";

// Removes the files of the open folder `fd`, then the folder by its name in `parent`.
void removeOpenFolder(int fd, const std::string& path) {
    if (DIR* dir = ::fdopendir(::dup(fd))) {
        while (const dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                ::unlinkat(fd, entry->d_name, 0);
        ::closedir(dir);
    }
    ::rmdir(path.c_str());
}

// A folder no other user may rename entries in: this user's and writable by no one else, or
// sticky. A link is not followed.
bool safeParent(const char* path) {
    struct stat st {};
    if (!path || path[0] != '/' || ::lstat(path, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    const bool own = st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
    return own || (st.st_mode & S_ISVTX) != 0;
}

}  // namespace

PrivateFolder::~PrivateFolder() {
    remove();
}

void PrivateFolder::remove() {
    if (fd_ >= 0) {
        removeOpenFolder(fd_, path_);
        ::close(fd_);
    }
    fd_ = -1;
    path_.clear();
}

int PrivateFolder::Make(const std::string& parent) {
    remove();
    std::string path = parent + "/" + kPrefix + "XXXXXX";
    if (!::mkdtemp(path.data())) return errno;
    fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        ::rmdir(path.c_str());
        return error;
    }
    // Where a folder cannot be locked (NFS), a folder left behind is not removed later.
    ::flock(fd_, LOCK_EX | LOCK_NB);
    path_ = path;
    return 0;
}

std::string PrivateFolder::Parent() {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = ::getenv(name);
        if (safeParent(value)) return value;
    }
    return "/tmp";
}

void PrivateFolder::RemoveAbandoned(const std::string& parent) {
    DIR* dir = ::opendir(parent.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, kPrefix, std::strlen(kPrefix)) != 0) continue;
        const std::string path = parent + "/" + entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        // Another user's is left alone; so is one a running start holds.
        if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            removeOpenFolder(fd, path);
        ::close(fd);
    }
    ::closedir(dir);
}

}  // namespace platform
