// A folder held open by one descriptor. Every file in it is opened, made, published, renamed and
// removed through that descriptor by a name of one component, so that no link on the way is
// followed after the folder was opened, and the folder's name may change meanwhile.
//
// Others may put anything under a name in the folder: a file is opened never through a link,
// never waiting (the open of a FIFO waits for its other end, for ever), and only as a regular
// file. A file made here gets the access of the file it goes with (TakeAccessOf) through its own
// descriptor, never by its name, before any other user can open it; a file that must reach the
// disk whole is written, synced and only then given its name, with the folder synced after.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Folder {
  public:
    Folder() = default;
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // Opens the folder at `path`; with `followLink` false, a link at its last component is
    // refused (ELOOP). 0 or the error number.
    int Open(const std::string& path, bool followLink = true);
    // Holds the folder open at `pathFd` (O_PATH will do), named `path` for messages: a descriptor
    // of its own, for reading where the user may read the folder. 0 or the error number.
    int Hold(int pathFd, const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; }
    // <folder>/<name>, for messages.
    std::string PathOf(const std::string& name) const { return path_ + "/" + name; }

    // What `name` holds, a link not followed.
    enum class Entry { None, File, Other };
    Entry What(const std::string& name) const;
    bool Has(const std::string& name) const { return What(name) != Entry::None; }
    // The names in the folder but "." and "..", sorted.
    std::vector<std::string> Names() const;

    // Opens the regular file `name` with `access` (O_RDONLY, O_RDWR); -1 with errno set
    // otherwise (ENODEV: something else than a regular file, ELOOP: a link).
    int OpenFile(const std::string& name, int access) const;
    // The same for writing where the user may write the file, read-only otherwise.
    int OpenFileForWritingIfAllowed(const std::string& name) const;
    // The whole regular file `name`, opened with `access`: 0 or the error number.
    int ReadFile(const std::string& name, std::string& out, int access = 0) const;

    // Makes the new name `name` (a link there is never followed) and returns it open for
    // reading and writing, with the access of the open file `accessOf` (-1: mode 0600 less the
    // umask, this user's only); -1 with errno set (EEXIST:
    // the name is taken), and no file left.
    int CreateFile(const std::string& name, int accessOf) const;

    // Gives a complete, synced file holding `bytes` the first name `nameFor(1)`, `nameFor(2)` ...
    // that is free, and syncs the folder; "" from nameFor ends the search (EEXIST). The file has
    // the access of the open file `accessOf`, or with -1 mode 0644 less the umask. It is made
    // unnamed (or, where the file system cannot, under a random name) and linked in when
    // complete: no name is ever replaced, and no other user can read or swap it before. 0 or the
    // error number, with `name` set to the name given; a failure leaves no file.
    using NameFor = std::function<std::string(int attempt)>;
    int Publish(std::string_view bytes, int accessOf, const NameFor& nameFor,
                std::string& name) const;
    // The same for one name only.
    int Publish(const std::string& name, std::string_view bytes, int accessOf) const;

    // Gives `from` the name `to` only while `to` names nothing. Where rename takes no flags
    // (NFS), by a hard link, which refuses a taken name just as atomically, then the old name's
    // removal.
    int RenameNoReplace(const std::string& from, const std::string& to) const;
    // Removes the name `name` (no folder): 0 or the error number.
    int Remove(const std::string& name) const;
    // Makes the names made, renamed or removed in the folder durable.
    int Sync() const;

  private:
    int fill(int fd, std::string_view bytes, int accessOf) const;
    int linkUnnamed(std::string_view bytes, int accessOf, const NameFor& nameFor,
                    std::string& name) const;
    int linkRandom(std::string_view bytes, int accessOf, const NameFor& nameFor,
                   std::string& name) const;
    int linkFirstFree(const std::function<int(const std::string&)>& link, const NameFor& nameFor,
                      std::string& name) const;

    int fd_ = -1;
    std::string path_;
};

}  // namespace platform
