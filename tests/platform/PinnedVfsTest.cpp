// The file layer that opens the database's files only through a folder held open, on real files
// of a fresh folder: what it lets SQLite open and remove, and SQLite's saves and rollbacks there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "platform/storage/DatabasePlace.h"
#include "platform/storage/FileHelpers.h"
#include "platform/storage/PinnedVfs.h"
#include "tests/support/AnotherUser.h"
#include "tests/support/TestDb.h"

using platform::PinnedVfs;
using Step = PinnedVfs::Step;
namespace fs = std::filesystem;

namespace {

constexpr int kCreate = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A connection, through the pinned layer unless another is named.
struct Handle {
    explicit Handle(const std::string& name, int flags = kCreate, const char* vfs = nullptr) {
        rc = sqlite3_open_v2(name.c_str(), &db, flags, vfs ? vfs : PinnedVfs::Name());
    }
    ~Handle() { sqlite3_close(db); }
    // The first column of the last row ("" without one), or "error <code>".
    std::string operator()(const std::string& sql) const {
        std::string out;
        auto row = [](void* out, int, char** v, char**) {
            return *static_cast<std::string*>(out) = v[0] ? v[0] : "", 0;
        };
        const int rc = sqlite3_exec(db, sql.c_str(), row, &out, nullptr);
        return rc == SQLITE_OK ? out : "error " + std::to_string(rc);
    }
    sqlite3* db = nullptr;
    int rc;
};

// Plays another program that renames `from` to `to` (once) as SQLite's unix layer opens `to`
// (its system call "open"): just before the open, or just after it.
struct Swap {
    fs::path from, to;
    bool afterOpen;
} swap;
int openSwapping(const char* path, int flags, int mode) {
    const bool now = !swap.from.empty() && fs::path(path).filename() == swap.to.filename();
    if (now && !swap.afterOpen) fs::rename(std::exchange(swap.from, {}), swap.to);
    const int fd = ::open(path, flags, mode);
    if (now && swap.afterOpen) fs::rename(std::exchange(swap.from, {}), swap.to);
    return fd;
}
struct SwapAtSqliteOpen {
    explicit SwapAtSqliteOpen(const Swap& what) {
        swap = what;
        unix()->xSetSystemCall(unix(), "open",
                               reinterpret_cast<sqlite3_syscall_ptr>(&openSwapping));
    }
    ~SwapAtSqliteOpen() { unix()->xSetSystemCall(unix(), "open", nullptr); }
    static sqlite3_vfs* unix() { return sqlite3_vfs_find("unix"); }
};

// <tmp>/db held by an O_PATH descriptor, pinned with a guard that notes what it is asked
// ("AfterOpen db.mdb") and gives answer_'s word.
class PinnedVfsTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "kvt-vfs-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(name.data()));
        root_ = name;
        fs::create_directory(folder_ = root_ / "db");
        file_ = folder_ / "db.mdb";
        ASSERT_GE(fd_ = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC), 0);
        ASSERT_TRUE(
            PinnedVfs::Pin(fd_, [this](const std::string& file, int flags, Step step, int opened) {
                const char* steps[] = {"BeforeOpen ", "AfterOpen ", "Delete "};
                seen_.push_back(steps[int(step)] + file);
                return answer_ ? answer_(file, flags, step, opened) : SQLITE_OK;
            }));
    }
    void TearDown() override {
        PinnedVfs::Unpin(fd_);
        ::close(fd_);
        fs::remove_all(root_);
    }
    std::string in(const std::string& name = "db.mdb") const {
        return platform::ProcFdPath(fd_, name);
    }

    fs::path root_, folder_, file_;
    int fd_ = -1;
    std::vector<std::string> seen_;
    PinnedVfs::Guard answer_;
};

}  // namespace

