#include "platform/storage/Folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>

#include "platform/storage/FileHelpers.h"

namespace platform {
namespace {

// Where a file cannot have a second name: FAT, exFAT, SMB shares.
bool noHardLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS;
}

Folder::NameFor onlyName(const std::string& name) {
    return [name](int attempt) { return attempt == 1 ? name : std::string(); };
}

// Fills the open, still private file `fd`, gives it its access and syncs it.
int fill(int fd, std::string_view bytes, AccessLike like) {
    if (const int error = WriteAll(fd, bytes.data(), bytes.size())) return error;
    if (const int error = TakeAccessOf(fd, like)) return error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Names a complete file by the first free name nameFor gives; EEXIST when none is.
int nameFirstFree(const std::function<int(const std::string&)>& name,
                  const Folder::NameFor& nameFor, std::string& given) {
    for (int attempt = 1;; ++attempt) {
        given = nameFor(attempt);
        if (given.empty()) return EEXIST;
        const int error = name(given);
        if (error != EEXIST) return error;
    }
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

int Folder::CreateFile(const std::string& name, AccessLike like) const {
    if (like.fd < 0)
        return ::openat(fd_, name.c_str(),
                        O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    std::string given;
    int fd = -1;
    if (const int error = publish({}, like, onlyName(name), given, &fd)) {
        errno = error;
        return -1;
    }
    return fd;
}

int Folder::Publish(std::string_view bytes, AccessLike like, const NameFor& nameFor,
                    std::string& name) const {
    return publish(bytes, like, nameFor, name, nullptr);
}

int Folder::Publish(const std::string& name, std::string_view bytes, AccessLike like) const {
    std::string given;
    return publish(bytes, like, onlyName(name), given, nullptr);
}

// The published file stays open in `keep` when it is given.
int Folder::publish(std::string_view bytes, AccessLike like, const NameFor& nameFor,
                    std::string& name, int* keep) const {
    RemoveAbandonedParts();
    int fd = -1;
    int error = publishUnnamed(bytes, like, nameFor, name, fd);
    if (error == ENOTSUP) error = publishPart(bytes, like, nameFor, name, fd);
    if (!error && (error = Sync()) != 0) ::unlinkat(fd_, name.c_str(), 0);
    if (!error && keep) {
        *keep = fd;
        return 0;
    }
    if (fd >= 0) ::close(fd);
    return error;
}

// Made unnamed, then linked in from /proc; ENOTSUP where either cannot be done, whatever the
// reason (no O_TMPFILE on this file system, no /proc, a link refused: EPERM), so that the next
// way is taken: it fails too where the folder itself is the cause, and tells that. `fd` is the
// published file, or -1 after a failure.
int Folder::publishUnnamed(std::string_view bytes, AccessLike like, const NameFor& nameFor,
                           std::string& name, int& fd) const {
    fd = ::openat(fd_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) return ENOTSUP;
    int error = fill(fd, bytes, like);
    const std::string self = ProcFdPath(fd);
    if (!error)
        error = nameFirstFree(
            [&](const std::string& to) {
                if (::linkat(AT_FDCWD, self.c_str(), fd_, to.c_str(), AT_SYMLINK_FOLLOW) == 0)
                    return 0;
                return errno == EEXIST ? EEXIST : ENOTSUP;
            },
            nameFor, name);
    if (error) {
        ::close(fd);
        fd = -1;
    }
    return error;
}

// Made under a temporary name, then renamed. `fd` as above.
int Folder::publishPart(std::string_view bytes, AccessLike like, const NameFor& nameFor,
                        std::string& name, int& fd) const {
    std::string part;
    if (const int error = makePart(part, fd)) return error;
    int error = fill(fd, bytes, like);
    if (!error)
        error = nameFirstFree([&](const std::string& to) { return RenameNoReplace(part, to); },
                              nameFor, name);
    if (error) {
        ::unlinkat(fd_, part.c_str(), 0);
        ::close(fd);
        fd = -1;
    }
    return error;
}

// A new temporary file, mode 0600, locked for as long as it is written, so that no other
// publishing takes it for one a killed publishing left. One such clean-up may have taken it
// between its making and its lock: then it is given up for another name.
int Folder::makePart(std::string& part, int& fd) const {
    for (int attempt = 0; attempt < 100; ++attempt) {
        part = kPartPrefix + randomTail();
        fd = ::openat(fd_, part.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return errno;
        if (fd < 0) continue;
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if ((locked || errno != EWOULDBLOCK) && names(part, fd)) return 0;
        ::close(fd);
    }
    fd = -1;
    return EEXIST;
}

bool Folder::names(const std::string& name, int fd) const {
    struct stat named {
    }, open{};
    return ::fstatat(fd_, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           ::fstat(fd, &open) == 0 && SameFile(named, open);
}

void Folder::RemoveAbandonedParts() const {
    bool removed = false;
    for (const std::string& name : Names())
        if (name.rfind(kPartPrefix, 0) == 0 && removeIfAbandoned(name)) removed = true;
    if (removed) Sync();
}

// Removes the temporary file `name` when no publishing holds it: true when it is gone.
bool Folder::removeIfAbandoned(const std::string& name) const {
    const auto remove = [&] { return ::unlinkat(fd_, name.c_str(), 0) == 0; };
    struct stat st {};
    const int fd = OpenFileForWritingIfAllowed(name);
    if (fd < 0)  // another user's this one may not open: only by its age
        return errno == EACCES && ::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
               S_ISREG(st.st_mode) && UnwrittenForLong(st) && remove();
    bool removed = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        removed = names(name, fd) && remove();
    else if (errno != EWOULDBLOCK)  // no locks here
        removed = ::fstat(fd, &st) == 0 && UnwrittenForLong(st) && names(name, fd) && remove();
    ::close(fd);
    return removed;
}

bool Folder::UnwrittenForLong(const struct stat& st) {
    return std::time(nullptr) - st.st_mtime > 3600;
}

int Folder::RenameNoReplace(const std::string& from, const std::string& to) const {
    if (::renameat2(fd_, from.c_str(), fd_, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // Rename takes no flags here (NFS, FUSE): a hard link refuses a taken name just as
    // atomically, then the old name goes.
    if (::linkat(fd_, from.c_str(), fd_, to.c_str(), 0) == 0)
        return ::unlinkat(fd_, from.c_str(), 0) == 0 ? 0 : errno;
    if (!noHardLinks(errno)) return errno;
    // Neither (exFAT through FUSE, some SMB shares): the name is looked at, then taken. Only the
    // folder's writers could take it in between. A name that differs in case only is taken too
    // where the file system ignores case.
    struct stat st {};
    if (::fstatat(fd_, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return ::renameat(fd_, from.c_str(), fd_, to.c_str()) == 0 ? 0 : errno;
}

int Folder::Remove(const std::string& name) const {
    return ::unlinkat(fd_, name.c_str(), 0) == 0 ? 0 : errno;
}

int Folder::Sync() const {
    return ::fsync(fd_) == 0 ? 0 : errno;
}

}  // namespace platform
