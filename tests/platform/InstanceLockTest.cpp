#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/InstanceLock.h"
#include "tests/support/AnotherUser.h"
#include "tests/support/TestDb.h"

using platform::InstanceLock;
using Result = InstanceLock::Result;

namespace {

// Whether a copy of another user could start on the folder now.
std::string anotherUsersCopy(const std::string& folder) {
    return AsAnotherUser([&] {
        InstanceLock lock;
        return std::string(lock.Acquire(folder) == Result::Taken ? "starts" : "refused");
    });
}

}  // namespace

// An installed program folder belongs to root and only its db/ is writable: the lock needs no
// file there, holds against another user and leaves nothing behind.
TEST(InstanceLock, HoldsInAFolderTheUsersMayOnlyRead) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    TestDb db;
    ASSERT_EQ(::chmod(db.folder().c_str(), 0755), 0);
    EXPECT_EQ(anotherUsersCopy(db.folder()), "starts");
    {
        InstanceLock mine;
        ASSERT_EQ(mine.Acquire(db.folder()), Result::Taken);
        EXPECT_EQ(anotherUsersCopy(db.folder()), "refused");
        InstanceLock second;
        EXPECT_EQ(second.Acquire(db.folder()), Result::HeldByOther);
    }
    EXPECT_EQ(anotherUsersCopy(db.folder()), "starts");
    EXPECT_FALSE(std::filesystem::exists(db.folder() + "/PraveltaKVT.lock"));
}

// A folder that cannot be opened cannot be locked: said as such, never taken as free.
TEST(InstanceLock, AFolderThatCannotBeOpenedIsNoLock) {
    TestDb db;
    InstanceLock lock;
    EXPECT_EQ(lock.Acquire(db.folder() + "/none"), Result::Impossible);
    EXPECT_EQ(lock.Acquire(db.path()), Result::Impossible);  // a file, not a folder
}
