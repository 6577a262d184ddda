#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <thread>

#include "platform/AppPath.h"
#include "platform/Runtime.h"
#include "platform/storage/Database.h"
#include "tests/support/AccessAcl.h"
#include "tests/support/AnotherUser.h"
#include "tests/support/TestDb.h"

using namespace platform;

namespace {

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e.what();
    }
    return "";
}

// A replaced file that looks settled to a rule that trusts file times: its times lie seconds
// back, as after a pause.
void letTheFileSettle(const std::string& path) {
    namespace fs = std::filesystem;
    fs::last_write_time(path, fs::last_write_time(path) - std::chrono::seconds(5));
}

std::string companyName(const std::string& path) {
    return QueryFile(path, "select valueFrom from defaultParameter where paramCd = 'cpyName'");
}

void setCompanyName(const std::string& path, const std::string& name) {
    Connection conn;
    conn.Open(path);
    conn.Execute("update defaultParameter set valueFrom = ? where paramCd = 'cpyName'", {name});
}

// Names the company "old" in the database and "new" in a copy beside it; returns the copy.
std::string oldAndNewCopy(const TestDb& db) {
    setCompanyName(db.path(), "old");
    const std::string copy = db.folder() + "/db/copy.mdb";
    std::filesystem::copy_file(db.path(), copy);
    setCompanyName(copy, "new");
    return copy;
}

// Overwrites the root page of a table with junk, as a failing disk would.
void damageTable(const std::string& path, const char* table) {
    Connection conn;
    conn.Open(path);
    Recordset rs;
    rs.Open("select rootpage from sqlite_master where name = ?", conn, {std::string(table)});
    const std::int64_t page = rs.Fields(0).AsInt();
    rs.Close();
    conn.Close();
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((page - 1) * 4096);
    file << std::string(4096, '\x5a');
}

// A copy of the database below the folder whose real path is `length` bytes long: folders of
// 100 letters, then a file name making up the rest.
std::string copyAtPathLength(const TestDb& db, const std::string& folder, std::size_t length) {
    namespace fs = std::filesystem;
    fs::create_directories(folder);
    std::string path = fs::canonical(folder).string();
    while (length - path.size() > 120) path += "/" + std::string(100, 'd');
    fs::create_directories(path);
    path += "/" + std::string(length - path.size() - 1, 'f');
    fs::copy_file(db.path(), path, fs::copy_options::overwrite_existing);
    return path;
}

}  // namespace

// SQLite opens the file through the folder the program holds, never by its whole path: a file
// whose real path is longer than SQLite's file layer takes (512 bytes with "-journal") opens and
// is written, also through a short symbolic link.
TEST(Connection, APathLongerThanSqliteTakesOpensThroughItsFolder) {
    TestDb db;
    const std::string link = db.folder() + "/short";
    for (const std::size_t length : {504u, 505u, 600u}) {
        SCOPED_TRACE(length);
        const std::string file = copyAtPathLength(db, db.folder() + "/deep", length);
        std::filesystem::remove(link);
        std::filesystem::create_symlink(std::filesystem::path(file).parent_path(), link);
        const std::string viaLink = link + "/" + std::filesystem::path(file).filename().string();
        for (const std::string& path : {file, viaLink}) {
            Connection conn;
            EXPECT_EQ(DatabaseFileProblem(path), "");
            EXPECT_NO_THROW({
                conn.Open(path);  // a write makes the journal beside the file
                conn.Execute("replace into baseData values(101, 1, 2003, 1, 5)");
            });
        }
    }
}

// Connections are shared without locks: a thread other than the first Open's may not open one.
TEST(Connection, AnOpenOnAnotherThreadIsRefused) {
    TestDb db;
    Connection first;
    first.Open(db.path());
    std::string error;
    bool opened = true;
    std::thread other([&] {
        Connection conn;
        error = errorOf([&] { conn.Open(db.path()); });
        opened = conn.IsOpen();
    });
    other.join();
    EXPECT_EQ(error, "程序内部错误：数据库只能在程序的主线程中使用，刚才的操作没有完成。");
    EXPECT_FALSE(opened);
    Connection again;
    EXPECT_NO_THROW(again.Open(db.path())) << "the first thread goes on opening";
}

