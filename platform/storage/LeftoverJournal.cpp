#include "platform/storage/LeftoverJournal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/AppPath.h"
#include "platform/storage/Database.h"
#include "platform/storage/RegularFile.h"
#include "platform/storage/SyncedFile.h"

namespace platform {
namespace {

const char* const kPart = ".part";         // a copy not yet complete
const char* const kTrial = ".recovering";  // the copy a journal is first rolled into

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

bool names(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The bytes of a regular file, never through a link or into a FIFO: 0 or the error number
// (ENODEV: not a regular file). `access` is O_RDONLY, or O_RDWR to read only a file this
// process may also write.
int readRegular(const std::string& path, std::string& out, struct stat& st, int access = O_RDONLY) {
    out.clear();
    const int fd = ::open(path.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : ENODEV;
    char buffer[1 << 16];
    while (!error) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n > 0) out.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return error;
}

// Whether `path` is a regular file holding exactly `bytes`.
bool holds(const std::string& path, const std::string& bytes) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || std::size_t(st.st_size) != bytes.size()) return false;
    std::string content;
    return readRegular(path, content, st) == 0 && content == bytes;
}

// Keeps `bytes` under the new name `to` by way of a temporary name, so that `to` only ever names
// a complete, synced copy. 0 or the error number, nothing left behind.
int keepCopy(const std::string& bytes, const std::string& to, const struct stat& like) {
    const std::string part = to + kPart;
    if (const int error = WriteNewFile(part, bytes, &like, true)) return error;
    const int error = RenameNoReplace(part, to);
    if (error) ::unlink(part.c_str());
    return error;
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

LeftoverJournal::LeftoverJournal(const std::string& database, Check check)
    : file_(ResolvedPath(database)), check_(std::move(check)) {
    if (file_.empty()) file_ = database;  // missing: the start reports it before any of this
    journal_ = file_ + "-journal";
    folder_ = std::filesystem::path(file_).parent_path().string();
}

bool LeftoverJournal::Present() const {
    return names(journal_);
}

LeftoverJournal::Outcome LeftoverJournal::Recover(int waitMs) {
    fit_ = JournalFit::NotHot;
    databaseCopy_.clear();
    journalCopy_.clear();
    journalAside_.clear();
    if (!Present()) return Outcome::NoJournal;
    // SQLite would create no journal of its own beside a folder or a link of that name, and
    // might follow a link into another file's journal: the user must see to it.
    if (NamesOtherThanAFile(journal_)) return Outcome::NotAFile;
    switch (lock_.Acquire(file_, waitMs)) {
        case DatabaseWriteLock::Result::Taken:
            break;
        case DatabaseWriteLock::Result::Busy:
            return Outcome::Busy;
        case DatabaseWriteLock::Result::NotWritable:
            return Outcome::NotWritable;
        case DatabaseWriteLock::Result::Failed:
            throw fileError(file_, lock_.Error());
    }
    // Released however the steps end: the start's own check of the file follows.
    const struct Unlock {
        DatabaseWriteLock& lock;
        ~Unlock() { lock.Release(); }
    } unlock{lock_};
    return recoverLocked();
}

LeftoverJournal::Outcome LeftoverJournal::recoverLocked() {
    RemoveTemporaryCopies();
    // Another program may have rolled it back while the lock was awaited.
    if (!Present()) return Outcome::NoJournal;
    std::string journal, file;
    struct stat journalStat {};
    // SQLite opens a hot journal for writing, or not at all.
    const int error = readRegular(journal_, journal, journalStat, O_RDWR);
    if (error == EACCES || error == EPERM || error == EROFS) return Outcome::NoAccess;
    if (error == ELOOP || error == ENODEV) return Outcome::NotAFile;
    check(error, journal_);
    check(lock_.ReadAll(file), file_);
    fit_ = JudgeJournal(journal, file);
    if (fit_ == JournalFit::NotHot) return Outcome::NotHot;
    if (fit_ == JournalFit::Foreign) return moveJournalAside(Outcome::Foreign);
    const Trial trial = rollIntoTrialCopy(file, journal);
    if (!trial.hot) return Outcome::NotHot;
    if (!trial.problem.empty()) {
        std::fprintf(stderr, "%s after its journal: %s\n", file_.c_str(), trial.problem.c_str());
        return moveJournalAside(Outcome::FailedCheck);
    }
    if (!trial.playedBack) return moveJournalAside(Outcome::NothingToUndo);
    keepCopies(file, journal, journalStat);
    lock_.Release();
    rollBackInPlace();
    return Outcome::RolledBack;
}

LeftoverJournal::Outcome LeftoverJournal::moveJournalAside(Outcome outcome) {
    const std::string aside = journal_ + freshSuffix({journal_});
    check(RenameNoReplace(journal_, aside), journal_);
    check(SyncFolder(folder_), folder_);
    journalAside_ = aside;
    return outcome;
}

LeftoverJournal::Trial LeftoverJournal::rollIntoTrialCopy(const std::string& file,
                                                          const std::string& journal) const {
    const std::string copy = file_ + kTrial, copyJournal = copy + "-journal";
    const auto drop = [&] {
        ::unlink(copyJournal.c_str());
        ::unlink(copy.c_str());
    };
    check(WriteNewFile(copy, file, nullptr, false), copy);
    if (const int error = WriteNewFile(copyJournal, journal, nullptr, false)) {
        drop();
        throw fileError(copyJournal, error);
    }
    Trial trial;
    try {
        trial.problem = check_(copy);
        trial.hot = !names(copyJournal);
        std::string after;
        struct stat st {};
        check(readRegular(copy, after, st), copy);
        trial.playedBack = after != file;
    } catch (...) {
        drop();
        throw;
    }
    drop();
    return trial;
}

// The file and the journal as found, kept under one date and time. A pair an interrupted earlier
// start kept of these very bytes is used again (completed, if it stopped after the journal's).
void LeftoverJournal::keepCopies(const std::string& file, const std::string& journal,
                                 const struct stat& journalStat) {
    struct stat fileStat {};
    if (::stat(file_.c_str(), &fileStat) != 0) throw fileError(file_, errno);
    std::string suffix;
    const std::string journalBase = std::filesystem::path(journal_).filename().string();
    for (const std::string& name : namesIn(folder_)) {
        if (name.rfind(journalBase + ".", 0) != 0 || !endsWith(name, ".bak")) continue;
        const std::string candidate = name.substr(journalBase.size());
        if (holds(journal_ + candidate, journal) &&
            (!names(file_ + candidate) || holds(file_ + candidate, file))) {
            suffix = candidate;
            break;
        }
    }
    const bool fresh = suffix.empty();
    if (fresh) {
        suffix = freshSuffix({file_, journal_});
        check(keepCopy(journal, journal_ + suffix, journalStat), journal_ + suffix);
    }
    if (!names(file_ + suffix)) {
        if (const int error = keepCopy(file, file_ + suffix, fileStat)) {
            if (fresh) ::unlink((journal_ + suffix).c_str());  // a failure leaves no new copy
            SyncFolder(folder_);
            throw fileError(file_ + suffix, error);
        }
    }
    check(SyncFolder(folder_), folder_);
    databaseCopy_ = file_ + suffix;
    journalCopy_ = journal_ + suffix;
}

// SQLite's own rollback of the hot journal, which the first read of the file starts; the folder
// is synced after the journal's removal, so that a power cut cannot bring the journal back. Any
// other opener of the file rolls back the same journal before it reads or writes: when one did,
// in the moment between the release of the lock and this read, the work is done all the same,
// and a journal found beside the file afterwards is that program's own, live one.
void LeftoverJournal::rollBackInPlace() const {
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(file_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, BusyTimeoutMs());
        sqlite3_extended_result_codes(db, 1);
        rc = sqlite3_exec(db, "select count(*) from sqlite_schema", nullptr, nullptr, nullptr);
    }
    const int code = db ? sqlite3_extended_errcode(db) : rc;
    const std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK && Present()) throw DbError(DbError::FaultOf(code), "", file_, detail);
    check(SyncFolder(folder_), folder_);
}

void LeftoverJournal::RemoveTemporaryCopies() const {
    const std::string base = std::filesystem::path(file_).filename().string();
    bool removed = false;
    for (const std::string& name : namesIn(folder_)) {
        const bool ours = name == base + kTrial || name == base + kTrial + "-journal" ||
                          (name.rfind(base, 0) == 0 && endsWith(name, std::string(".bak") + kPart));
        if (ours) {
            const std::string path = folder_ + "/" + name;
            if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw fileError(path, errno);
            removed = true;
        }
    }
    if (removed) check(SyncFolder(folder_), folder_);
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
