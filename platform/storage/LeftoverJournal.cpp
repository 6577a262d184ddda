#include "platform/storage/LeftoverJournal.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/AppPath.h"
#include "platform/storage/Database.h"
#include "platform/storage/DatabaseWriteLock.h"
#include "platform/storage/SyncedFile.h"

namespace platform {
namespace {

const char* const kPart = ".part";            // a copy not yet complete
const char* const kRollback = ".recovering";  // the copy a journal is rolled into

// The failure of a file operation as the user is told it: its cause and the file.
DbError fileError(const std::string& file, int error) {
    DbFault fault = DbFault::Io;
    if (error == ENOSPC || error == EDQUOT) fault = DbFault::Full;
    if (error == EACCES || error == EPERM || error == EROFS) fault = DbFault::FolderNotWritable;
    return DbError(fault, "", file, std::strerror(error));
}

void check(int error, const std::string& file) {
    if (error) throw fileError(file, error);
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Copies `from` to `to`, a name that must be new, with the original's mode and owner, and syncs
// the copy. 0, or the error number with no `to` left (EEXIST: the name is taken).
int copySynced(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    struct stat st {};
    int out = -1;
    int error = 0;
    if (::fstat(in, &st) != 0 ||
        (out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)) < 0)
        error = errno;
    char buffer[1 << 16];
    while (!error) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        error = n < 0 ? errno : WriteAll(out, buffer, std::size_t(n));
    }
    if (!error) error = TakeModeAndOwner(out, st);
    if (!error && ::fsync(out) != 0) error = errno;
    ::close(in);
    if (out >= 0) {
        if (::close(out) != 0 && !error) error = errno;
        if (error) ::unlink(to.c_str());
    }
    return error;
}

// Copies `from` to the new name `to` by way of a temporary name, so that `to` only ever names a
// complete, synced copy. 0 or the error number, nothing left behind.
int keepCopy(const std::string& from, const std::string& to) {
    const std::string part = to + kPart;
    if (const int error = copySynced(from, part)) return error;
    if (::renameat2(AT_FDCWD, part.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    const int error = errno;
    ::unlink(part.c_str());
    return error;
}

bool readAll(int fd, std::string& out) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        out.append(buffer, std::size_t(n));
    }
}

// The file's bytes, the first `limit` at most.
std::string bytesOf(const std::string& file, std::size_t limit = std::string::npos) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    std::string bytes;
    bool read = fd >= 0;
    if (read && limit != std::string::npos) {
        bytes.resize(limit);
        const ssize_t n = ::pread(fd, bytes.data(), limit, 0);
        read = n >= 0;
        bytes.resize(read ? std::size_t(n) : 0);
    } else if (read) {
        read = readAll(fd, bytes);
    }
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (!read) throw fileError(file, error);
    return bytes;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string now() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// ".<date>-<time>.bak", with "-2", "-3" ... added until no stem with it names a file.
std::string freshSuffix(const std::vector<std::string>& stems) {
    const std::string stamp = now();
    for (int n = 1;; ++n) {
        const std::string suffix = "." + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".bak";
        struct stat st {};
        if (std::none_of(stems.begin(), stems.end(), [&](const std::string& stem) {
                return ::lstat((stem + suffix).c_str(), &st) == 0;
            }))
            return suffix;
    }
}

}  // namespace

LeftoverJournal::LeftoverJournal(const std::string& database) : file_(ResolvedPath(database)) {
    if (file_.empty()) file_ = database;  // missing: the start reports it before any of this
    journal_ = file_ + "-journal";
    folder_ = std::filesystem::path(file_).parent_path().string();
}

bool LeftoverJournal::Present() const {
    struct stat st {};
    return ::lstat(journal_.c_str(), &st) == 0;
}

void LeftoverJournal::RemoveLeftovers() const {
    const std::string base = std::filesystem::path(file_).filename().string();
    bool removed = false;
    for (const std::string& name : namesIn(folder_)) {
        const bool ours = name == base + kRollback || name == base + kRollback + "-journal" ||
                          (name.rfind(base, 0) == 0 && endsWith(name, std::string(".bak") + kPart));
        if (ours) {
            const std::string path = folder_ + "/" + name;
            if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw fileError(path, errno);
            removed = true;
        }
    }
    if (removed) check(SyncFolder(folder_), folder_);
}

