// The write lock of an SQLite database taken from outside SQLite: the same byte-range locks an
// SQLite writer holds while it commits (the pending, reserved and shared bytes), so that no
// other program reads or writes the file while the start works on a journal beside it. Held for
// as long as the object lives.
//
// POSIX locks belong to the process: closing any descriptor of the file drops them all. So no
// SQLite handle of this process may have the file open while the lock is held.
#pragma once

#include <string>

namespace platform {

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

    // Tries for up to `waitMs` milliseconds while another program holds a lock on the file.
    Result Acquire(const std::string& file, int waitMs);
    void Release();
    int Error() const { return error_; }

  private:
    int fd_ = -1;
    int error_ = 0;
};

}  // namespace platform
