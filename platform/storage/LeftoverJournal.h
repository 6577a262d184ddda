// A rollback journal left beside the database by a save that never finished (the program
// killed, a power cut), and its recovery at start. SQLite keeps the journal beside the file a
// linked database name resolves to, so everything happens in that folder: a link stays a link.
//
// Recover runs every step under one write lock on the file, from the first look at the journal
// until the journal is dealt with, so that no other program commits to the file or takes the
// journal in between:
//   1. A journal SQLite would not roll back is left alone; one of another state of the file (a
//      backup copied back after the crash) or of another file is moved aside unused.
//   2. The journal is rolled into a trial copy of the file, which must pass the full check; one
//      that fails, or that the rollback leaves unchanged, has its journal moved aside unused.
//   3. The file and the journal as found are kept beside them, synced, under names with the date
//      and time; the trial copy is dropped.
//   4. SQLite rolls the file back in place, as any opener of a hot journal would, with the
//      same bytes the trial gave. The file is never replaced: its inode, owner, group, mode,
//      ACL, attributes and hard links stay.
// A start killed at any point leaves the file with its journal (SQLite's own rollback keeps the
// journal until the file is synced), and the next start carries on. Temporary copies get their
// final names only once complete and synced; the next start removes any that are left.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/storage/DatabaseWriteLock.h"
#include "platform/storage/JournalFit.h"

namespace platform {

class LeftoverJournal {
  public:
    // "" when the database file at the path passes the full check, otherwise what is wrong.
    using Check = std::function<std::string(const std::string& file)>;

    enum class Outcome {
        NoJournal,      // none, or another program dealt with it during the wait
        NotHot,         // SQLite would not roll it back: left as it is
        RolledBack,     // SQLite rolled the file back; the copies are kept (Fit(): how sure)
        NothingToUndo,  // the rollback would change nothing: the journal was moved aside
        Foreign,        // not the file's journal: moved aside, the file untouched
        FailedCheck,    // the file rolled back fails the check: the journal moved aside
        Busy,           // another program kept its lock for the whole wait: nothing done
        NotWritable,    // the file may not be written: nothing done
        NotAFile,       // the journal's name holds no regular file (a folder, a link): nothing done
        NoAccess,       // the journal may not be read and written: nothing done
    };

    // `database` may be a symbolic link.
    LeftoverJournal(const std::string& database, Check check);

    const std::string& File() const { return file_; }
    const std::string& Journal() const { return journal_; }
    bool Present() const;

    // Raises DbError (the cause and the file) when a file operation fails; the next start then
    // finds the journal again, or the file rolled back.
    Outcome Recover(int waitMs);

    JournalFit Fit() const { return fit_; }
    // After RolledBack: the kept copies of the file and the journal as found.
    const std::string& DatabaseCopy() const { return databaseCopy_; }
    const std::string& JournalCopy() const { return journalCopy_; }
    // After NothingToUndo, Foreign and FailedCheck: where the journal went.
    const std::string& JournalAside() const { return journalAside_; }

    // Removes the temporary copies an interrupted start left; raises DbError when it cannot.
    void RemoveTemporaryCopies() const;

    // The copies that starts kept in the folder, of the file and of journals, by name.
    std::vector<std::string> KeptCopies() const;

  private:
    // The journal rolled into a copy of the file.
    struct Trial {
        bool hot = false;         // SQLite took it for a hot journal
        bool playedBack = false;  // the rollback changed the copy
        std::string problem;      // what the check found wrong with the copy after it
    };

    // The steps, in their order, under lock_.
    Outcome recoverLocked();
    Outcome moveJournalAside(Outcome outcome);
    Trial rollIntoTrialCopy(const std::string& file, const std::string& journal) const;
    void keepCopies(const std::string& file, const std::string& journal,
                    const struct stat& journalStat);
    void rollBackInPlace() const;

    DatabaseWriteLock lock_;

    std::string folder_;
    std::string file_;
    std::string journal_;
    Check check_;
    JournalFit fit_ = JournalFit::NotHot;
    std::string databaseCopy_;
    std::string journalCopy_;
    std::string journalAside_;
};

}  // namespace platform
