// The write lock of an SQLite database taken from outside SQLite: the bytes an SQLite writer
// locks while it commits (pending, reserved and shared), so that no other program reads or
// writes the file, or rolls back a journal beside it, while the start works on that journal.
// Held for as long as the object lives.
//
// The lock belongs to the object's own open file description (F_OFD_SETLK), so closing another
// descriptor of the file in this process leaves it in place. Where the system has no such locks
// it falls back to a classic POSIX lock, which any close of the file in this process drops: the
// file is therefore read and written only through this object, never by opening it again.
//
// An SQLite handle of this process conflicts with the lock like any other program's: release it
// before this process's SQLite uses the file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

class Folder;

class DatabaseWriteLock {
  public:
    enum class Result {
        Taken,        // no other program reads or writes the file until the lock is released
        Busy,         // another program kept a lock on the file for the whole wait
        NotWritable,  // the file may not be written, and no other program is writing it
        Failed,       // the file could not be opened or locked (Error() says why)
    };

    DatabaseWriteLock() = default;
    ~DatabaseWriteLock();
    DatabaseWriteLock(const DatabaseWriteLock&) = delete;
    DatabaseWriteLock& operator=(const DatabaseWriteLock&) = delete;

    // Tries for up to `waitMs` milliseconds while another program holds a lock on the regular
    // file `name` of `folder` (a symbolic link is not followed).
    Result Acquire(const Folder& folder, const std::string& name, int waitMs);
    void Release();
    int Error() const { return error_; }
    // The locked descriptor, whose access the copies of the file take; -1 when not held.
    int Fd() const { return fd_; }

    // Through the locked descriptor, each 0 or the error number:
    // the whole file;
    int ReadAll(std::string& out) const;
    // the file made to hold `after`, which it held as `before`: the blocks of `pageSize` bytes
    // that differ are written, the size is set and the file synced;
    int Rewrite(std::string_view before, std::string_view after, std::size_t pageSize) const;
    // the file synced.
    int Sync() const;

  private:
    int fd_ = -1;
    int error_ = 0;
};

}  // namespace platform
