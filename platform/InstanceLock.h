// One running copy per program folder: a lock on the folder itself, held for as long as the
// object lives. It needs no file of its own, so it is taken in a folder the user may not write
// (an installed program), and the system drops it when the process ends, however it ends.
#pragma once

#include <string>

namespace platform {

class InstanceLock {
  public:
    enum class Result {
        Taken,        // this copy holds the folder
        HeldByOther,  // another copy runs on the folder
        Impossible,   // the folder cannot be locked at all (cannot be opened, no locking)
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result Acquire(const std::string& folder);

  private:
    int fd_ = -1;
};

}  // namespace platform