JournalFit LeftoverJournal::Judge() const {
    return JudgeJournal(bytesOf(journal_), bytesOf(file_, 100));
}

std::string LeftoverJournal::MoveAside() const {
    const std::string aside = journal_ + freshSuffix({journal_});
    if (::renameat2(AT_FDCWD, journal_.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) != 0)
        throw fileError(journal_, errno);
    check(SyncFolder(folder_), folder_);
    return aside;
}

std::string LeftoverJournal::MakeRollbackCopy() const {
    const std::string copy = file_ + kRollback;
    check(copySynced(file_, copy), copy);
    if (const int error = copySynced(journal_, copy + "-journal")) {
        ::unlink(copy.c_str());
        throw fileError(copy + "-journal", error);
    }
    return copy;
}

void LeftoverJournal::DiscardRollbackCopy() const {
    const std::string copy = file_ + kRollback;
    ::unlink((copy + "-journal").c_str());
    ::unlink(copy.c_str());
}

// The suffix of a journal copy an earlier start kept of this very journal, "" when there is none.
std::string LeftoverJournal::earlierCopy() const {
    const std::string journal = bytesOf(journal_);
    const std::string journalBase = std::filesystem::path(journal_).filename().string();
    for (const std::string& name : namesIn(folder_)) {
        if (name.rfind(journalBase + ".", 0) != 0 || !endsWith(name, ".bak")) continue;
        const std::string suffix = name.substr(journalBase.size());
        struct stat st {};
        if (::stat((journal_ + suffix).c_str(), &st) == 0 &&
            std::size_t(st.st_size) == journal.size() && bytesOf(journal_ + suffix) == journal)
            return suffix;
    }
    return std::string();
}

void LeftoverJournal::SetAside() {
    // The journal is kept first: an earlier start stopped after it kept only the journal, and the
    // file has not been touched since, so the pair is completed under the same name.
    std::string suffix = earlierCopy();
    const bool fresh = suffix.empty();
    if (fresh) {
        suffix = freshSuffix({file_, journal_});
        check(keepCopy(journal_, journal_ + suffix), journal_ + suffix);
    }
    struct stat st {};
    if (::stat((file_ + suffix).c_str(), &st) != 0) {
        if (const int error = keepCopy(file_, file_ + suffix)) {
            if (fresh) ::unlink((journal_ + suffix).c_str());  // a failure leaves no new copy
            SyncFolder(folder_);
            throw fileError(file_ + suffix, error);
        }
    }
    check(SyncFolder(folder_), folder_);
    databaseCopy_ = file_ + suffix;
    journalCopy_ = journal_ + suffix;
}

void LeftoverJournal::Replace(const std::string& rolledBack) const {
    struct stat original {};
    if (::stat(file_.c_str(), &original) != 0) throw fileError(file_, errno);
    const int fd = ::open(rolledBack.c_str(), O_RDWR | O_CLOEXEC);
    int error = fd < 0 ? errno : TakeModeAndOwner(fd, original);
    if (!error && ::fsync(fd) != 0) error = errno;
    if (fd >= 0) ::close(fd);
    check(error, rolledBack);
    // Locked before it bears the database's name, so that no other program takes the journal,
    // still beside it, for its own until the journal is gone.
    DatabaseWriteLock lock;
    if (lock.Acquire(rolledBack, 0) != DatabaseWriteLock::Result::Taken)
        check(lock.Error() ? lock.Error() : EBUSY, rolledBack);
    if (::rename(rolledBack.c_str(), file_.c_str()) != 0) throw fileError(file_, errno);
    check(SyncFolder(folder_), folder_);
    if (::unlink(journal_.c_str()) != 0 && errno != ENOENT) throw fileError(journal_, errno);
    check(SyncFolder(folder_), folder_);
}

std::vector<std::string> LeftoverJournal::KeptCopies() const {
    const std::string base = std::filesystem::path(file_).filename().string();
    std::vector<std::string> copies;
    for (const std::string& name : namesIn(folder_))
        if (name.rfind(base, 0) == 0 && endsWith(name, ".bak"))
            copies.push_back(folder_ + "/" + name);
    return copies;
}

}  // namespace platform
