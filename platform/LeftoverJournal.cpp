#include "platform/LeftoverJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/Database.h"
#include "platform/SyncedFile.h"

namespace platform {
namespace {

// The failure of a file operation as the user is told it: its cause and the file.
DbError fileError(const std::string& file, int error) {
    DbFault fault = DbFault::Io;
    if (error == ENOSPC || error == EDQUOT) fault = DbFault::Full;
    if (error == EACCES || error == EPERM || error == EROFS) fault = DbFault::FolderNotWritable;
    return DbError(fault, "", file, std::strerror(error));
}

// Copies `from` to `to`, a name that must be new, with the same permissions, and syncs the
// copy. 0, or the error number with no `to` made (EEXIST: the name is taken).
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
    if (!error && (::fchmod(out, st.st_mode & 07777) != 0 || ::fsync(out) != 0)) error = errno;
    ::close(in);
    if (out >= 0) {
        ::close(out);
        if (error) ::unlink(to.c_str());
    }
    return error;
}

std::string folderOf(const std::string& file) {
    return std::filesystem::path(file).parent_path().string();
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
        if (const int error = copySynced(database_, databaseCopy)) {
            if (error == EEXIST) continue;
            throw fileError(databaseCopy, error);
        }
        if (const int error = copySynced(journal_, journalCopy)) {
            ::unlink(databaseCopy.c_str());
            if (error == EEXIST) continue;
            throw fileError(journalCopy, error);
        }
        if (const int error = SyncFolder(folderOf(database_))) throw fileError(database_, error);
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
    if (const int error = copySynced(databaseCopy_, restoring)) throw fileError(restoring, error);
    if (::rename(restoring.c_str(), database_.c_str()) != 0) {
        const int error = errno;
        ::unlink(restoring.c_str());
        throw fileError(database_, error);
    }
    RemoveJournal();
}

void LeftoverJournal::RemoveJournal() const {
    if (::unlink(journal_.c_str()) != 0 && errno != ENOENT) throw fileError(journal_, errno);
    if (const int error = SyncFolder(folderOf(database_))) throw fileError(database_, error);
}

}  // namespace platform
