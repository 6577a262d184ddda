// One running copy per program folder: a lock on a file in the folder, held for as long as the
// object lives. The system drops it when the process ends, however it ends.
#pragma once

#include <string>

namespace platform {

class InstanceLock {
  public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock of the folder, also on a lock file that another user made and this one may
    // only read. False when another copy holds it; true also when there is no lock file and it
    // cannot be made (a read-only folder), since then nothing can be saved there anyway.
    bool Acquire(const std::string& folder);

  private:
    int fd_ = -1;
};

}  // namespace platform
