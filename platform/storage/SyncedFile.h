// Writing files that must reach the disk whole: every byte written, the file and then the
// names in its folder synced. Each returns 0 or the error number of the first failure.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Writes all `size` bytes to the open file, going on after interruptions.
int WriteAll(int fd, const char* data, std::size_t size);

// Writes all of `bytes` at `offset` of the open file.
int PwriteAll(int fd, std::string_view bytes, off_t offset);

// Makes the names made, renamed or removed in the folder durable.
int SyncFolder(const std::string& folder);

// Gives a file made in place of, or beside, `original` its mode (whatever the umask) and, where
// this process may (root), its owner and group: a start by root leaves no file its users
// cannot open.
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

// What the random name of a file LinkNewFile makes has after the final name: a file whose name
// holds it was left by a process killed while it wrote.
const char* TemporaryMark();

// Gives `from` the name `to` only while `to` names nothing. Where rename takes no flags (NFS),
// by a hard link, which refuses an existing name just as atomically, then the old name's removal.
int RenameNoReplace(const std::string& from, const std::string& to);

}  // namespace platform