TEST(Connection, MissingFileIsAnErrorNamingItAndCreatesNothing) {
    TestDb db;
    const std::string missing = db.folder() + "/db/none.mdb";
    Connection conn;
    const std::string msg = errorOf([&] { conn.Open(missing); });
    EXPECT_NE(msg.find(missing), std::string::npos) << msg;
    EXPECT_FALSE(conn.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(Connection, AFolderInPlaceOfTheFileIsNotADatabaseFile) {
    TestDb db;
    const std::string folder = db.folder() + "/db/folder.mdb";
    std::filesystem::create_directory(folder);
    Connection conn;
    EXPECT_EQ(errorOf([&] { conn.Open(folder); }), "不是数据库文件：" + folder);
}

TEST(Connection, FileThatIsNotADatabaseIsAnErrorNamingIt) {
    TestDb db;
    const std::string junk = db.folder() + "/db/junk.mdb";
    std::ofstream(junk) << "this is not a database file, just text that is long enough";
    Connection conn;
    const std::string msg = errorOf([&] { conn.Open(junk); });
    EXPECT_EQ(FirstLine(msg), "数据库文件已损坏");
    EXPECT_NE(msg.find(junk), std::string::npos) << msg;
}

TEST(Connection, ProgramDatabaseIsFoundInTheProgramFolder) {
    TestDb db;
    EXPECT_EQ(DatabasePath(), db.folder() + "/db/db.mdb");
    Connection conn;
    OpenProgramDatabase(conn);
    EXPECT_TRUE(conn.IsOpen());
}

// A save is durable when the commit returns: synchronous EXTRA (3) also syncs the folder after
// the journal is removed. Fresh and kept handles alike.
TEST(Connection, EveryConnectionSyncsItsCommitsWithTheFolder) {
    TestDb db;
    for (int open = 0; open < 2; ++open) {
        Connection conn;
        OpenProgramDatabase(conn);
        Recordset rs;
        rs.Open("pragma synchronous", conn);
        EXPECT_EQ(rs.Fields(0).AsText(), "3") << "open " << open;
    }
}

namespace {

// The whole file as read through `fd`, a descriptor of the test's own.
std::string contentsAt(int fd) {
    std::string bytes;
    char buffer[65536];
    for (ssize_t n; (n = ::pread(fd, buffer, sizeof buffer, off_t(bytes.size()))) > 0;)
        bytes.append(buffer, std::size_t(n));
    return bytes;
}

}  // namespace

// A transaction that outgrows the page cache writes nothing to the file before its commit: the
// pages it would spill would reach the file before the commit puts page 1 in the journal.
TEST(Connection, ATransactionLargerThanTheCacheWritesTheFileOnlyAtItsCommit) {
    TestDb db;
    const int fd = ::open(db.path().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::string before = contentsAt(fd);
    {
        Connection conn;
        OpenProgramDatabase(conn);
        conn.Execute("pragma cache_size = 5");
        Transaction transaction(conn);
        conn.Execute(
            "with recursive m(n) as (select 0 union all select n + 1 from m where n < 4999)"
            " insert into baseData(ItemID, PeriodType, Year, Period, Data)"
            " select 101, 4, 1000 + n / 12, n % 12 + 1, n from m");
        EXPECT_EQ(contentsAt(fd), before);
        transaction.Commit();
    }
    EXPECT_NE(contentsAt(fd), before);
    ::close(fd);
}

TEST(Connection, BoundTextIsStoredExactlyAndChangesOnlyItsRow) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    const std::string name = "O'Brien 公司'; delete from baseItem; --";
    EXPECT_EQ(conn.Execute("update defaultParameter set valueFrom = ? where paramCd = ?",
                           {name, std::string("CPYNAME")}),
              1);
    EXPECT_EQ(db.scalar("select valueFrom from defaultParameter where paramCd='cpyName'"), name);
    EXPECT_EQ(db.scalar("select valueFrom from defaultParameter where paramCd='loginPwd'"),
              "123456");
    EXPECT_EQ(db.scalar("select count(*) from baseItem"), "34");
}

TEST(Connection, OnlyOneStatementPerCall) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    EXPECT_THROW(conn.Execute("delete from baseData; delete from baseItem"), DbError);
    EXPECT_EQ(db.scalar("select count(*) from baseItem"), "34");
    EXPECT_NO_THROW(conn.Execute("delete from baseData ; "));
}

TEST(Recordset, WalksForwardWithFieldsByNameInAnyCase) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    Recordset rs;
    rs.Open("select ItemId, ItemName, Unit from baseItem where Category = ? order by ItemId", conn,
            {std::int64_t(3)});
    std::vector<std::int64_t> ids;
    for (; !rs.Eof(); rs.MoveNext()) ids.push_back(rs.Fields("itemid").AsInt());
    EXPECT_EQ(ids, (std::vector<std::int64_t>{301, 302, 303, 304}));
    EXPECT_THROW(rs.MoveNext(), DbError);
    EXPECT_THROW(rs.Fields(0), DbError);
}

