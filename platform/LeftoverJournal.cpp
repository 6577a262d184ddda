#include "platform/LeftoverJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/Database.h"

namespace platform {
namespace {

// The failure of a file operation as the user is told it: its cause and the file.
DbError fileError(const std::string& file) {
    const int err = errno;
    DbFault fault = DbFault::Io;
    if (err == ENOSPC || err == EDQUOT) fault = DbFault::Full;
    if (err == EACCES || err == EPERM || err == EROFS) fault = DbFault::FolderNotWritable;
    return DbError(fault, "", file, std::strerror(err));
}

bool writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<std::size_t>(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

// Copies `from` to `to`, a name that must be new, with the same permissions, and syncs the
// copy. False with errno set, and no `to` made, when it fails (EEXIST: the name is taken).
bool copySynced(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    int out = -1;
    bool ok = ::fstat(in, &st) == 0 &&
              (out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)) >= 0;
    char buffer[1 << 16];
    ssize_t n = 0;
    while (ok && (n = ::read(in, buffer, sizeof buffer)) != 0)
        ok = (n > 0 || errno == EINTR) && (n < 0 || writeAll(out, buffer, n));
    ok = ok && ::fchmod(out, st.st_mode & 07777) == 0 && ::fsync(out) == 0;
    const int err = errno;
    ::close(in);
    if (out >= 0) {
        ::close(out);
        if (!ok) ::unlink(to.c_str());
    }
    errno = err;
    return ok;
}

// Makes the names made or removed in a folder durable.
bool syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    const int err = errno;
    ::close(fd);
    errno = err;
    return ok;
}

std::string now() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

}  // namespace

LeftoverJournal::LeftoverJournal(const std::string& database)
    : database_(database), journal_(database + "-journal") {}

bool LeftoverJournal::Present() const {
    struct stat st {};
    return ::lstat(journal_.c_str(), &st) == 0;
}

void LeftoverJournal::SetAside() {
    // "db.mdb.<time>.bak" and "db.mdb-journal.<time>.bak": neither ends in "-journal", so
    // opening the copy of the database never rolls the copy of the journal into it.
    const std::string stamp = now();
    for (int n = 1;; ++n) {
        const std::string suffix = "." + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".bak";
        const std::string databaseCopy = database_ + suffix, journalCopy = journal_ + suffix;
        if (!copySynced(database_, databaseCopy)) {
            if (errno == EEXIST) continue;
            throw fileError(databaseCopy);
        }
        if (!copySynced(journal_, journalCopy)) {
            const int err = errno;
            ::unlink(databaseCopy.c_str());
            errno = err;
            if (errno == EEXIST) continue;
            throw fileError(journalCopy);
        }
        if (!syncFolder(std::filesystem::path(database_).parent_path().string()))
            throw fileError(database_);
        databaseCopy_ = databaseCopy;
        journalCopy_ = journalCopy;
        return;
    }
}

void LeftoverJournal::PutBack() const {
    // Under a new name first and renamed over the database, so that the database is never
    // a half-written file; the journal goes last, so that a crash in between only starts all
    // this over.
    const std::string restoring = databaseCopy_ + ".restoring";
    if (!copySynced(databaseCopy_, restoring)) throw fileError(restoring);
    if (::rename(restoring.c_str(), database_.c_str()) != 0) {
        const DbError error = fileError(database_);
        ::unlink(restoring.c_str());
        throw error;
    }
    RemoveJournal();
}

void LeftoverJournal::RemoveJournal() const {
    if (::unlink(journal_.c_str()) != 0 && errno != ENOENT) throw fileError(journal_);
    if (!syncFolder(std::filesystem::path(database_).parent_path().string()))
        throw fileError(database_);
}

}  // namespace platform
