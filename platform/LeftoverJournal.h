// A rollback journal left beside the database by a save that never finished (the program
// killed, a power cut). SQLite rolls such a journal into whatever file bears the database's name
// at the next open: a backup copied back in place is damaged by it, and a file the journal never
// belonged to silently loses rows. So before anything opens the database both files are copied
// aside; when the rolled-back file proves unsound, the copy of the database is put back without
// the journal. No file is removed or replaced unless a copy of it is on disk.
#pragma once

#include <string>

namespace platform {

class LeftoverJournal {
  public:
    explicit LeftoverJournal(const std::string& database);

    // Whether a journal lies beside the database.
    bool Present() const;

    // Copies the database and the journal into their folder under names that carry the date
    // and time and that SQLite never takes for a journal, synced to disk with the folder.
    // Raises DbError, leaving no copy behind, when a copy cannot be made.
    void SetAside();
    bool IsSetAside() const { return !databaseCopy_.empty(); }
    const std::string& DatabaseCopy() const { return databaseCopy_; }
    const std::string& JournalCopy() const { return journalCopy_; }

    // Puts the copy of the database back under its name and removes the journal. Raises
    // DbError when it fails; the copies stay either way.
    void PutBack() const;
    // Removes a journal that is still there (one SQLite did not take as hot), so that it is
    // not copied again at every start. Only after SetAside.
    void RemoveJournal() const;

  private:
    std::string database_;
    std::string journal_;
    std::string databaseCopy_;
    std::string journalCopy_;
};

}  // namespace platform
