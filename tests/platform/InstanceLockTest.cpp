// Run twice by ctest: on the local disk, and with flock behaving as on NFS (NfsFlock preloaded),
// where a folder cannot be locked and a lock file only when opened for writing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "platform/storage/DatabasePlace.h"
#include "platform/storage/InstanceLock.h"
#include "platform/storage/LockBytes.h"
#include "tests/support/AccessAcl.h"
#include "tests/support/AnotherUser.h"
#include "tests/support/TestDb.h"

using platform::InstanceLock;
using Result = InstanceLock::Result;
namespace fs = std::filesystem;

namespace {

const char* nameOf(Result result) {
    switch (result) {
        case Result::Taken:
            return "starts";
        case Result::HeldByOther:
            return "refused";
        case Result::NoPermission:
            return "no permission";
        case Result::LockFileNotAFile:
            return "lock file not a file";
        case Result::Impossible:
            break;
    }
    return "impossible";
}

// What a copy would meet now on the folder with its database: run as root or as another user,
// in a process of its own.
std::string copyIn(const std::string& folder, const std::string& database, bool anotherUser) {
    const auto start = [&] {
        return std::string(
            nameOf(InstanceLock().Acquire(folder, *platform::DatabasePlace::Of(database))));
    };
    return anotherUser ? AsAnotherUser(start) : InAnotherProcess(start);
}

std::string anotherUsersCopy(const TestDb& db) {
    return copyIn(db.folder(), db.path(), true);
}

std::set<std::string> entriesOf(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// An installed program folder: root's and read-only to its users but for db/ and the database.
void installedFolder(const TestDb& db) {
    ASSERT_EQ(::chmod(db.folder().c_str(), 0755) | ::chmod((db.folder() + "/db").c_str(), 0777) |
                  ::chmod(db.path().c_str(), 0666),
              0);
}

// What a copy that may only view the database holds on it, for as long as the descriptor is open.
int holdForViewing(const std::string& database) {
    const int fd = ::open(database.c_str(), O_RDONLY | O_CLOEXEC);
    struct flock byte = platform::LockRange(F_RDLCK, platform::kProgramByte, 1);
    return ::fcntl(fd, F_OFD_SETLK, &byte) == 0 ? fd : -1;
}

// What every action of the program does: an SQLite connection opens the file, reads and closes.
void readThroughSqlite(const std::string& database) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open_v2(database.c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(handle, "select count(*) from baseData", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(handle);
}

}  // namespace

// Two program folders whose databases are one file, through a link, meet on that file: a copy
// that may write it has it alone, copies that may only view it share it. The running copy's hold
// outlives the SQLite connections of its process that open and close the file.
TEST(InstanceLock, CopiesInFoldersLinkedToOneDatabaseMeetOnTheFile) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    const struct {
        bool runningWrites, nextViews;
        const char* next;
    } cases[] = {{true, false, "refused"},
                 {true, true, "refused"},
                 {false, false, "refused"},
                 {false, true, "starts"}};
    for (const auto& [runningWrites, nextViews, next] : cases) {
        SCOPED_TRACE(std::string(runningWrites ? "writer" : "viewer") + " running, " +
                     (nextViews ? "viewer" : "writer") + " next");
        TestDb db, linked;
        installedFolder(db);
        installedFolder(linked);
        fs::remove(linked.path());
        fs::create_symlink(db.path(), linked.path());
        ASSERT_EQ(::chmod(db.path().c_str(), nextViews ? 0644 : 0666), 0);
        InstanceLock running;
        int viewing = -1;
        if (runningWrites)
            ASSERT_EQ(running.Acquire(db.folder(), *platform::DatabasePlace::Of(db.path())),
                      Result::Taken);
        else
            ASSERT_GE(viewing = holdForViewing(db.path()), 0);
        readThroughSqlite(db.path());
        EXPECT_EQ(copyIn(linked.folder(), linked.path(), nextViews), next);
        if (viewing >= 0) ::close(viewing);
    }
}

// One copy at a time, whoever runs it; the only thing left behind is the lock file in db/,
// with the database's mode, so that the next user may lock it too.
TEST(InstanceLock, HoldsInAFolderTheUsersMayOnlyRead) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    TestDb db;
    installedFolder(db);
    EXPECT_EQ(anotherUsersCopy(db), "starts");
    {
        InstanceLock mine;
        ASSERT_EQ(mine.Acquire(db.folder(), *platform::DatabasePlace::Of(db.path())),
                  Result::Taken);
        EXPECT_EQ(anotherUsersCopy(db), "refused");
        InstanceLock second;
        EXPECT_EQ(second.Acquire(db.folder(), *platform::DatabasePlace::Of(db.path())),
                  Result::HeldByOther);
    }
    EXPECT_EQ(anotherUsersCopy(db), "starts");
    EXPECT_EQ(entriesOf(db.folder()), std::set<std::string>{"db"});
    EXPECT_EQ(entriesOf(db.folder() + "/db"),
              (std::set<std::string>{"db.mdb", "PraveltaKVT.lock"}));
    struct stat lockStat {};
    ASSERT_EQ(::stat(InstanceLock::LockFilePath(db.folder()).c_str(), &lockStat), 0);
    EXPECT_EQ(lockStat.st_mode & 07777, 0666u);
}

