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
#include "platform/storage/FileHelpers.h"
#include "platform/storage/PrivateFolder.h"

namespace platform {
namespace {

const char* const kCopyTail = ".bak";  // the end of the name of a copy a start kept

// The failure of a file operation as the user is told it: its cause and the file or folder.
DbError fileError(const std::string& path, int error) {
    DbFault fault = DbFault::Io;
    if (error == ENOSPC || error == EDQUOT) fault = DbFault::Full;
    if (error == EACCES || error == EPERM || error == EROFS) fault = DbFault::FolderNotWritable;
    return DbError(fault, "", path, std::strerror(error));
}

void throwIfFailed(int error, const std::string& path) {
    if (error) throw fileError(path, error);
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool nameTaken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The bytes of the regular file at `path` (never through a link or into a FIFO), opened with
// `access`: 0 or the error number (ENODEV: not a regular file, ELOOP: a link).
int readRegularFile(const std::string& path, std::string& out, int access = O_RDONLY) {
    const int fd = OpenRegularFile(path, access);
    if (fd < 0) return errno;
    const int error = ReadWhole(fd, out);
    ::close(fd);
    return error;
}

// Whether `path` is a regular file holding exactly `bytes`.
bool holds(const std::string& path, const std::string& bytes) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || std::size_t(st.st_size) != bytes.size()) return false;
    std::string content;
    return readRegularFile(path, content) == 0 && content == bytes;
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
        const std::string suffix = "." + stamp + (n > 1 ? "-" + std::to_string(n) : "") + kCopyTail;
        if (std::none_of(stems.begin(), stems.end(),
                         [&](const std::string& stem) { return nameTaken(stem + suffix); }))
            return suffix;
    }
}

// The page size in the header of a database file; 4096 when the header tells none.
std::size_t pageSizeOf(const std::string& database) {
    if (database.size() < 100) return 4096;
    const unsigned size = unsigned(std::uint8_t(database[16])) << 8 | std::uint8_t(database[17]);
    if (size == 1) return 65536;
    return size >= 512 && (size & (size - 1)) == 0 ? size : 4096;
}

// A file of this process's own, mode 0600 whatever the umask: SQLite writes the trial copies.
struct stat privateFile() {
    struct stat own {};
    own.st_mode = S_IFREG | 0600;
    own.st_uid = ::geteuid();
    own.st_gid = ::getegid();
    return own;
}

// SQLite plays the hot journal beside `copy` back into it, as it does at the first read of any
// file with a hot journal. A failure of the disk or the folder raises DbError naming `folder`;
// "" or what is wrong with the journal or the copy.
std::string playBack(const std::string& copy, const std::string& folder) {
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        // A copy the start drops needs no syncs.
        rc = sqlite3_exec(db, "pragma synchronous = off; select count(*) from sqlite_schema",
                          nullptr, nullptr, nullptr);
    }
    const int code = db ? sqlite3_extended_errcode(db) : rc;
    const std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    if (rc == SQLITE_OK)
        return nameTaken(copy + "-journal") ? "the journal was not played back" : "";
    const DbFault fault = DbError::FaultOf(code);
    if (fault != DbFault::Damaged && fault != DbFault::Other)
        throw DbError(fault, "", folder, detail);
    return detail;
}

}  // namespace

LeftoverJournal::LeftoverJournal(const std::string& database, Check check,
                                 std::string privateParent)
    : file_(ResolvedPath(database)),
      privateParent_(std::move(privateParent)),
      check_(std::move(check)) {
    if (file_.empty()) file_ = database;  // missing: the start reports it before any of this
    journal_ = file_ + "-journal";
    folder_ = std::filesystem::path(file_).parent_path().string();
    if (privateParent_.empty()) privateParent_ = PrivateFolder::Parent();
}

bool LeftoverJournal::Present() const {
    return nameTaken(journal_);
}

LeftoverJournal::Outcome LeftoverJournal::Recover(int waitMs) {
    fit_ = JournalFit::NotHot;
    problem_.clear();
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
            // A viewer waited for another program's save: its journal went with its commit.
            return Present() ? Outcome::NotWritable : Outcome::NoJournal;
        case DatabaseWriteLock::Result::Failed:
            throw fileError(file_, lock_.Error());
    }
    // Released however the steps end, once the journal is gone or left as it was.
    const struct Unlock {
        DatabaseWriteLock& lock;
        ~Unlock() { lock.Release(); }
    } unlock{lock_};
    return recoverLocked();
}

LeftoverJournal::Outcome LeftoverJournal::recoverLocked() {
    // Only a start killed while a journal was there can have left a trial folder.
    PrivateFolder::RemoveAbandoned(privateParent_);
    RemoveTemporaryCopies();
    // Another program may have rolled it back while the lock was awaited.
    if (!Present()) return Outcome::NoJournal;
    std::string journal, file;
    // SQLite opens a hot journal for writing, or not at all.
    const int error = readRegularFile(journal_, journal, O_RDWR);
    if (error == EACCES || error == EPERM || error == EROFS) return Outcome::NoAccess;
    if (error == ELOOP || error == ENODEV) return Outcome::NotAFile;
    throwIfFailed(error, journal_);
    throwIfFailed(lock_.ReadAll(file), file_);
    fit_ = JudgeJournal(journal, file);
    if (fit_ == JournalFit::NotHot) return Outcome::NotHot;
    findKeptPair(journal);
    if (fit_ == JournalFit::Foreign) return moveJournalAside(Outcome::Foreign);
    const Trial trial = rollIntoTrialCopy(file, journal);
    if (!trial.problem.empty()) {
        problem_ = trial.problem;
        std::fprintf(stderr, "%s after its journal: %s\n", file_.c_str(), problem_.c_str());
        return moveJournalAside(Outcome::FailedCheck);
    }
    if (trial.rolledBack == file) {
        // An interrupted start rolled the file back already; its copies keep the journal.
        if (!databaseCopy_.empty()) {
            throwIfFailed(lock_.Sync(), file_);
            removeJournal();
            return Outcome::UndoneBefore;
        }
        return moveJournalAside(Outcome::NothingToUndo);
    }
    keepCopies(file, journal);
    rewriteFile(file, trial.rolledBack);
    removeJournal();
    return Outcome::RolledBack;
}

