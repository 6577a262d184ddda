// The files of a rollback journal left beside the database by a save that never finished (the
// program killed, a power cut), and the work on them at start. SQLite keeps the journal beside
// the file a linked database name resolves to, so everything here happens in that folder: the
// link stays a link.
//
// The database file is never written in place. A journal is rolled into a copy of the file; only
// a copy that passes the check is renamed over the file, with the file's owner, group and mode,
// and the journal goes last. Copies get their final names only once complete and synced. So a
// start killed at any point, or stopped by a full disk, leaves either the file as it was with
// its journal, or the rolled-back file, and the next start carries on from there.
//
// Every method but Present raises DbError (the cause and the file) when a file operation fails.
#pragma once

#include <string>
#include <vector>

#include "platform/storage/JournalFit.h"

namespace platform {

class LeftoverJournal {
  public:
    // `database` may be a symbolic link.
    explicit LeftoverJournal(const std::string& database);

    const std::string& File() const { return file_; }
    bool Present() const;

    // Removes the temporary files an interrupted earlier start left behind.
    void RemoveLeftovers() const;

    // Whether the journal belongs to the file (both are read whole).
    JournalFit Judge() const;

    // Renames the journal to "<journal>.<date>-<time>.bak" beside it, synced, and returns that
    // name: a journal that is not applied is kept, never deleted.
    std::string MoveAside() const;

    // A copy of the file with a copy of the journal beside it under the names SQLite pairs, for
    // SQLite to roll back. Returns the copy's name.
    std::string MakeRollbackCopy() const;
    void DiscardRollbackCopy() const;

    // Keeps the file and the journal as they are now under names with the date and time, synced
    // ("db.mdb.<date>-<time>.bak", "db.mdb-journal.<date>-<time>.bak": SQLite never takes either
    // for a journal). A pair an interrupted earlier start kept for this very journal is used
    // again (completed, if it stopped after the journal), so that the copies named are those of
    // the file before any rollback. A failure leaves no copy it made.
    void SetAside();
    const std::string& DatabaseCopy() const { return databaseCopy_; }
    const std::string& JournalCopy() const { return journalCopy_; }

    // Renames the rolled-back copy over the file, with the file's owner, group and mode, then
    // removes the journal, syncing the folder after each step.
    void Replace(const std::string& rolledBack) const;

    // The copies that starts kept in the folder, of the file and of journals, by name.
    std::vector<std::string> KeptCopies() const;

  private:
    std::string earlierCopy() const;

    std::string folder_;
    std::string file_;
    std::string journal_;
    std::string databaseCopy_;
    std::string journalCopy_;
};

}  // namespace platform
