// Where SQLite locks a database file: the pending byte, the reserved byte after it and the
// shared bytes after that (SQLite's unix layer), and the byte the program locks to run alone on
// the file. The page that holds the pending byte is never written or journaled by SQLite.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

namespace platform {

constexpr off_t kPendingByte = 0x40000000;
constexpr off_t kReservedByte = kPendingByte + 1;
constexpr off_t kSharedFirst = kPendingByte + 2;
constexpr off_t kSharedSize = 510;
// Past SQLite's bytes: locked by a running copy of the program, for as long as it runs.
constexpr off_t kProgramByte = kSharedFirst + kSharedSize + 16;

// A lock of `type` (F_RDLCK, F_WRLCK) on `length` bytes from `start`, for fcntl.
inline struct flock LockRange(short type, off_t start, off_t length) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = start;
    range.l_len = length;
    return range;
}

}  // namespace platform