TEST(Recordset, NullAndUnknownFields) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    Recordset rs;
    rs.Open("select Weight, ItemName from indicatorItem where ItemID = 1001", conn);
    ASSERT_FALSE(rs.Eof());
    EXPECT_TRUE(rs.Fields("WEIGHT").IsNull());
    EXPECT_EQ(rs.Fields("weight").AsText(), "");
    EXPECT_THROW(rs.Fields("weight").AsDouble(), RuntimeError);
    EXPECT_FALSE(rs.Fields(1).IsNull());
    EXPECT_THROW(rs.Fields("nosuch"), DbError);
}

// The numbers read straight from a column are those its Field gives, errors included, for every
// kind of value a column may hold.
TEST(Recordset, NumbersReadFromAColumnAreThoseOfItsField) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    Recordset rs;
    rs.Open("select 7, -2.75, 1e300, ' 12.5 ', 'x', null, 9007199254740993", conn);
    ASSERT_FALSE(rs.Eof());
    auto outcome = [](const std::function<double()>& read) {
        try {
            return std::to_string(read());
        } catch (const RuntimeError& e) {
            return std::string("error: ") + e.what();
        }
    };
    for (int i = 0; i < rs.FieldCount(); ++i) {
        const Field f = rs.Fields(i);
        EXPECT_EQ(outcome([&] { return rs.AsDouble(i); }), outcome([&] { return f.AsDouble(); }))
            << i;
        EXPECT_EQ(outcome([&] { return double(rs.AsInt(i) - 9007199254740992); }),
                  outcome([&] { return double(f.AsInt() - 9007199254740992); }))
            << i;
    }
    EXPECT_THROW(rs.AsInt(rs.FieldCount()), DbError);
    EXPECT_THROW(rs.AsDouble(-1), DbError);
    rs.MoveNext();
    EXPECT_THROW(rs.AsInt(0), DbError);
}

TEST(Recordset, EmptyResultIsAtEndAtOnce) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    Recordset rs;
    rs.Open("select * from baseData", conn);
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(rs.FieldCount(), 5);
}

TEST(Transaction, RollbackUndoesEveryStatement) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    conn.BeginTrans();
    conn.Execute("insert into baseData values(101, 1, 2003, 1, 5)");
    conn.Execute("update defaultParameter set valueFrom = 'x' where paramCd = 'cpyName'");
    conn.RollbackTrans();
    EXPECT_EQ(db.scalar("select count(*) from baseData"), "0");
    EXPECT_EQ(db.scalar("select valueFrom from defaultParameter where paramCd='cpyName'"), "");
}

TEST(Transaction, GuardRollsBackUnlessCommittedEvenAfterAFailedStatement) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    try {
        Transaction t(conn);
        conn.Execute("insert into baseData values(101, 1, 2003, 1, 5)");
        conn.Execute("insert into baseData values(101, 1, 2003, 1, 6)");  // unique key
        t.Commit();
        FAIL() << "duplicate key accepted";
    } catch (const DbError&) {
    }
    EXPECT_FALSE(conn.InTransaction());
    EXPECT_EQ(db.scalar("select count(*) from baseData"), "0");
    {
        Transaction t(conn);
        conn.Execute("insert into baseData values(101, 1, 2003, 1, 5)");
        t.Commit();
    }
    EXPECT_EQ(db.scalar("select Data from baseData"), "5");
}

TEST(Transaction, NonNumericAmountIsRefusedByTheSchema) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    EXPECT_THROW(conn.Execute("insert into baseData values(101, 1, 2003, 1, 'abc')"), DbError);
    EXPECT_NO_THROW(conn.Execute("insert into baseData values(101, 1, 2003, 1, '12.5')"));
    EXPECT_EQ(db.scalar("select typeof(Data) from baseData"), "real");
}

