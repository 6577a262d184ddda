// A rollback journal left beside the database by a save that never finished (the program
// killed, a power cut), and its recovery at start. SQLite keeps the journal beside the file a
// linked database name resolves to, so everything happens in that folder: a link stays a link.
//
// Recover takes one write lock on the file before it reads the journal, and holds it until the
// journal is gone, so that no other program reads or writes the file, or plays, opens or takes the
// journal, in between:
//   1. A journal no writer of the database made, or that lets others more than the database
//      does, is neither read, played, moved nor removed. A journal SQLite would not roll back is
//      left alone; one of another state of the file (a backup copied back after the crash), of
//      another file, or one naming a super-journal is moved aside unused.
//   2. SQLite rolls the journal into a trial copy of the file, in a folder of this process's own
//      (PrivateFolder), and the copy must pass the full check; a journal whose copy fails it,
//      or whose rollback changes nothing, is moved aside unused.
//   3. The file and the journal as found are kept beside them, synced, under names with the date
//      and time, with the file's owner, group, mode and ACL.
//   4. The blocks of the file that differ from the checked copy are written through the locked
//      descriptor, the size set and the file synced; only then is the journal removed and the
//      folder synced. The file is never replaced: its inode, owner, group, mode, ACL,
//      attributes and hard links stay.
// Before any journal is moved aside or removed, the file is synced. A start killed at any point
// leaves the file with its journal, and the next start carries on: it knows the copies an
// earlier start kept by the journal's bytes, and names the copy of the file as first found.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/storage/DatabasePlace.h"
#include "platform/storage/DatabaseWriteLock.h"
#include "platform/storage/Folder.h"
#include "platform/storage/JournalFit.h"

namespace platform {

class LeftoverJournal {
  public:
    // "" when the database file the place holds passes the full check, otherwise what is wrong.
    using Check = std::function<std::string(const DatabasePlace& file)>;

    enum class Outcome {
        NoJournal,      // none, or another program dealt with it during the wait
        NotHot,         // SQLite would not roll it back: left as it is
        RolledBack,     // the file rolled back and synced; the copies are kept (Fit(): how sure)
        NothingToUndo,  // the rollback would change nothing: the journal was moved aside
        UndoneBefore,   // an interrupted start rolled the file back already: the file synced,
                        // the journal removed (that start kept its copy with the file's)
        Foreign,        // not the file's journal: moved aside, the file untouched
        FailedCheck,    // the file rolled back fails the check (Problem()): the journal moved
                        // aside, the file untouched
        Busy,           // another program kept its lock for the whole wait: nothing done
        NotWritable,    // the file may not be written: nothing done
        NotAFile,       // the journal's name holds no regular file (a folder, a link): nothing done
        NoAccess,       // the journal may not be read and written: nothing done
        NotUsable,      // no writer of the database made the journal, or it lets others more
                        // than the database does (DatabasePlace::BesideProblem): nothing done
        NotOurs,        // it names a super-journal, which the program's journals never do:
                        // moved aside unplayed, the file untouched
    };

    // Of the database `place` holds (it must outlive this object). The trial copies go into a
    // folder made in `privateParent` (PrivateFolder::Parent(); "" when there is none).
    LeftoverJournal(const DatabasePlace& place, Check check, std::string privateParent = {});
    const DatabasePlace& Place() const { return place_; }

    const std::string& File() const { return file_; }
    const std::string& Journal() const { return journal_; }
    bool Present() const;
    // Whether SQLite would take the journal for one to roll back (not empty, its first byte not
    // zero), or it cannot be looked into (no regular file, no permission); false without one.
    // Nothing is changed.
    bool LooksHot() const;

    // Raises DbError (the cause and the file or folder) when a file operation fails; the next
    // start then finds the journal again, with the file as found or rolled back.
    Outcome Recover(int waitMs);

    JournalFit Fit() const { return fit_; }
    // After FailedCheck: what the check found wrong with the rolled-back copy.
    const std::string& Problem() const { return problem_; }
    // The copies of the file and the journal as first found, once kept (by this start or an
    // interrupted earlier one); "" before.
    const std::string& DatabaseCopy() const { return databaseCopy_; }
    const std::string& JournalCopy() const { return journalCopy_; }
    // After NothingToUndo, Foreign and FailedCheck: where the journal went.
    const std::string& JournalAside() const { return journalAside_; }

    // Removes the temporary files an interrupted start left; never raises.
    void RemoveTemporaryCopies() const;

    // The copies that starts kept in the folder, of the file and of journals, by name.
    std::vector<std::string> KeptCopies() const;

  private:
    // The journal as SQLite plays it back into a copy of the file.
    struct Trial {
        std::string rolledBack;  // the copy after the rollback
        std::string problem;     // what the check found wrong with it
    };

    // The steps, in their order, under lock_.
    Outcome recoverLocked();
    Trial rollIntoTrialCopy(const std::string& file, const std::string& journal) const;
    void findKeptPair(const std::string& journal, const std::string& file);
    void keepCopies(const std::string& file, const std::string& journal);
    void rewriteFile(const std::string& file, const std::string& rolledBack) const;
    std::string freshSuffix(const std::vector<std::string>& stems) const;
    Outcome moveJournalAside(Outcome outcome);
    void removeJournal() const;

    bool keptFileFits(const std::string& kept, const std::string& journal,
                      const std::string& file) const;

    const DatabasePlace& place_;
    DatabaseWriteLock lock_;

    Folder folder_;     // the folder of the file the database's name leads to
    std::string file_;  // that file's path, and the journal's, for messages
    std::string journal_;
    std::string fileName_;  // their names in the folder
    std::string journalName_;
    std::string privateParent_;
    Check check_;
    JournalFit fit_ = JournalFit::NotHot;
    std::string problem_;
    std::string databaseCopy_;
    std::string journalCopy_;
    std::string journalAside_;
};

}  // namespace platform
