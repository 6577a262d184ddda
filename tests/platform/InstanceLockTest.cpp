#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/InstanceLock.h"
#include "tests/support/AnotherUser.h"
#include "tests/support/TestDb.h"

using platform::InstanceLock;

namespace {

// Whether a copy of another user could start on the folder now.
std::string anotherUsersCopy(const std::string& folder) {
    return AsAnotherUser([&] {
        InstanceLock lock;
        return std::string(lock.Acquire(folder) ? "starts" : "refused");
    });
}

}  // namespace

// In a shared program folder the lock file belongs to whoever started first; another user may
// only read it (here even with a strict umask at its making), and the lock still holds.
TEST(InstanceLock, HoldsAgainstAnotherUserWhoMayOnlyReadTheLockFile) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    TestDb db;
    ASSERT_EQ(::chmod(db.folder().c_str(), 0777), 0);
    {
        const mode_t umaskBefore = ::umask(077);
        InstanceLock mine;
        const bool taken = mine.Acquire(db.folder());
        ::umask(umaskBefore);
        ASSERT_TRUE(taken);
        EXPECT_EQ(anotherUsersCopy(db.folder()), "refused");
        InstanceLock second;
        EXPECT_FALSE(second.Acquire(db.folder()));
    }
    EXPECT_EQ(anotherUsersCopy(db.folder()), "starts");
}
