#include "platform/storage/Folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "platform/storage/FileHelpers.h"

namespace platform {
namespace {

// Where unnamed files cannot be made: no O_TMPFILE on this file system, or no /proc to link
// them from.
bool noUnnamedFiles(int error) {
    return error == EISDIR || error == EOPNOTSUPP || error == EINVAL || error == ENOTSUP;
}

std::string randomTail() {
    static std::mt19937_64 random{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string tail(10, 'x');
    for (char& c : tail) c = kLetters[random() % (sizeof kLetters - 1)];
    return tail;
}

}  // namespace

Folder::~Folder() {
    Close();
}

void Folder::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_.clear();
}

int Folder::Open(const std::string& path, bool followLink) {
    Close();
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    fd_ = ::open(path.empty() ? "." : path.c_str(), flags);
    if (fd_ < 0) {
        // O_DIRECTORY refuses a link it may not follow as no folder.
        struct stat st {};
        const int error = errno;
        const bool link = !followLink && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
        return error == ENOTDIR && link ? ELOOP : error;
    }
    path_ = path;
    return 0;
}

int Folder::Hold(int pathFd, const std::string& path) {
    Close();
    fd_ = ::openat(pathFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder the user may only enter is still held, for look-ups by name.
    if (fd_ < 0 && errno == EACCES) fd_ = ::fcntl(pathFd, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0) return errno;
    path_ = path;
    return 0;
}

Folder::Entry Folder::What(const std::string& name) const {
    struct stat st {};
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Entry::None;
    return S_ISREG(st.st_mode) ? Entry::File : Entry::Other;
}

std::vector<std::string> Folder::Names() const {
    std::vector<std::string> names;
    const int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr) {
        while (const dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.emplace_back(entry->d_name);
        ::closedir(dir);
    } else if (fd >= 0) {
        ::close(fd);
    }
    std::sort(names.begin(), names.end());
    return names;
}

int Folder::OpenFile(const std::string& name, int access) const {
    return OpenRegularFileAt(fd_, name, access);
}

int Folder::OpenFileForWritingIfAllowed(const std::string& name) const {
    return OpenRegularFileForWritingIfAllowedAt(fd_, name);
}

int Folder::ReadFile(const std::string& name, std::string& out, int access) const {
    const int fd = OpenFile(name, access);
    if (fd < 0) return errno;
    const int error = ReadWhole(fd, out);
    ::close(fd);
    return error;
}

int Folder::CreateFile(const std::string& name, int accessOf) const {
    const int fd = ::openat(fd_, name.c_str(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0 || accessOf < 0) return fd;
    if (const int error = TakeAccessOf(fd, accessOf)) {
        ::close(fd);
        ::unlinkat(fd_, name.c_str(), 0);
        errno = error;
        return -1;
    }
    return fd;
}

// Fills the open, still private file `fd`, gives it its access and syncs it.
int Folder::fill(int fd, std::string_view bytes, int accessOf) const {
    if (const int error = WriteAll(fd, bytes.data(), bytes.size())) return error;
    if (accessOf >= 0)
        if (const int error = TakeAccessOf(fd, accessOf)) return error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Links a complete file under the first free name nameFor gives; EEXIST when none is.
int Folder::linkFirstFree(const std::function<int(const std::string&)>& link,
                          const NameFor& nameFor, std::string& name) const {
    for (int attempt = 1;; ++attempt) {
        name = nameFor(attempt);
        if (name.empty()) return EEXIST;
        const int error = link(name);
        if (error != EEXIST) return error;
    }
}

int Folder::linkUnnamed(std::string_view bytes, int accessOf, const NameFor& nameFor,
                        std::string& name) const {
    const int fd =
        ::openat(fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, accessOf >= 0 ? 0600 : 0644);
    if (fd < 0) return noUnnamedFiles(errno) ? ENOTSUP : errno;
    int error = fill(fd, bytes, accessOf);
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (!error)
        error = linkFirstFree(
            [&](const std::string& to) {
                if (::linkat(AT_FDCWD, self.c_str(), fd_, to.c_str(), AT_SYMLINK_FOLLOW) == 0)
                    return 0;
                return errno == ENOENT && ::access("/proc/self/fd", F_OK) != 0 ? ENOTSUP : errno;
            },
            nameFor, name);
    ::close(fd);
    return error;
}

int Folder::linkRandom(std::string_view bytes, int accessOf, const NameFor& nameFor,
                       std::string& name) const {
    std::string part;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        part = "." + nameFor(1) + ".part-" + randomTail();
        fd = ::openat(fd_, part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      accessOf >= 0 ? 0600 : 0644);
        if (fd < 0 && errno != EEXIST) return errno;
    }
    if (fd < 0) return EEXIST;
    int error = fill(fd, bytes, accessOf);
    if (::close(fd) != 0 && !error) error = errno;
    if (!error)
        error = linkFirstFree(
            [&](const std::string& to) {
                return ::linkat(fd_, part.c_str(), fd_, to.c_str(), 0) == 0 ? 0 : errno;
            },
            nameFor, name);
    ::unlinkat(fd_, part.c_str(), 0);
    return error;
}

int Folder::Publish(std::string_view bytes, int accessOf, const NameFor& nameFor,
                    std::string& name) const {
    int error = linkUnnamed(bytes, accessOf, nameFor, name);
    if (error == ENOTSUP) error = linkRandom(bytes, accessOf, nameFor, name);
    if (error) return error;
    if (const int synced = Sync()) {
        ::unlinkat(fd_, name.c_str(), 0);
        return synced;
    }
    return 0;
}

int Folder::Publish(const std::string& name, std::string_view bytes, int accessOf) const {
    std::string given;
    return Publish(
        bytes, accessOf, [&](int attempt) { return attempt == 1 ? name : std::string(); }, given);
}

int Folder::RenameNoReplace(const std::string& from, const std::string& to) const {
    if (::renameat2(fd_, from.c_str(), fd_, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::linkat(fd_, from.c_str(), fd_, to.c_str(), 0) != 0) return errno;
    return ::unlinkat(fd_, from.c_str(), 0) == 0 ? 0 : errno;
}

int Folder::Remove(const std::string& name) const {
    return ::unlinkat(fd_, name.c_str(), 0) == 0 ? 0 : errno;
}

int Folder::Sync() const {
    return ::fsync(fd_) == 0 ? 0 : errno;
}

}  // namespace platform
