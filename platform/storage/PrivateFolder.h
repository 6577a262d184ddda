// A folder of this process's own, for copies of the database that no other user may read or
// swap: made by mkdtemp (mode 0700) in a folder whose entries only this user or root may rename
// (PrivateFolder::Parent), locked (flock: the folder, or a file in it where folders cannot be
// locked, as on NFS) for as long as the object lives, and removed with its files then. A start
// killed while it held one leaves it behind; the next start removes it.
#pragma once

#include <string>

#include "platform/storage/Folder.h"

namespace platform {

class PrivateFolder {
  public:
    PrivateFolder() = default;
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Makes the folder in `parent`: 0 or the error number.
    int Make(const std::string& parent);
    // The files are made and read through it.
    const Folder& Files() const { return folder_; }

    // Where the folders go: the first of $XDG_RUNTIME_DIR, $TMPDIR and /tmp that this user may
    // write and on whose path no other user may add or rename entries but in sticky folders
    // (DoubtAbout, for this user alone); "" when none is.
    static std::string Parent();
    // Those looked at, for a box when none would do.
    static std::string Candidates();
    // Removes the folders in `parent` that starts of this user's left and no start holds.
    static void RemoveAbandoned(const std::string& parent);

  private:
    void remove();

    Folder folder_;
    int held_ = -1;  // the locked file in it
};

}  // namespace platform