TEST(Transaction, LockedDatabaseIsAnErrorAndChangesNothing) {
    TestDb db;
    BusyWait shortWait;
    Connection holder, writer;
    holder.Open(db.path());
    writer.Open(db.path());
    holder.BeginTrans();
    holder.Execute("insert into baseData values(101, 1, 2003, 1, 5)");
    const std::string msg = errorOf([&] { writer.BeginTrans(); });
    EXPECT_EQ(msg, db.message("数据库正被其他程序使用，请稍后再试"));
    EXPECT_FALSE(writer.InTransaction());
    holder.RollbackTrans();
    EXPECT_EQ(db.scalar("select count(*) from baseData"), "0");
}

// The busy wait set is the one of every connection opened afterwards, a kept handle's too; the
// program's is 2 seconds.
TEST(Transaction, TheBusyWaitSetHoldsForNewAndKeptConnections) {
    TestDb db;
    for (const int ms : {2000, 1500, 100, 2000}) {
        std::optional<BusyWait> wait;
        if (ms != 2000) wait.emplace(ms);
        EXPECT_EQ(db.scalar("pragma busy_timeout"), std::to_string(ms));
    }
}

// Another program holding the file for a moment (its own save) is waited for, for as long as
// the wait set.
TEST(Transaction, ADatabaseHeldForAMomentIsWaitedFor) {
    TestDb db;
    BusyWait wait(1500);
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(db.path().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(holder, "commit", nullptr, nullptr, nullptr);
    });
    Connection writer;
    EXPECT_NO_THROW({
        writer.Open(db.path());
        writer.Execute("insert into baseData values(101, 1, 2003, 1, 5)");
    });
    release.join();
    sqlite3_close(holder);
    EXPECT_EQ(db.scalar("select count(*) from baseData"), "1");
}

// Closed connections and their statements are kept for reuse; that must never show a
// replaced file's old contents or mix up two cursors on the same statement.
TEST(ConnectionReuse, AReplacedFileIsReadAfresh) {
    TestDb db;
    std::filesystem::rename(oldAndNewCopy(db), db.path());
    EXPECT_EQ(companyName(db.path()), "new");
}

TEST(ConnectionReuse, TwoCursorsOnTheSameTextWalkIndependently) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    const std::string sql = "select ItemId from baseItem where Category = ? order by ItemId";
    Recordset a, b;
    a.Open(sql, conn, {std::int64_t(3)});
    b.Open(sql, conn, {std::int64_t(2)});
    EXPECT_EQ(a.Fields(0).AsInt(), 301);
    EXPECT_EQ(b.Fields(0).AsInt(), 201);
    a.MoveNext();
    EXPECT_EQ(a.Fields(0).AsInt(), 302);
    b.Close();
    Recordset c;
    c.Open(sql, conn, {std::int64_t(4)});
    EXPECT_EQ(c.Fields(0).AsInt(), 401);
    a.MoveNext();
    EXPECT_EQ(a.Fields(0).AsInt(), 303);
}

TEST(ConnectionReuse, ACursorMayOutliveItsConnectionsClose) {
    TestDb db;
    Recordset rs;
    {
        Connection conn;
        conn.Open(db.path());
        rs.Open("select ItemId from baseItem order by ItemId", conn);
        conn.Close();
        EXPECT_EQ(rs.Fields(0).AsInt(), 101);
        rs.Close();
    }
    for (int i = 0; i < 10; ++i) {
        Connection conn;
        conn.Open(db.path());
        EXPECT_EQ(conn.Execute("update baseItem set Unit = Unit where ItemId = 101"), 1);
    }
}

// The user reads the cause in Chinese and the file; SQLite's text and the statement are for
// the developer only.
TEST(DbError, TheBoxSaysTheCauseAndTheFileOnly) {
    TestDb db;
    damageTable(db.path(), "baseItem");
    Connection conn;
    conn.Open(db.path());
    EXPECT_EQ(errorOf([&] {
                  Recordset rs;
                  rs.Open("select count(*) from baseItem", conn);
              }),
              db.message("数据库文件已损坏"));
    conn.Execute("pragma query_only = 1");
    EXPECT_EQ(errorOf([&] { conn.Execute("update defaultParameter set valueFrom = 'x'"); }),
              db.message("数据库文件无法写入"));
    EXPECT_EQ(errorOf([&] { conn.Execute("update nosuchtable set x = 1"); }),
              db.message("语句无法执行"));
    EXPECT_EQ(errorOf([&] { conn.Execute("select ?", {}); }), "参数个数不符");
}

