// The recovery's write lock, probed from another process: it holds from the first look at the
// journal until the journal is gone, whatever this process opens and closes meanwhile, and
// whatever another program does to the journal or the file in between.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "platform/storage/Database.h"
#include "platform/storage/DatabaseWriteLock.h"
#include "platform/storage/Folder.h"
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
        struct flock reserved = platform::LockRange(F_WRLCK, platform::kReservedByte, 1);
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

// Another program that waits up to two seconds for the file's exclusive lock, then holds it for
// `holdMs`; started once it is waiting. Returns its process.
pid_t anotherProgramTakingTheFileExclusively(const std::string& file, int holdMs) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        // Descriptors shared with the start would share its lock: another program has none.
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != ready[1]) ::close(fd);
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_busy_timeout(db, 2000);
        (void)!::write(ready[1], "w", 1);
        const bool taken = sqlite3_exec(db, "begin exclusive", nullptr, nullptr, nullptr) == 0;
        ::usleep(useconds_t(holdMs) * 1000);
        ::_exit(taken && sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == 0 ? 0 : 1);
    }
    ::close(ready[1]);
    char byte = 0;
    (void)!::read(ready[0], &byte, 1);
    ::close(ready[0]);
    return child;
}

}  // namespace

// What another program does to the journal or the file while the start recovers (here: while it
// checks the rolled-back copy) changes nothing: the file is rolled back all the same, and nothing
// waits for a FIFO or fails for a lock.
TEST(LeftoverJournal, WhatAnotherProgramDoesDuringTheRecoveryChangesNothing) {
    enum class Meddling { TakesTheJournal, PutsAFifoInItsPlace, TakesTheFileExclusively };
    for (const Meddling meddling : {Meddling::TakesTheJournal, Meddling::PutsAFifoInItsPlace,
                                    Meddling::TakesTheFileExclusively}) {
        SCOPED_TRACE(int(meddling));
        TestDb db;
        crashDuringASave(db.path());
        pid_t other = -1;
        const auto place = platform::DatabasePlace::Of(db.path());
        LeftoverJournal journal(*place, [&](const platform::DatabasePlace& copy) {
            const std::string name = db.path() + "-journal";
            if (meddling != Meddling::TakesTheFileExclusively) ::unlink(name.c_str());
            if (meddling == Meddling::PutsAFifoInItsPlace) ::mkfifo(name.c_str(), 0666);
            if (meddling == Meddling::TakesTheFileExclusively)
                other = anotherProgramTakingTheFileExclusively(db.path(), 300);
            return QueryFile(copy.File(), "pragma integrity_check") == "ok" ? "" : "damaged";
        });
        // The start's own waits are shorter than the other program holds the file.
        const int busyTimeout = platform::BusyTimeoutMs();
        platform::SetBusyTimeoutMs(100);
        EXPECT_NO_THROW(EXPECT_EQ(journal.Recover(100), LeftoverJournal::Outcome::RolledBack));
        platform::SetBusyTimeoutMs(busyTimeout);
        EXPECT_FALSE(journal.Present());
        if (other > 0) {
            int status = 0;
            ::waitpid(other, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        EXPECT_EQ(db.scalar("select count(*) from baseData"), "0");
        EXPECT_EQ(db.scalar("pragma integrity_check"), "ok");
    }
}

TEST(LeftoverJournal, NoOtherProcessMayWriteWhileTheRecoveryWorks) {
    TestDb db;
    crashDuringASave(db.path());
    bool probed = false;
    const auto place = platform::DatabasePlace::Of(db.path());
    LeftoverJournal journal(*place, [&](const platform::DatabasePlace& copy) {
        // The steps before opened and closed the file and the journal; so does this.
        ::close(::open(db.path().c_str(), O_RDONLY));
        EXPECT_FALSE(anotherProcessMayWrite(db.path()));
        probed = true;
        return QueryFile(copy.File(), "pragma integrity_check") == "ok" ? "" : "damaged";
    });
    ASSERT_TRUE(journal.Present());
    EXPECT_EQ(journal.Recover(100), LeftoverJournal::Outcome::RolledBack);
    EXPECT_TRUE(probed);
    EXPECT_FALSE(journal.Present());
    EXPECT_TRUE(anotherProcessMayWrite(db.path()));
    EXPECT_EQ(db.scalar("select count(*) from baseData"), "0");
}

// A database whose path is as long as SQLite takes (504 bytes) is recovered: the trial copy's
// path is the private folder's, whatever the database's.
TEST(LeftoverJournal, ADatabaseAtTheLongestPathSqliteTakesIsRecovered) {
    TestDb db;
    crashDuringASave(db.path());
    std::string folder = db.folder();
    while (folder.size() + 100 < 504 - std::strlen("/db.mdb")) {
        folder += "/" + std::string(90, 'f');
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    }
    folder += "/" + std::string(504 - std::strlen("/db.mdb") - folder.size() - 1, 'g');
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string file = folder + "/db.mdb";
    ASSERT_EQ(file.size(), 504u);
    ASSERT_EQ(::rename(db.path().c_str(), file.c_str()), 0);
    ASSERT_EQ(::rename((db.path() + "-journal").c_str(), (file + "-journal").c_str()), 0);

    const auto place = platform::DatabasePlace::Of(file);
    LeftoverJournal journal(*place, [](const platform::DatabasePlace& copy) {
        return QueryFile(copy.File(), "pragma integrity_check") == "ok" ? "" : "damaged";
    });
    EXPECT_NO_THROW(EXPECT_EQ(journal.Recover(100), LeftoverJournal::Outcome::RolledBack));
    EXPECT_EQ(QueryFile(file, "select count(*) from baseData"), "0");
}

// The file is made to hold exactly what it is to hold, however much shorter or longer it was.
TEST(DatabaseWriteLock, RewriteLeavesTheFileHoldingExactlyTheNewBytes) {
    constexpr std::size_t kPage = 512;
    const std::string after = std::string(kPage, 'a') + std::string(kPage, 'b') +
                              std::string(kPage, 'c') + std::string(kPage, 'd') + "tail";
    TestDb db;
    platform::Folder folder;
    ASSERT_EQ(folder.Open(db.folder()), 0);
    for (const std::string& before :
         {std::string(), after.substr(0, kPage), std::string(kPage / 2, 'x'),
          after + std::string(kPage, 'z')}) {
        SCOPED_TRACE(before.size());
        ASSERT_TRUE(std::ofstream(db.folder() + "/pages", std::ios::binary) << before);
        platform::DatabaseWriteLock lock;
        ASSERT_EQ(lock.Acquire(folder, "pages", 0), platform::DatabaseWriteLock::Result::Taken);
        EXPECT_NO_THROW(EXPECT_EQ(lock.Rewrite(before, after, kPage), 0));
        std::string bytes;
        EXPECT_TRUE(lock.ReadAll(bytes) == 0 && bytes == after);
    }
}
