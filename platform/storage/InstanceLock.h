// One copy per program folder and per database file that may write it, held for as long as the
// object lives; copies that may only view the database run side by side. Three objects are
// locked: the lock file db/PraveltaKVT.lock beside the database, the program folder itself, and
// the database file that db/db.mdb leads to.
//
// A copy that may write the database (it opens the file for writing) locks each object
// exclusively; one that may only read it, or that only views it because others may change its
// folder, takes shared locks, which other viewers share and a writer's exclusive lock excludes,
// either way round. Only a writer makes a missing lock file, with the database's access.
//
// The lock file is what works on NFS, where an exclusive flock needs a descriptor opened for
// writing (a folder never is) and a shared one a descriptor opened for reading; the folder is
// what a copy takes that cannot use the file (no file and no right to make it, or an earlier
// version of the program). A copy takes every one of the two it can and is refused when another
// copy holds either against it, so that any two copies on one folder meet on one.
//
// The database file meets copies in other folders whose db/db.mdb is a link to the same file:
// a lock on one byte of it (past SQLite's bytes), write for a copy that may write the file and
// read for one that may only view it. It is an open-file-description lock: SQLite's closing of
// its own descriptors of the file would drop a classic POSIX lock of the process, not this one.
// Where the system has no such locks, the folder and the lock file still hold.
//
// The system drops every lock when the process ends, however it ends.
#pragma once

#include <string>

namespace platform {

class DatabasePlace;

class InstanceLock {
  public:
    enum class Result {
        Taken,             // this copy holds the folder, the lock file or both
        HeldByOther,       // another copy runs on the folder or on the database file
        NoPermission,      // the user may not read the program folder
        LockFileNotAFile,  // the lock file is something else than a regular file (a link, a FIFO)
        LockFileForeign,   // a copy that may write finds a lock file no writer made
                           // (DatabasePlace::BesideProblemIn): it is not used
        Impossible,        // neither the folder nor the lock file can be locked
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // `place` is the place of the folder's database file (platform::DatabasePath()); the lock
    // file is made in the folder holding its name. With `viewOnly` the copy only views it,
    // whether it may write it or not, and passes over a lock file no writer made.
    Result Acquire(const std::string& folder, const DatabasePlace& place, bool viewOnly = false);

    // <folder>/db/PraveltaKVT.lock
    static std::string LockFilePath(const std::string& folder);

  private:
    void Release();

    int folderFd_ = -1;
    int fileFd_ = -1;
    int databaseFd_ = -1;
};

}  // namespace platform
