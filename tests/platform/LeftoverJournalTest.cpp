// The recovery's write lock, probed from another process: it holds from the first look at the
// journal until SQLite rolls the file back, whatever this process opens and closes meanwhile.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/storage/LeftoverJournal.h"
#include "platform/storage/LockBytes.h"
#include "tests/support/TestDb.h"

using platform::LeftoverJournal;

namespace {

// Whether another process could start a write: lock the reserved byte, as an SQLite writer does.
bool anotherProcessMayWrite(const std::string& file) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(file.c_str(), O_RDWR);
        struct flock reserved {};
        reserved.l_type = F_WRLCK;
        reserved.l_whence = SEEK_SET;
        reserved.l_start = platform::kReservedByte;
        reserved.l_len = 1;
        ::_exit(fd >= 0 && ::fcntl(fd, F_SETLK, &reserved) == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A save killed in its middle, its changed pages spilled into the file: a hot journal.
void crashDuringASave(const std::string& file) {
    const pid_t child = ::fork();
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db,
                     "pragma cache_size = 1; begin;"
                     "with recursive m(n) as (select 0 union all select n + 1 from m where n < 99)"
                     " insert into baseData select ItemId, 4, 1900 + n / 12, n % 12 + 1, n"
                     " from baseItem, m;",
                     nullptr, nullptr, nullptr);
        ::kill(::getpid(), SIGKILL);
    }
    ::waitpid(child, nullptr, 0);
}

}  // namespace

TEST(LeftoverJournal, NoOtherProcessMayWriteWhileTheRecoveryWorks) {
    TestDb db;
    crashDuringASave(db.path());
    bool probed = false;
    LeftoverJournal journal(db.path(), [&](const std::string& copy) {
        // The steps before opened and closed the file and the journal; so does this.
        ::close(::open(db.path().c_str(), O_RDONLY));
        EXPECT_FALSE(anotherProcessMayWrite(db.path()));
        probed = true;
        return QueryFile(copy, "pragma integrity_check") == "ok" ? "" : "damaged";
    });
    ASSERT_TRUE(journal.Present());
    EXPECT_EQ(journal.Recover(100), LeftoverJournal::Outcome::RolledBack);
    EXPECT_TRUE(probed);
    EXPECT_FALSE(journal.Present());
    EXPECT_TRUE(anotherProcessMayWrite(db.path()));
    EXPECT_EQ(db.scalar("select count(*) from baseData"), "0");
}