// A copy holding only one of the two objects keeps the next one out: an earlier version holds
// the folder, a copy that cannot lock folders (NFS) the lock file.
TEST(InstanceLock, EitherObjectHeldByAnotherCopyRefusesTheNext) {
    TestDb db;
    const std::string file = InstanceLock::LockFilePath(db.folder());
    const struct {
        std::string object;
        int flags;
    } held[] = {{db.folder(), O_RDONLY | O_DIRECTORY}, {file, O_RDWR | O_CREAT}};
    for (const auto& [object, flags] : held) {
        const int fd = ::open(object.c_str(), flags | O_CLOEXEC, 0644);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;  // the folder where flock behaves as on NFS
        }
        EXPECT_EQ(InstanceLock().Acquire(db.folder(), *platform::DatabasePlace::Of(db.path())),
                  Result::HeldByOther)
            << object;
        ::close(fd);
        EXPECT_EQ(InstanceLock().Acquire(db.folder(), *platform::DatabasePlace::Of(db.path())),
                  Result::Taken)
            << object;
    }
}

// Users who may only view the database (and so may not write the lock file, made or not yet)
// share every object: two run side by side, on the folder where folders lock and on the lock file
// and the database where they do not (NFS, where a shared lock needs only a descriptor opened
// for reading). A copy that may write the database is refused while they run, and refuses them
// while it runs.
TEST(InstanceLock, ViewersRunSideBySideAndAWriterRunsAlone) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    constexpr uid_t kSecondViewer = 65533;
    for (const bool fileMade : {true, false}) {
        SCOPED_TRACE(fileMade ? "lock file made" : "no lock file");
        TestDb db;
        installedFolder(db);
        ASSERT_EQ(::chmod((db.folder() + "/db").c_str(), 0755) | ::chmod(db.path().c_str(), 0644),
                  0);
        if (fileMade) {
            ASSERT_EQ(InstanceLock().Acquire(db.folder(), *platform::DatabasePlace::Of(db.path())),
                      Result::Taken);
        }
        ASSERT_EQ(fs::exists(InstanceLock::LockFilePath(db.folder())), fileMade);
        {
            const HeldByUser viewer(kAnotherUser, kAnotherUser, [&] {
                static InstanceLock held;  // this child's, kept until it ends
                return std::string(
                    nameOf(held.Acquire(db.folder(), *platform::DatabasePlace::Of(db.path()))));
            });
            ASSERT_EQ(viewer.result(), "starts");
            EXPECT_EQ(AsUser(kSecondViewer, kSecondViewer,
                             [&] {
                                 return std::string(nameOf(InstanceLock().Acquire(
                                     db.folder(), *platform::DatabasePlace::Of(db.path()))));
                             }),
                      "starts");
            EXPECT_EQ(InstanceLock().Acquire(db.folder(), *platform::DatabasePlace::Of(db.path())),
                      Result::HeldByOther);
        }
        InstanceLock writer;
        ASSERT_EQ(writer.Acquire(db.folder(), *platform::DatabasePlace::Of(db.path())),
                  Result::Taken);
        EXPECT_EQ(anotherUsersCopy(db), "refused");
    }
}

// Copies that only view a database they could write (its folder is one others may change) share
// it as viewers do and make no lock file there; a copy that writes it is refused meanwhile, here
// and on NFS.
TEST(InstanceLock, CopiesThatOnlyViewAFileTheyMayWriteShareItAndMakeNoLockFile) {
    TestDb db;
    installedFolder(db);
    const auto viewer = [&] {
        return std::string(nameOf(
            InstanceLock().Acquire(db.folder(), *platform::DatabasePlace::Of(db.path()), true)));
    };
    {
        const HeldByUser first(::geteuid(), ::getegid(), [&] {
            static InstanceLock held;  // this child's, kept until it ends
            return std::string(
                nameOf(held.Acquire(db.folder(), *platform::DatabasePlace::Of(db.path()), true)));
        });
        ASSERT_EQ(first.result(), "starts");
        EXPECT_EQ(InAnotherProcess(viewer), "starts");
        EXPECT_FALSE(fs::exists(InstanceLock::LockFilePath(db.folder())));
        EXPECT_EQ(copyIn(db.folder(), db.path(), false), "refused");
    }
    EXPECT_EQ(copyIn(db.folder(), db.path(), false), "starts");
}

