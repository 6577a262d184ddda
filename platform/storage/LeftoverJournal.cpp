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

// The cause of a failed file operation that the user can act on.
DbFault faultOf(int error) {
    if (error == ENOSPC || error == EDQUOT) return DbFault::Full;
    if (error == EACCES || error == EPERM || error == EROFS) return DbFault::FolderNotWritable;
    return DbFault::Io;
}

// The failure of a file operation beside the database as the user is told it: its cause and the
// file or folder.
DbError fileError(const std::string& path, int error) {
    return DbError(faultOf(error), "", path, std::strerror(error));
}

void throwIfFailed(int error, const std::string& path) {
    if (error) throw fileError(path, error);
}

// A failure in the folder of the trial copies, told with that folder: it is not the database's.
DbError trialFolderError(const std::string& folder, DbFault fault, const std::string& detail) {
    if (fault == DbFault::FolderNotWritable || fault == DbFault::NotWritable ||
        fault == DbFault::CannotOpen)
        return DbError("存放临时文件的文件夹无法写入\n文件夹：" + folder, detail);
    return DbError(fault, "", folder, detail);
}

void throwIfTrialFailed(int error, const std::string& folder) {
    if (error) throw trialFolderError(folder, faultOf(error), std::strerror(error));
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string now() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// The page size in the header of a database file; 4096 when the header tells none.
std::size_t pageSizeOf(const std::string& database) {
    if (database.size() < 100) return 4096;
    const unsigned size = unsigned(std::uint8_t(database[16])) << 8 | std::uint8_t(database[17]);
    if (size == 1) return 65536;
    return size >= 512 && (size & (size - 1)) == 0 ? size : 4096;
}

// SQLite plays the hot journal beside `copy` back into it, as it does at the first read of any
// file with a hot journal. A failure of the disk or the folder raises DbError naming `folder`;
// "" or what is wrong with the journal or the copy.
std::string playBack(const DatabasePlace& copy, const std::string& folder) {
    sqlite3* db = nullptr;
    int rc = OpenThroughPlace(copy, &db);
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
        return copy.Files().Has(copy.JournalName()) ? "the journal was not played back" : "";
    const DbFault fault = DbError::FaultOf(code);
    if (fault != DbFault::Damaged && fault != DbFault::Other)
        throw trialFolderError(folder, fault, detail);
    return detail;
}

}  // namespace

LeftoverJournal::LeftoverJournal(const DatabasePlace& place, Check check, std::string privateParent)
    : place_(place),
      file_(place.Error() ? place.Given() : place.File()),
      privateParent_(std::move(privateParent)),
      check_(std::move(check)) {
    journal_ = DatabasePlace::JournalOf(file_);
    fileName_ = place.Name();
    journalName_ = place.JournalName();
    // A missing file is reported by the start before any of this.
    if (!place.Error()) folder_.Hold(place.Files().Fd(), place.Files().Path());
}

bool LeftoverJournal::Present() const {
    return folder_.Has(journalName_);
}

