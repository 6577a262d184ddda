// Where the database lies, walked once from / and held from then on: the folder SQLite keeps its
// files in (for a linked db.mdb, the folder of the file the link leads to), the file's name there
// with its device and inode, and the folder holding the name as given (the lock file's). The walk
// judges every folder on the way (FolderTrust); whoever uses the database after it (the instance
// lock, the recovery, the start's check, every SQLite handle, the install's tool) goes through
// the folders held here, never through a name looked up again.
//
// It fails closed: where the walk or a judgement fails, the program does not write the database.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/storage/Folder.h"
#include "platform/storage/FolderTrust.h"

namespace platform {

struct FileAccess;

class DatabasePlace {
  public:
    // Walks `database` and judges it now, trusting the folders of `owners` (by default the
    // program's, the program folder's owner as this walk finds it).
    explicit DatabasePlace(const std::string& database,
                           const std::optional<TrustedOwners>& owners = std::nullopt);
    // The file `name` of `folder`, a folder of this process's own that no other user may change
    // (a PrivateFolder's): held through it, without a walk, and with no doubt.
    DatabasePlace(const Folder& folder, const std::string& name);
    ~DatabasePlace();
    DatabasePlace(const DatabasePlace&) = delete;
    DatabasePlace& operator=(const DatabasePlace&) = delete;

    // The place of `database`, made at the first call and kept while anyone holds it: later calls
    // give the same object for as long as the name still leads to the file it holds.
    static std::shared_ptr<DatabasePlace> Of(const std::string& database);

    // 0 when the file is there and held; otherwise why not (ENOENT, EACCES, ENODEV: no regular
    // file, ELOOP: a link another user made, not followed), with ErrorPath() where.
    int Error() const { return error_; }
    const std::string& ErrorPath() const { return errorPath_; }
    const std::string& Given() const { return given_; }
    // The file's path as the walk reached it, for messages.
    const std::string& File() const { return file_; }
    // The folder of the file, its name there, and the folder holding the name as given.
    const Folder& Files() const { return files_; }
    const std::string& Name() const { return name_; }
    const Folder& Named() const { return named_; }
    // Why the program may not write here; empty where it may.
    const FolderDoubt& Doubt() const { return doubt_; }
    // The file as the walk found it (its device and inode).
    const struct stat& Held() const { return held_; }
    const Writers& FileWriters() const { return writers_; }

    // The name SQLite opens the file by: through the held folder (PinnedVfs).
    std::string SqlitePath() const;
    // Whether the name in the held folder still holds the file held.
    bool StillHolds() const;
    // Opens the file through the held folder, checked to be the file held (ESTALE otherwise):
    // only for reading, or for writing where the user may; -1 with errno set.
    int OpenFile(bool forWriting) const;

    // The name of the journal SQLite keeps beside the file `file` (a name or a path).
    static std::string JournalOf(const std::string& file) { return file + "-journal"; }
    // The journal's name in Files().
    std::string JournalName() const { return JournalOf(name_); }
    // Whether a journal beside the file is one SQLite would roll back (not empty, its first byte
    // not zero), or one that cannot be looked into; false without one.
    bool JournalLooksHot() const;
    // Why the last save could not make its journal with the database's access, and what mends
    // that (a box's text: the save was refused before anything was written); "" when it could.
    const std::string& JournalRefusal() const { return journalRefusal_; }

    // Why the file `name` beside the database may not be used: "" when it is a regular file with
    // one link, made by a writer of the database, and lets no one more than the database does.
    // Missing files are no problem. Of the folder the file is in.
    std::string BesideProblem(const std::string& name) const {
        return BesideProblemIn(files_, name);
    }
    // The same of a file in `folder` (the lock file's: Named()).
    std::string BesideProblemIn(const Folder& folder, const std::string& name) const;

  private:
    void walk(const std::optional<TrustedOwners>& owners);
    bool hold(const PathWalk::Folder& files, const PathWalk::Folder& named, const struct stat& file,
              FileAccess& access);
    void pin();
    // What SQLite may do with `name` (PinnedVfs::Guard).
    int guard(const std::string& name, int openFlags, int step, int opened) const;
    int beforeJournalOpen(int openFlags) const;
    int makeJournal() const;
    int afterJournalOpen(int opened) const;
    int databaseAccess(FileAccess& out) const;
    std::string problemOf(const struct stat& st, const FileAccess& access) const;
    std::string refusalText(const std::string& why, const FileAccess& journal,
                            const FileAccess& database) const;

    std::string given_;
    int error_ = 0;
    std::string errorPath_;
    std::string file_;
    std::string name_;
    Folder files_;
    Folder named_;
    struct stat held_ {};
    FolderDoubt doubt_;
    Writers writers_, readers_;
    bool pinned_ = false;
    // Between the two looks of one open of the journal: the journal this open made, if it did.
    mutable bool journalMade_ = false;
    mutable struct stat made_ {};
    mutable std::string journalRefusal_;
};

// What the start tells of a file beside the database in `folder` that is not used
// (BesideProblemIn), and what to do: "" when `name` is usable. A writer's file that lets others
// more than the database gets the commands that give it the database's group, mode and ACL (and
// db/ the setgid bit where a member's save left it in the member's group); only a file no writer
// made is to be moved away (AccessRemedy.cpp).
std::string BesideFileText(const DatabasePlace& place, const Folder& folder,
                           const std::string& name);

}  // namespace platform
