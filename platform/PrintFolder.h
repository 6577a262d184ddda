// <program folder>/print, where a print goes as a PDF file when no printer is installed. Its files
// are the database's users': print/ is made, when missing, in the image of the database file, and
// every PDF takes the database's access (as a data file). Run by root in a user's program folder,
// both are that user's; with a private database, both are private; in a shared set-up whose group
// may write the database, the group may write print/ too. Whoever may write the database may
// print, and no one else (FolderTrust holds print/ to that rule).
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/storage/FileAccess.h"
#include "platform/storage/FileHelpers.h"
#include "platform/storage/Folder.h"
#include "platform/storage/FolderTrust.h"

namespace platform {

class DatabasePlace;

class PrintFolder {
  public:
    PrintFolder();
    ~PrintFolder();
    PrintFolder(const PrintFolder&) = delete;
    PrintFolder& operator=(const PrintFolder&) = delete;

    // Opens print/, made when missing, walked from / as the database is: 0 or the error number
    // (ELOOP: a link another user made, which is not followed; ENOTDIR: no folder there).
    int Open();
    const Folder& Files() const { return folder_; }
    const std::string& Path() const { return path_; }
    // After Open, why others than the database's writers may change print/ (FolderTrust, judged
    // on the walk that opened it); empty where no one else may.
    const FolderDoubt& Doubt() const { return doubt_; }

    // Whether this user may make files in it; false also when it could not be made.
    bool MayWrite() const;
    // The access each PDF takes: the database's, without execute; print/'s where the database
    // cannot be opened.
    AccessLike PdfAccess() const;
    // For a user who may not make files in print/ (or make print/): why, and what to ask for.
    std::string Refusal() const;

    // The mode print/ is made with for a database file of access `database`: its owner may
    // write it, and the group where the group may write the database (with the set-group-ID
    // bit, so that the PDFs keep the group); others never. Whoever may read the database may
    // enter it.
    static mode_t ModeFor(const FileAccess& database);

  private:
    void giveAccess() const;

    std::string path_;
    std::shared_ptr<DatabasePlace> place_;  // the database's, held while printing
    std::optional<FileAccess> database_;    // read through the database's place, never opened
    Folder folder_;
    FolderDoubt doubt_;
};

}  // namespace platform