bool LeftoverJournal::LooksHot() const {
    return place_.JournalLooksHot();
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
    if (folder_.What(journalName_) == Folder::Entry::Other) return Outcome::NotAFile;
    if (!place_.BesideProblem(journalName_).empty()) return Outcome::NotUsable;
    switch (lock_.Acquire(folder_, fileName_, waitMs)) {
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
    if (privateParent_.empty()) privateParent_ = PrivateFolder::Parent();
    // Only a start killed while a journal was there can have left a trial folder.
    if (!privateParent_.empty()) PrivateFolder::RemoveAbandoned(privateParent_);
    RemoveTemporaryCopies();
    std::string journal, file;
    // SQLite opens a hot journal for writing, or not at all.
    const int error = folder_.ReadFile(journalName_, journal, O_RDWR);
    // Another program may have rolled it back while the lock was awaited.
    if (error == ENOENT) return Outcome::NoJournal;
    if (error == EACCES || error == EPERM || error == EROFS) return Outcome::NoAccess;
    if (error == ELOOP || error == ENODEV) return Outcome::NotAFile;
    throwIfFailed(error, journal_);
    // Swapped for another one while it was read: that one is looked at again at the next start.
    if (!place_.BesideProblem(journalName_).empty()) return Outcome::NotUsable;
    throwIfFailed(lock_.ReadAll(file), file_);
    fit_ = JudgeJournal(journal, file);
    if (fit_ == JournalFit::NotHot) return Outcome::NotHot;
    if (NamesSuperJournal(journal)) return moveJournalAside(Outcome::NotOurs);
    findKeptPair(journal, file);
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
    if (privateParent_.empty())
        throw DbError(
            "找不到只有本用户能改动的临时文件夹，无法处理日志文件。请设置环境变量 "
            "TMPDIR，指向一个属于本用户、其他用户不能写入的文件夹。\n检查过的文件夹：" +
                PrivateFolder::Candidates(),
            "no private folder for the trial copy");
    // Its failures name the folder the user knows, not the private one that goes with them.
    PrivateFolder folder;
    throwIfTrialFailed(folder.Make(privateParent_), privateParent_);
    const Folder& trial = folder.Files();
    // Files of this process's own, mode 0600 whatever the umask, that SQLite writes.
    for (const auto& [name, bytes] : {std::pair{fileName_, &file}, {journalName_, &journal}}) {
        const int fd = trial.CreateFile(name, -1);
        int error = fd < 0 ? errno : WriteAll(fd, bytes->data(), bytes->size());
        if (fd >= 0 && ::close(fd) != 0 && !error) error = errno;
        throwIfTrialFailed(error, privateParent_);
    }
    Trial outcome;
    const DatabasePlace copy(trial, fileName_);  // this process's own folder: no walk
    outcome.problem = playBack(copy, privateParent_);
    if (outcome.problem.empty()) outcome.problem = check_(copy);
    if (outcome.problem.empty())
        throwIfTrialFailed(trial.ReadFile(fileName_, outcome.rolledBack), privateParent_);
    return outcome;
}

// ".<date>-<time>.bak", with "-2", "-3" ... added until no stem with it names a file.
std::string LeftoverJournal::freshSuffix(const std::vector<std::string>& stems) const {
    const std::string stamp = now();
    for (int n = 1;; ++n) {
        const std::string suffix = "." + stamp + (n > 1 ? "-" + std::to_string(n) : "") + kCopyTail;
        if (std::none_of(stems.begin(), stems.end(),
                         [&](const std::string& stem) { return folder_.Has(stem + suffix); }))
            return suffix;
    }
}

// Copies an interrupted earlier start kept of this very journal, found by the journal's bytes:
// its copy of the file is the file as first found (the file may have been rolled back in part
// since). Only copies a writer made are taken, and a copy of the file only when it equals the
// file in every page the journal does not hold. Sets the names of those taken.
void LeftoverJournal::findKeptPair(const std::string& journal, const std::string& file) {
    for (const std::string& name : folder_.Names()) {
        if (name.rfind(journalName_ + ".", 0) != 0 || !endsWith(name, kCopyTail)) continue;
        if (!place_.BesideProblem(name).empty()) continue;
        const std::string suffix = name.substr(journalName_.size());
        std::string kept, keptFile;
        if (folder_.ReadFile(name, kept) != 0 || kept != journal) continue;
        journalCopy_ = journal_ + suffix;
        if (place_.BesideProblem(fileName_ + suffix).empty() &&
            folder_.What(fileName_ + suffix) == Folder::Entry::File &&
            folder_.ReadFile(fileName_ + suffix, keptFile) == 0 &&
            keptFileFits(keptFile, journal, file))
            databaseCopy_ = file_ + suffix;
        return;
    }
}

// Whether `kept` equals `file` in every page the journal does not hold: the rollback changes
// those pages only.
bool LeftoverJournal::keptFileFits(const std::string& kept, const std::string& journal,
                                   const std::string& file) const {
    std::uint32_t pageSize = 0;
    const std::vector<std::uint32_t> pages = JournaledPages(journal, pageSize);
    if (pageSize == 0) return false;
    const std::size_t common = std::min(kept.size(), file.size());
    for (std::size_t at = 0; at < common; at += pageSize) {
        const auto page = std::uint32_t(at / pageSize + 1);
        if (std::find(pages.begin(), pages.end(), page) != pages.end()) continue;
        const std::size_t size = std::min<std::size_t>(pageSize, common - at);
        if (kept.compare(at, size, file, at, size) != 0) return false;
    }
    return true;
}

// The file and the journal as found, kept under one date and time with the file's access; what
// an interrupted start kept already is completed (it never touched the file before both copies
// existed). A failure names the file the copies were to be kept beside, not a copy that is not
// there.
void LeftoverJournal::keepCopies(const std::string& file, const std::string& journal) {
    const bool fresh = journalCopy_.empty();
    const std::string suffix =
        fresh ? freshSuffix({fileName_, journalName_}) : journalCopy_.substr(journal_.size());
    if (fresh) throwIfFailed(folder_.Publish(journalName_ + suffix, journal, lock_.Fd()), file_);
    if (databaseCopy_.empty()) {
        if (const int error = folder_.Publish(fileName_ + suffix, file, lock_.Fd())) {
            if (fresh) folder_.Remove(journalName_ + suffix);  // a failure leaves no new copy
            folder_.Sync();
            throw fileError(file_, error);
        }
    }
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
    const std::string aside = journalName_ + freshSuffix({journalName_});
    throwIfFailed(folder_.RenameNoReplace(journalName_, aside), journal_);
    throwIfFailed(folder_.Sync(), folder_.Path());
    journalAside_ = folder_.PathOf(aside);
    return outcome;
}

// Called with the file synced. No other program can have made a journal of its own meanwhile:
// the lock keeps every writer out.
void LeftoverJournal::removeJournal() const {
    if (const int error = folder_.Remove(journalName_); error && error != ENOENT)
        throw fileError(journal_, error);
    throwIfFailed(folder_.Sync(), folder_.Path());
}

void LeftoverJournal::RemoveTemporaryCopies() const {
    bool removed = false;
    for (const std::string& name : folder_.Names()) {
        // Copies an earlier version of the program rolled journals into, and copies cut short.
        const bool temporary =
            name == fileName_ + ".recovering" ||
            name == DatabasePlace::JournalOf(fileName_ + ".recovering") ||
            (name.rfind(fileName_, 0) == 0 &&
             name.find(std::string(kCopyTail) + ".part") != std::string::npos) ||
            (name.rfind("." + fileName_, 0) == 0 && name.find(".part-") != std::string::npos);
        // Only the program's own: a file another user left is not removed.
        if (!temporary || folder_.What(name) == Folder::Entry::None ||
            !place_.BesideProblem(name).empty())
            continue;
        removed = folder_.Remove(name) == 0 || removed;
    }
    if (removed) folder_.Sync();
    folder_.RemoveAbandonedParts();
}

std::vector<std::string> LeftoverJournal::KeptCopies() const {
    std::vector<std::string> copies;
    for (const std::string& name : folder_.Names())
        if (name.rfind(fileName_, 0) == 0 && endsWith(name, kCopyTail))
            copies.push_back(folder_.PathOf(name));
    return copies;
}

}  // namespace platform