// Another folder put in the pinned one's place gets nothing; the journal gets the database's
// mode and, where SQLite runs as root, its owner, which SQLite reads through /proc.
TEST_F(PinnedVfsTest, SavesInThePinnedFolderWhateverTakesItsName) {
    struct stat journal {};
    answer_ = [&](const std::string& file, int flags, Step step, int) {
        if (flags & SQLITE_OPEN_MAIN_JOURNAL && step == Step::AfterOpen)
            ::fstatat(fd_, file.c_str(), &journal, AT_SYMLINK_NOFOLLOW);
        return SQLITE_OK;
    };
    Handle db(in());
    for (const char* sql : {"pragma synchronous = extra", "pragma cache_spill = off",
                            "create table t(v)", "insert into t values ('a')"})
        ASSERT_EQ(db(sql), "") << sql;
    const uid_t owner = CanActAsAnotherUser() ? kAnotherUser : ::geteuid();
    const gid_t group = CanActAsAnotherUser() ? kAnotherUser : ::getegid();
    ASSERT_EQ(::chown(file_.c_str(), owner, group) | ::chmod(file_.c_str(), 0640), 0);
    fs::rename(folder_, root_ / "moved");
    fs::create_directory(folder_);
    ASSERT_EQ(Handle(file_, kCreate, "unix")("create table other(v)"), "");
    const std::string other = bytesOf(file_);

    EXPECT_EQ(db("insert into t values ('b')"), "");
    EXPECT_EQ(Handle(in())("select group_concat(v) from t"), "a,b");
    EXPECT_EQ(Handle(root_ / "moved/db.mdb", kCreate, "unix")("select count(*) from t"), "2");
    EXPECT_EQ(bytesOf(file_), other);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), {}), 1);
    EXPECT_EQ(journal.st_mode & 07777, 0640u);
    EXPECT_EQ(journal.st_uid, owner);
    EXPECT_EQ(journal.st_gid, group);
    PinnedVfs::Unpin(fd_);
    EXPECT_EQ(db("insert into t values ('c')"), "error 14");  // no journal
    std::vector<std::string> expected = {"BeforeOpen db.mdb", "AfterOpen db.mdb"};
    for (int save = 0; save < 3; ++save)
        for (const char* step : {"BeforeOpen ", "AfterOpen ", "Delete "})
            expected.push_back(step + std::string("db.mdb-journal"));
    expected.insert(expected.end(), {"BeforeOpen db.mdb", "AfterOpen db.mdb"});
    EXPECT_EQ(seen_, expected);
}

TEST_F(PinnedVfsTest, TakesOnlyANameOfOneFileInAPinnedFolder) {
    ASSERT_EQ(Handle(in())("create table t(v)"), "");
    fs::create_directory(folder_ / "a");
    fs::copy_file(file_, folder_ / "a/b");
    fs::create_symlink("db.mdb", folder_ / "link");
    EXPECT_EQ(Handle(in(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW).rc, SQLITE_OK);
    EXPECT_EQ(Handle(in("link")).rc, SQLITE_CANTOPEN);  // a link in the folder is not followed
    const int other = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::string fd = "/proc/self/fd/" + std::to_string(fd_);
    const std::string refused[] = {file_,
                                   platform::ProcFdPath(other, "db.mdb"),
                                   in("a/b"),
                                   in(".."),
                                   in("."),
                                   in(""),
                                   "/proc/self/fd/0" + fd.substr(14) + "/db.mdb",
                                   fd + "//db.mdb",
                                   fd + "/../db/db.mdb",
                                   fd,
                                   "db.mdb"};
    sqlite3_vfs* vfs = sqlite3_vfs_find(PinnedVfs::Name());
    for (const std::string& name : refused) {
        EXPECT_EQ(Handle(name, SQLITE_OPEN_READWRITE).rc, SQLITE_CANTOPEN) << name;
        int exists = -1;
        EXPECT_EQ(vfs->xAccess(vfs, name.c_str(), SQLITE_ACCESS_EXISTS, &exists), SQLITE_OK);
        EXPECT_EQ(exists, 0) << name;
        EXPECT_EQ(vfs->xDelete(vfs, name.c_str(), 1), SQLITE_IOERR_DELETE) << name;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), {}), 3);
    ASSERT_TRUE(PinnedVfs::Pin(other, nullptr));  // lets all through, a folder read too
    EXPECT_EQ(Handle(platform::ProcFdPath(other, "db.mdb"))("select count(*) from t"), "0");
    PinnedVfs::Unpin(other);
    ::close(other);
    EXPECT_FALSE(PinnedVfs::Pin(fd_, nullptr));  // pinned already: its guard stays
}

