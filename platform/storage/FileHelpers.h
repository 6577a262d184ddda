// The file helpers of the storage. Every one returns 0 or the error number of the first failure,
// or, where it opens, a descriptor or -1 with errno set.
//
// Others may replace what a name in the database's folder holds: a file is opened never through
// a link, never waiting (the open of a FIFO waits for its other end, for ever), and only as a
// regular file. A file that must reach the disk whole has every byte written, then the file and
// the names in its folder synced. A file made beside the database is given the users of the
// database through its own descriptor, never by its name.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Opening and reading.

// The path names something that is there but is no regular file (a link, a folder, a FIFO).
bool NamesOtherThanAFile(const std::string& path);

// Opens the regular file with `access` (O_RDONLY, O_RDWR); -1 with errno set otherwise (ENODEV:
// something else than a regular file, ELOOP: a link).
int OpenRegularFile(const std::string& path, int access);

// The same for writing where the user may write the file, read-only otherwise.
int OpenRegularFileForWritingIfAllowed(const std::string& path);

// The whole of an open file, read from its start whatever its offset: 0 or the error number.
int ReadWhole(int fd, std::string& out);

// Writing.

// Writes all `size` bytes to the open file, going on after interruptions.
int WriteAll(int fd, const char* data, std::size_t size);

// Writes all of `bytes` at `offset` of the open file.
int PwriteAll(int fd, std::string_view bytes, off_t offset);

// Makes the names made, renamed or removed in the folder durable.
int SyncFolder(const std::string& folder);

// Who may open a file made beside the database.

// Gives a file made in place of, or beside, `original` its mode (whatever the umask), its owner
// where this process may (root) and its group where it may (root, or a member of the group): a
// start by root or by a member leaves no file the database's users cannot open.
int TakeModeAndOwner(int fd, const struct stat& original);

// Makes `path`, a name that must be new (a link there is never followed), holding `bytes`,
// synced when asked. With `like`, the file gets its mode and owner (TakeModeAndOwner) through
// its own descriptor; without, mode 0644 less the umask. A failure leaves no file.
int WriteNewFile(const std::string& path, std::string_view bytes, const struct stat* like,
                 bool sync);

// Makes `path`, a name that must be new, name a complete and synced file holding `bytes`, with
// the mode and owner of `like` (TakeModeAndOwner), at once: the file is made unnamed in its
// folder (or, where the file system cannot, under a random name beside it), and linked under
// `path` only when complete, so that no other user can read it before its mode is set or swap
// a name under it. EEXIST when `path` names something already; a failure leaves no file.
int LinkNewFile(const std::string& path, std::string_view bytes, const struct stat& like);

// Gives `from` the name `to` only while `to` names nothing. Where rename takes no flags (NFS),
// by a hard link, which refuses an existing name just as atomically, then the old name's removal.
int RenameNoReplace(const std::string& from, const std::string& to);

// Gives the open file `fd` the owner (where this process may: root), the group (root, or a member
// of that group), the mode and the access ACL of the open file `from`. 0 or the error number of
// the first failure; a file system without ACLs takes the rest.
int TakeAccessOf(int fd, int from);

}  // namespace platform