LeftoverJournal::Trial LeftoverJournal::rollIntoTrialCopy(const std::string& file,
                                                          const std::string& journal) const {
    // Its failures name the folder the user knows, not the private one that goes with them.
    PrivateFolder folder;
    throwIfFailed(folder.Make(privateParent_), privateParent_);
    const std::string copy = folder.File(std::filesystem::path(file_).filename().string());
    const struct stat own = privateFile();
    throwIfFailed(WriteNewFile(copy, file, &own, false), privateParent_);
    throwIfFailed(WriteNewFile(copy + "-journal", journal, &own, false), privateParent_);
    Trial trial;
    trial.problem = playBack(copy, privateParent_);
    if (trial.problem.empty()) trial.problem = check_(copy);
    if (trial.problem.empty())
        throwIfFailed(readRegularFile(copy, trial.rolledBack), privateParent_);
    return trial;
}

// Copies an interrupted earlier start kept of this very journal, found by the journal's bytes:
// its copy of the file is the file as first found (the file may have been rolled back in part
// since). Sets the names of those that exist.
void LeftoverJournal::findKeptPair(const std::string& journal) {
    const std::string journalBase = std::filesystem::path(journal_).filename().string();
    for (const std::string& name : namesIn(folder_)) {
        if (name.rfind(journalBase + ".", 0) != 0 || !endsWith(name, kCopyTail)) continue;
        const std::string suffix = name.substr(journalBase.size());
        if (!holds(journal_ + suffix, journal)) continue;
        journalCopy_ = journal_ + suffix;
        struct stat st {};
        if (::lstat((file_ + suffix).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            databaseCopy_ = file_ + suffix;
        return;
    }
}

// The file and the journal as found, kept under one date and time, with the file's mode and
// owner; what an interrupted start kept already is completed (it never touched the file before
// both copies existed).
void LeftoverJournal::keepCopies(const std::string& file, const std::string& journal) {
    struct stat like {};
    throwIfFailed(lock_.Stat(like), file_);
    const bool fresh = journalCopy_.empty();
    const std::string suffix =
        fresh ? freshSuffix({file_, journal_}) : journalCopy_.substr(journal_.size());
    if (fresh) throwIfFailed(LinkNewFile(journal_ + suffix, journal, like), journal_ + suffix);
    if (databaseCopy_.empty()) {
        if (const int error = LinkNewFile(file_ + suffix, file, like)) {
            if (fresh) ::unlink((journal_ + suffix).c_str());  // a failure leaves no new copy
            SyncFolder(folder_);
            throw fileError(file_ + suffix, error);
        }
    }
    throwIfFailed(SyncFolder(folder_), folder_);
    databaseCopy_ = file_ + suffix;
    journalCopy_ = journal_ + suffix;
}

// The blocks that the rollback changed, written into the file through the locked descriptor,
// then read back: the file must now hold what passed the check.
void LeftoverJournal::rewriteFile(const std::string& file, const std::string& rolledBack) const {
    throwIfFailed(lock_.Rewrite(file, rolledBack, pageSizeOf(rolledBack)), file_);
    std::string written;
    throwIfFailed(lock_.ReadAll(written), file_);
    if (written != rolledBack) throw fileError(file_, EIO);
}

// Before the journal goes, the file is synced: a power cut must not find the file unsynced with
// no journal beside it.
LeftoverJournal::Outcome LeftoverJournal::moveJournalAside(Outcome outcome) {
    throwIfFailed(lock_.Sync(), file_);
    const std::string aside = journal_ + freshSuffix({journal_});
    throwIfFailed(RenameNoReplace(journal_, aside), journal_);
    throwIfFailed(SyncFolder(folder_), folder_);
    journalAside_ = aside;
    return outcome;
}

// Called with the file synced. No other program can have made a journal of its own meanwhile:
// the lock keeps every writer out.
void LeftoverJournal::removeJournal() const {
    if (::unlink(journal_.c_str()) != 0 && errno != ENOENT) throw fileError(journal_, errno);
    throwIfFailed(SyncFolder(folder_), folder_);
}

void LeftoverJournal::RemoveTemporaryCopies() const {
    const std::string base = std::filesystem::path(file_).filename().string();
    bool removed = false;
    for (const std::string& name : namesIn(folder_)) {
        // Copies an earlier version of the program rolled journals into, and copies cut short.
        const bool temporary = name == base + ".recovering" ||
                               name == base + ".recovering-journal" ||
                               (name.rfind(base, 0) == 0 &&
                                name.find(std::string(kCopyTail) + ".part") != std::string::npos);
        const std::string path = folder_ + "/" + name;
        struct stat st {};
        if (!temporary || ::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
        removed = ::unlink(path.c_str()) == 0 || removed;
    }
    if (removed) SyncFolder(folder_);
}

std::vector<std::string> LeftoverJournal::KeptCopies() const {
    const std::string base = std::filesystem::path(file_).filename().string();
    std::vector<std::string> copies;
    for (const std::string& name : namesIn(folder_))
        if (name.rfind(base, 0) == 0 && endsWith(name, kCopyTail))
            copies.push_back(folder_ + "/" + name);
    return copies;
}

}  // namespace platform