// The journal of a save killed as it removed the journal, with the record naming a super-journal
// of a save of several files added. Without the super-journal SQLite would not roll it back.
TEST_F(PinnedVfsTest, NeverOpensOrRemovesTheSuperJournalAHotJournalNames) {
    const fs::path outside = root_ / "outside", inside = folder_ / "super";
    const struct {
        std::string super, firstRead, thenRead;
    } rows[] = {
        {"", "before", "before"},
        {outside, "after", "after"},          // not there: the journal is removed unplayed
        {in("super"), "error 14", "before"},  // rolled back, the super-journal not opened
    };
    for (const auto& row : rows) {
        fs::remove(file_);
        {
            Handle db(in());
            ASSERT_EQ(db("create table t(v)"), "");
            ASSERT_EQ(db("insert into t values ('before')"), "");
            answer_ = [](auto&, int, Step s, int) {
                return s == Step::Delete ? SQLITE_IOERR : SQLITE_OK;
            };
            ASSERT_NE(db("update t set v = 'after'"), "");
        }
        answer_ = nullptr;
        auto be32 = [](std::uint32_t v) {
            return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        };
        std::uint32_t sum = 0;
        for (char c : row.super) sum += std::uint8_t(c);
        if (!row.super.empty())
            std::ofstream(folder_ / "db.mdb-journal", std::ios::app)
                << be32(0x40000000 / 4096 + 1) << row.super << be32(row.super.size()) << be32(sum)
                << "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7";
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        for (const fs::path& file : {outside, inside}) {
            std::ofstream(file) << "keep";
            ASSERT_GE(::inotify_add_watch(watch, file.c_str(), IN_ALL_EVENTS), 0);
        }
        Handle db(in());
        EXPECT_EQ(db("select v from t"), row.firstRead) << row.super;
        EXPECT_EQ(db("select v from t"), row.thenRead) << row.super;
        EXPECT_FALSE(fs::exists(folder_ / "db.mdb-journal")) << row.super;
        char events[4096];
        EXPECT_EQ(::read(watch, events, sizeof events), -1) << row.super;  // not opened
        ::close(watch);
        EXPECT_EQ(bytesOf(outside) + bytesOf(inside), "keepkeep") << row.super;
    }
}

// So does a name swapped for another file right after SQLite opened it: the file it opened is no
// longer the folder's.
TEST_F(PinnedVfsTest, ARefusalFailsTheOpenOrSaveAndLeavesNoDescriptorOpen) {
    ASSERT_EQ(Handle(in())("create table t(v)"), "");
    const struct {
        int file;  // refused at `step`; 0: none
        Step step;
        const char* swapped;  // the name swapped right after SQLite's open of it
        int openRc;
        const char* save;
    } rows[] = {
        {SQLITE_OPEN_MAIN_DB, Step::BeforeOpen, "", SQLITE_PERM, ""},
        {SQLITE_OPEN_MAIN_DB, Step::AfterOpen, "", SQLITE_PERM, ""},
        {SQLITE_OPEN_MAIN_JOURNAL, Step::BeforeOpen, "", SQLITE_OK, "error 3"},
        {SQLITE_OPEN_MAIN_JOURNAL, Step::AfterOpen, "", SQLITE_OK, "error 3"},
        {0, Step::AfterOpen, "db.mdb-journal", SQLITE_OK, "error 14"},
        {0, Step::AfterOpen, "db.mdb", SQLITE_CANTOPEN, ""},
    };
    auto descriptors = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.swapped);
        answer_ = [&](auto&, int flags, Step step, int) {
            return flags & row.file && step == row.step ? SQLITE_PERM : SQLITE_OK;
        };
        fs::copy_file(file_, folder_ / "other", fs::copy_options::overwrite_existing);
        const SwapAtSqliteOpen swapping({folder_ / "other", folder_ / row.swapped, true});
        const auto before = descriptors();
        {
            Handle db(in());
            EXPECT_EQ(db.rc, row.openRc);
            if (db.rc == SQLITE_OK) {
                EXPECT_EQ(db("insert into t values (1)"), row.save);
            }
        }
        EXPECT_EQ(descriptors(), before);
    }
}

