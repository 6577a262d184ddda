// A folder held open by one descriptor. Every file in it is opened, made, published, renamed and
// removed through that descriptor by a name of one component, so that no link on the way is
// followed after the folder was opened, and the folder's name may change meanwhile.
//
// Others may put anything under a name in the folder: a file is opened never through a link,
// never waiting (the open of a FIFO waits for its other end, for ever), and only as a regular
// file. A file made here gets the access of the file it goes with (TakeAccessOf) through its own
// descriptor, never by its name, before any other user can open it; a file that must reach the
// disk whole is written, synced and only then given its name, with the folder synced after. This
// holds on every file system, those without unnamed files and hard links too.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/storage/FileHelpers.h"

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
    // reading and writing, with the access `like`; -1 with errno set (EEXIST: the name is
    // taken), and no file left. With an access to take it is published empty (below), so that
    // it never has its name before it has its access; without one (-1, this user's only, in a
    // folder of this user's) it is made under its name, mode 0600 less the umask.
    int CreateFile(const std::string& name, AccessLike like) const;

    // Gives a complete, synced file holding `bytes` the first name `nameFor(1)`, `nameFor(2)` ...
    // that is free, and syncs the folder; "" from nameFor ends the search (EEXIST). The file has
    // the access `like` (-1: mode 0600, this user's only). It is made unnamed where the file system
    // can and it can be linked in; elsewhere (FAT, exFAT, SMB shares, NFS, a link refused) under a
    // temporary name of the program's own (kPartPrefix, mode 0600, locked while it is written),
    // then renamed, never replacing a name: by a rename that refuses a taken name, by a hard link,
    // or where the file system has neither, by a plain rename once the name is seen to be free (in
    // a folder only the database's writers may change). No name ever holds a file cut short, and no
    // other user can read or swap it before. 0 or the error number, with `name` set to the name
    // given; a failure leaves no file. Temporary files a killed publishing left are removed first.
    using NameFor = std::function<std::string(int attempt)>;
    int Publish(std::string_view bytes, AccessLike like, const NameFor& nameFor,
                std::string& name) const;
    // The same for one name only.
    int Publish(const std::string& name, std::string_view bytes, AccessLike like) const;

    // The start of the names of the temporary files Publish makes.
    static constexpr const char* kPartPrefix = ".kvt.part-";
    // Removes the temporary files no publishing holds any more: those this user can lock, and
    // those that cannot be locked here (another user's, a file system without locks) once no
    // one has written them for an hour.
    void RemoveAbandonedParts() const;
    // Whether no one changed the file or folder `st` for an hour: one a killed start left, where
    // no lock tells.
    static bool UnwrittenForLong(const struct stat& st);

    // Gives `from` the name `to` only while `to` names nothing: as Publish names its files.
    int RenameNoReplace(const std::string& from, const std::string& to) const;
    // Removes the name `name` (no folder): 0 or the error number.
    int Remove(const std::string& name) const;
    // Makes the names made, renamed or removed in the folder durable.
    int Sync() const;

  private:
    int publish(std::string_view bytes, AccessLike like, const NameFor& nameFor, std::string& name,
                int* keep) const;
    int publishUnnamed(std::string_view bytes, AccessLike like, const NameFor& nameFor,
                       std::string& name, int& fd) const;
    int publishPart(std::string_view bytes, AccessLike like, const NameFor& nameFor,
                    std::string& name, int& fd) const;
    int makePart(std::string& part, int& fd) const;
    bool removeIfAbandoned(const std::string& name) const;
    // Whether `name` is the open file `fd`.
    bool names(const std::string& name, int fd) const;

    int fd_ = -1;
    std::string path_;
};

}  // namespace platform