// A full disk, a file replaced while open, a file or a folder the user may not write: each is
// named as it is, so that the user knows what to mend.
TEST(DbError, TheCausesAUserCanMendAreToldApart) {
    TestDb db;
    const std::string save =
        "update defaultParameter set valueFrom = 'x' where paramCd = 'cpyName'";
    {
        Connection conn;
        conn.Open(db.path());
        Recordset pages;
        pages.Open("pragma page_count", conn);
        conn.Execute("pragma max_page_count = " + pages.Fields(0).AsText());
        pages.Close();
        EXPECT_EQ(errorOf([&] {
                      conn.Execute("update defaultParameter set paramDesc = ?",
                                   {std::string(100000, 'x')});
                  }),
                  db.message("磁盘空间不足"));
    }
    {
        Connection conn;
        conn.Open(db.path());
        std::filesystem::remove(db.path());
        EXPECT_EQ(errorOf([&] { conn.Execute(save); }),
                  db.message("数据库文件已被替换或删除，请重新操作"));
    }
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    struct Case {
        mode_t folderMode;
        uid_t fileOwner;
        const char* cause;
    };
    for (const Case& c : {Case{0777, 0, "数据库文件无法写入"},
                          Case{0755, kAnotherUser, "数据库文件所在的文件夹无法写入"}}) {
        TestDb other;
        ASSERT_EQ(::chmod(other.folder().c_str(), 0755), 0);
        ASSERT_EQ(::chmod((other.folder() + "/db").c_str(), c.folderMode), 0);
        ASSERT_EQ(::chown(other.path().c_str(), c.fileOwner, 0), 0);
        EXPECT_EQ(AsAnotherUser([&] {
                      Connection conn;
                      conn.Open(other.path());
                      return errorOf([&] { conn.Execute(save); });
                  }),
                  other.message(c.cause));
    }
}

TEST(DbError, EachSqliteCodeHasItsCause) {
    const std::pair<int, DbFault> cases[] = {
        {SQLITE_BUSY, DbFault::Busy},
        {SQLITE_LOCKED_SHAREDCACHE, DbFault::Busy},
        {SQLITE_READONLY_ROLLBACK, DbFault::NotWritable},
        {SQLITE_CANTOPEN, DbFault::CannotOpen},
        {SQLITE_IOERR_WRITE, DbFault::Io},
        {SQLITE_CORRUPT, DbFault::Damaged},
        {SQLITE_NOTADB, DbFault::Damaged},
        {SQLITE_CONSTRAINT_UNIQUE, DbFault::Other},
    };
    for (const auto& [code, fault] : cases) EXPECT_EQ(DbError::FaultOf(code), fault) << code;
}

// A backup copied back over the file in place keeps its inode (here also its size and
// modification time); SQLite itself sees the change counter differ and drops what a kept
// handle had read.
TEST(ConnectionReuse, ABackupCopiedBackInPlaceIsReadAfresh) {
    TestDb db;
    setCompanyName(db.path(), "backup");
    const std::string backup = db.folder() + "/db/backup.mdb";
    std::filesystem::copy_file(db.path(), backup);
    setCompanyName(db.path(), "later");
    EXPECT_EQ(companyName(db.path()), "later");  // leaves a kept handle

    struct stat before {};
    ASSERT_EQ(::stat(db.path().c_str(), &before), 0);
    {
        std::ifstream in(backup, std::ios::binary);
        std::fstream out(db.path(), std::ios::in | std::ios::out | std::ios::binary);
        out << in.rdbuf();
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, db.path().c_str(), times, 0), 0);
    struct stat after {};
    ASSERT_EQ(::stat(db.path().c_str(), &after), 0);
    ASSERT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(after.st_size, before.st_size);

    EXPECT_EQ(companyName(db.path()), "backup");
}