// A program folder the user may not read is said to be so, not as a folder that cannot be locked.
TEST(InstanceLock, AFolderTheUserMayNotReadIsNoPermission) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    for (const mode_t mode : {0711, 0700}) {
        TestDb db;
        ASSERT_EQ(::chmod(db.folder().c_str(), mode), 0);
        ASSERT_EQ(::chmod((db.folder() + "/db").c_str(), 0777), 0);
        EXPECT_EQ(anotherUsersCopy(db), "no permission") << std::oct << mode;
    }
}

// Root making the lock file gives it the database's owner, group and mode (whatever its umask):
// a start as root never leaves a file the database's users cannot open for writing.
TEST(InstanceLock, ALockFileMadeByRootIsTheDatabaseOwners) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    for (const mode_t mode : {0600, 0666}) {
        TestDb db;
        ASSERT_EQ(::chown(db.folder().c_str(), kAnotherUser, kAnotherUser) |
                      ::chown((db.folder() + "/db").c_str(), kAnotherUser, kAnotherUser) |
                      ::chown(db.path().c_str(), kAnotherUser, kAnotherUser) |
                      ::chmod(db.path().c_str(), mode),
                  0);
        ASSERT_EQ(InstanceLock().Acquire(db.folder(), *platform::DatabasePlace::Of(db.path())),
                  Result::Taken);
        struct stat lockStat {};
        ASSERT_EQ(::stat(InstanceLock::LockFilePath(db.folder()).c_str(), &lockStat), 0);
        EXPECT_EQ(lockStat.st_uid, kAnotherUser);
        EXPECT_EQ(lockStat.st_gid, kAnotherUser);
        EXPECT_EQ(lockStat.st_mode & 07777, mode);
        EXPECT_EQ(anotherUsersCopy(db), "starts") << std::oct << mode;
    }
}

// A lock file made by a member of the database's group gets the
// database's group, mode and ACL, so that a user whom only the ACL lets write the database may
// open it for writing and lock it: on NFS nothing else can be locked.
TEST(InstanceLock, ALockFileAGroupMemberMadeIsLockedByAUserTheDatabasesAclLetsWrite) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    // A member the system knows (getgrouplist): the user daemon, in its own group.
    constexpr gid_t kStaff = 1;
    constexpr uid_t kMember = 1, kAclUser = 4303;
    TestDb db;
    installedFolder(db);
    const std::string acl = AclLetting(kAclUser, 6);
    ASSERT_EQ(::chown(db.path().c_str(), 0, kStaff) | ::chmod(db.path().c_str(), 0660), 0);
    ASSERT_TRUE(SetAccessAcl(db.path(), acl));
    const auto start = [&] {
        return std::string(
            nameOf(InstanceLock().Acquire(db.folder(), *platform::DatabasePlace::Of(db.path()))));
    };
    ASSERT_EQ(AsUser(kMember, kMember, start, {kStaff}), "starts");
    const std::string lock = InstanceLock::LockFilePath(db.folder());
    struct stat lockStat {};
    ASSERT_EQ(::stat(lock.c_str(), &lockStat), 0);
    EXPECT_EQ(lockStat.st_uid, kMember);
    EXPECT_EQ(lockStat.st_gid, kStaff);
    EXPECT_EQ(lockStat.st_mode & 07777, 0660u);
    EXPECT_EQ(AccessAclOf(lock), acl);
    EXPECT_EQ(AsUser(kAclUser, kAclUser, start), "starts");
}

// A folder that cannot be opened cannot be locked: said as such, never taken as free.
TEST(InstanceLock, AFolderThatCannotBeOpenedIsNoLock) {
    TestDb db;
    InstanceLock lock;
    EXPECT_EQ(lock.Acquire(db.folder() + "/none", *platform::DatabasePlace::Of(db.path())),
              Result::Impossible);
    EXPECT_EQ(lock.Acquire(db.path(), *platform::DatabasePlace::Of(db.path())),
              Result::Impossible);  // a file, not a folder
}