TEST_F(PinnedVfsTest, RefusesAWriteAheadLog) {
    Handle writer(file_, kCreate, "unix");
    ASSERT_EQ(writer("pragma journal_mode = wal"), "wal");
    ASSERT_EQ(writer("create table t(v)"), "");
    const std::string log = bytesOf(folder_ / "db.mdb-wal");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(Handle(in())("select count(*) from t"), "error 14");
    EXPECT_EQ(bytesOf(folder_ / "db.mdb-wal"), log);
    EXPECT_EQ(seen_, (std::vector<std::string>{"BeforeOpen db.mdb", "AfterOpen db.mdb"}));
}

// The place's guard on a fresh database: a file planted beside it, or swapped in under a name as
// SQLite opens it, is neither written nor (where it was there before) opened, and the save
// fails; the database is never deleted.
TEST(DatabasePlaceGuard, WhatIsPlantedOrSwappedInIsNeitherWrittenNorOpened) {
    const struct {
        const char* what;
        bool link;         // the planted file: a second name of the victim, else a database
        const char* name;  // where it goes: at once, else as SQLite opens the name
        bool atOnce, emptyJournal;
        std::string rc;  // of the open, else what the save says
    } rows[] = {
        // clang-format off
        {"a journal with a second link, there before", true, "db.mdb-journal", true, false, "error 14"},
        {"a usable journal swapped as SQLite opens it", true, "db.mdb-journal", false, true, "error 14"},
        {"a journal planted after the program made it", true, "db.mdb-journal", false, false, "error 14"},
        {"the database replaced after the place was walked", false, "db.mdb", true, false, "14"},
        {"the database swapped as SQLite opens it", false, "db.mdb", false, false, "14"},
    };  // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TestDb db;
        const auto place = platform::DatabasePlace::Of(db.path());
        const fs::path folder = fs::path(db.path()).parent_path(), at = folder / row.name;
        const fs::path victim = fs::path(db.folder()) / "victim", planted = folder / "planted";
        const std::string before = bytesOf(db.path());
        std::ofstream(victim) << "keep";
        fs::permissions(victim, fs::status(db.path()).permissions());
        row.link ? fs::create_hard_link(victim, planted) : (void)fs::copy_file(db.path(), planted);
        if (row.emptyJournal) fs::copy_file(victim, at), fs::resize_file(at, 0);
        if (row.atOnce) fs::rename(planted, at);
        const SwapAtSqliteOpen swapping({row.atOnce ? "" : planted, at, false});
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ::inotify_add_watch(watch, at.c_str(), IN_OPEN);
        Handle handle(place->SqlitePath(), SQLITE_OPEN_READWRITE);
        EXPECT_EQ(handle.rc ? std::to_string(handle.rc)
                            : handle("update defaultParameter set valueFrom = 1"),
                  row.rc);
        char events[256];  // what was there before SQLite's open is not opened
        if (row.atOnce) EXPECT_EQ(::read(watch, events, sizeof events), -1);
        ::close(watch);
        EXPECT_EQ(bytesOf(victim), "keep");
        EXPECT_EQ(bytesOf(db.path()), before);
    }
    TestDb db;
    sqlite3_vfs* vfs = sqlite3_vfs_find(PinnedVfs::Name());
    const auto place = platform::DatabasePlace::Of(db.path());
    EXPECT_EQ(vfs->xDelete(vfs, place->SqlitePath().c_str(), 0), SQLITE_IOERR_DELETE);
    EXPECT_TRUE(fs::exists(db.path()));
}