// A backup restored by rename while a window has the file open (say, waiting on a question):
// a save on the old file says so, and from then on the program reads and saves the new one.
TEST(ConnectionReuse, AHandleOpenAcrossAReplacementByRenameIsNotUsedAgain) {
    TestDb db;
    const std::string restored = oldAndNewCopy(db);
    {
        Connection conn;
        conn.Open(db.path());
        std::filesystem::rename(restored, db.path());
        letTheFileSettle(db.path());
        EXPECT_EQ(errorOf([&] {
                      conn.Execute(
                          "update defaultParameter set valueFrom = 'lost'"
                          " where paramCd = 'cpyName'");
                  }),
                  db.message("数据库文件已被替换或删除，请重新操作"));
    }
    EXPECT_EQ(companyName(db.path()), "new");
    setCompanyName(db.path(), "saved");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(db.path().c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(raw, "select valueFrom from defaultParameter where paramCd = 'cpyName'", -1,
                       &stmt, nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "saved");
    sqlite3_finalize(stmt);
    sqlite3_close(raw);
}

// A file left in write-ahead-log mode is switched to the rollback journal, so a kept handle
// holds no -wal or -shm file open.
TEST(ConnectionReuse, ADatabaseInWriteAheadLogModeIsNotOpened) {
    TestDb db;
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(db.path().c_str(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "pragma journal_mode = wal", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    const auto bytes = [&] {
        std::ifstream in(db.path(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = bytes();
    EXPECT_THROW(companyName(db.path()), DbError);
    EXPECT_FALSE(std::filesystem::exists(db.path() + "-wal"));
    EXPECT_FALSE(std::filesystem::exists(db.path() + "-shm"));
    EXPECT_EQ(bytes(), before);
}

// The statements kept per handle are bounded; the least recently used one goes first.
TEST(ConnectionReuse, KeptStatementsAreBoundedAndTheLeastRecentlyUsedGoesFirst) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    auto kept = [&] {
        std::set<std::string> texts;
        for (sqlite3_stmt* st = sqlite3_next_stmt(conn.Handle(), nullptr); st;
             st = sqlite3_next_stmt(conn.Handle(), st))
            texts.insert(sqlite3_sql(st));
        return texts;
    };
    const std::string often = "select count(*) from baseItem";
    for (int i = 0; i < 100; ++i) {
        conn.Execute("select " + std::to_string(i));
        conn.Execute(often);
    }
    const std::set<std::string> texts = kept();
    EXPECT_LE(texts.size(), 32u);
    EXPECT_TRUE(texts.count(often));
    EXPECT_TRUE(texts.count("select 99"));
    EXPECT_FALSE(texts.count("select 0"));
}

namespace {

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The file and its journal as a save left them in its middle, its changed pages in the file.
void leaveASaveInItsMiddle(const std::string& db) {
    const std::string copy = db + ".saving";
    std::filesystem::copy_file(db, copy);
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(copy.c_str(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "pragma cache_size = 1; begin", nullptr, nullptr, nullptr);
    for (int year = 1900; year < 1960; ++year)
        sqlite3_exec(raw,
                     ("insert into baseData select ItemId, 4, " + std::to_string(year) +
                      ", 1, 7 from baseItem")
                         .c_str(),
                     nullptr, nullptr, nullptr);
    const std::string file = fileBytes(copy), journal = fileBytes(copy + "-journal");
    sqlite3_close(raw);  // rolls the copy back: only the bytes taken above matter
    std::filesystem::remove(copy);
    ASSERT_FALSE(journal.empty());
    std::ofstream(db, std::ios::binary | std::ios::trunc) << file;
    std::ofstream(db + "-journal", std::ios::binary) << journal;
}

}  // namespace

// What keeps a reader from the file is told as such: a journal another program left (a viewer
// only read), and a file the user may not read.
TEST(Connection, AReaderIsToldWhatKeepsItFromTheFile) {
    TestDb db;
    SetViewOnly(true);
    leaveASaveInItsMiddle(db.path());
    const std::string journalLeft = errorOf([&] {
        Connection conn;
        conn.Open(db.path());
        conn.Execute("select count(*) from baseData");
    });
    SetViewOnly(false);
    EXPECT_EQ(journalLeft.rfind("数据库文件旁有另一个程序未完成的保存所留下的日志文件", 0), 0u)
        << journalLeft;
    if (!CanActAsAnotherUser()) return;
    ASSERT_EQ(::chmod(db.path().c_str(), 0660) | ::chmod(db.folder().c_str(), 0755), 0);
    // What would let the user read it: the group that may, or else its owner.
    for (const auto& [group, fix] : {std::pair{gid_t(3007), "usermod -aG 3007 nobody"},
                                     {gid_t(0), "只有 root 能改变数据库文件的访问权限"}}) {
        ASSERT_EQ(::chown(db.path().c_str(), 0, group), 0);
        const std::string said = AsAnotherUser([&] { return DatabaseFileProblem(db.path()); });
        EXPECT_NE(said.find("没有读取这个文件的权限\n解决办法："), std::string::npos) << said;
        EXPECT_NE(said.find(fix), std::string::npos) << said;
    }
}

// A save's journal has the database's owner (root saving), group, mode and ACL from its first
// byte; a maker outside the database's group leaves its own group nothing and gives the database's
// group its rights by a named ACL entry, or, without ACLs (ramfs), refuses the save unwritten.
TEST(Connection, ASavesJournalLetsNoOneMoreThanTheDatabase) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    constexpr uid_t N = kAnotherUser;  // not in the database's group, users (100)
    const std::string groupNothing = Letting(AclLetting(N, 6), 2, 0);
    const struct {
        uid_t saver;
        bool ramfs;
        std::string acl;         // the database's
        std::string journal;     // its access (AccessOf), or how what the save says begins and ends
        bool emptyLeft = false;  // an empty journal of the saver's, mode 0600, there before
    } rows[] = {
        {0, false, groupNothing, "0 100 660 u::6,u:65534:6,g::0,m::6,o::0"},
        {0, false, groupNothing, "0 100 660 u::6,u:65534:6,g::0,m::6,o::0", true},
        {N, false, AclLetting(N, 6), "65534 65534 660 u::6,u:65534:6,g::0,g:100:6,m::6,o::0"},
        {N, true, "",
         "没有保存，数据库文件没有任何改动…解决办法：请管理员执行 chmod g+s $db，此后新建的日志"
         "文件属于组 users；或执行 usermod -aG users nobody（重新登录后生效）"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.journal);
        TestDb db;
        const std::string folder = db.folder() + "/db", journal = db.path() + "-journal";
        const std::string bytes = fileBytes(db.path());
        ASSERT_EQ(::chmod(db.folder().c_str(), 0755), 0);
        const std::unique_ptr<const char, void (*)(const char*)> unmount(
            row.ramfs ? folder.c_str() : nullptr,
            [](const char* at) { ::umount2(at, MNT_DETACH); });
        if (row.ramfs) {
            std::filesystem::remove(db.path());
            ASSERT_EQ(::mount("ramfs", folder.c_str(), "ramfs", 0, "mode=0755"), 0);
            std::ofstream(db.path(), std::ios::binary) << bytes;
        }
        ASSERT_EQ(::chown(db.path().c_str(), row.ramfs ? N : 0, 100) |
                      ::chown(folder.c_str(), row.ramfs ? N : 0, row.ramfs ? 100 : 0) |
                      ::chmod(db.path().c_str(), 0660),
                  0);
        ASSERT_TRUE(row.ramfs ||
                    (SetAccessAcl(db.path(), row.acl) && SetAccessAcl(folder, AclLetting(N, 7))));
        if (row.emptyLeft) std::ofstream{journal}, ::chmod(journal.c_str(), 0600);
        // The save in its middle: its journal made, written and open.
        const HeldByUser saving(row.saver, row.saver, [&] {
            auto* conn = new Connection;  // left open while the save is held
            conn->Open(db.path());
            conn->BeginTrans();
            return errorOf([&] { conn->Execute("update defaultParameter set valueFrom = 'x'"); });
        });
        const std::string said = saving.result().empty() ? AccessOf(journal) : saving.result();
        std::string expected = row.journal;
        if (const std::size_t at = expected.find("$db"); at != std::string::npos)
            expected.replace(at, 3, folder);
        const std::size_t gap = std::min(expected.find("…"), expected.size());
        EXPECT_TRUE(said.starts_with(expected.substr(0, gap)) &&
                    said.ends_with(expected.substr(std::min(gap + 3, expected.size()))))
            << said;
        EXPECT_EQ(fileBytes(db.path()), bytes);
    }
}
