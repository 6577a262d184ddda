// One running copy per program folder, held for as long as the object lives. Two objects are
// locked: the lock file db/PraveltaKVT.lock beside the database and the program folder itself.
// The file is what works on NFS, where an exclusive flock needs a descriptor opened for writing
// (a folder never is); the folder is what a copy takes that cannot use the file (no file and no
// right to make it, or an earlier version of the program). A copy takes every one of the two
// it can and is refused when another copy holds either, so that any two copies meet on one. The
// system drops both locks when the process ends, however it ends.
#pragma once

#include <string>

namespace platform {

class InstanceLock {
  public:
    enum class Result {
        Taken,         // this copy holds the folder, the lock file or both
        HeldByOther,   // another copy runs on the folder
        NoPermission,  // the user may not read the program folder
        Impossible,    // neither the folder nor the lock file can be locked
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result Acquire(const std::string& folder);

    // <folder>/db/PraveltaKVT.lock
    static std::string LockFilePath(const std::string& folder);

  private:
    void Release();

    int folderFd_ = -1;
    int fileFd_ = -1;
};

}  // namespace platform
