// Opening a file that another user may have replaced by something else under its name: never
// through a link, never waiting (the open of a FIFO waits for its other end, for ever), and
// only a regular file.
#pragma once

#include <string>

namespace platform {

// The path names something that is there but is no regular file (a link, a folder, a FIFO).
bool NamesOtherThanAFile(const std::string& path);

// Opens the regular file with `access` (O_RDONLY, O_RDWR); -1 with errno set otherwise (ENODEV:
// something else than a regular file, ELOOP: a link).
int OpenRegularFile(const std::string& path, int access);

// The same for writing where the user may write the file, read-only otherwise.
int OpenRegularFileForWritingIfAllowed(const std::string& path);

// The whole of an open file, read from its start whatever its offset: 0 or the error number.
int ReadWhole(int fd, std::string& out);

}  // namespace platform
