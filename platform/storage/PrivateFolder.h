// A folder of this process's own, for copies of the database that no other user may read or
// swap: made by mkdtemp (mode 0700) in the user's runtime folder, or else in the temporary
// folder, locked (flock) for as long as the object lives, and removed with its files then.
// A start killed while it held one leaves it behind; the next start removes it.
#pragma once

#include <string>

namespace platform {

class PrivateFolder {
  public:
    PrivateFolder() = default;
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Makes the folder in `parent`: 0 or the error number.
    int Make(const std::string& parent);
    const std::string& Path() const { return path_; }
    // <folder>/<name>
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    // Where the folders go: $XDG_RUNTIME_DIR when it is a folder of this user's that no one else
    // may write, else $TMPDIR, else /tmp, when that is a folder others may not rename in (this
    // user's and private, or sticky).
    static std::string Parent();
    // Removes the folders in `parent` that starts of this user's left and no start holds.
    static void RemoveAbandoned(const std::string& parent);

  private:
    void remove();

    std::string path_;
    int fd_ = -1;
};

}  // namespace platform
