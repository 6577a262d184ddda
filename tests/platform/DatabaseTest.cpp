#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <thread>

#include "platform/AppPath.h"
#include "platform/Database.h"
#include "platform/Runtime.h"
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

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// A kept handle is reused only for a file that has not changed for a second; tests of reuse
// let the file settle first.
void letTheFileSettle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
}

std::string companyName(const std::string& path) {
    Connection conn;
    conn.Open(path);
    Recordset rs;
    rs.Open("select valueFrom from defaultParameter where paramCd = 'cpyName'", conn);
    return rs.Fields(0).AsText();
}

void setCompanyName(const std::string& path, const std::string& name) {
    Connection conn;
    conn.Open(path);
    conn.Execute("update defaultParameter set valueFrom = ? where paramCd = 'cpyName'", {name});
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

}  // namespace

TEST(Connection, MissingFileIsAnErrorNamingItAndCreatesNothing) {
    TestDb db;
    const std::string missing = db.folder() + "/db/none.mdb";
    Connection conn;
    const std::string msg = errorOf([&] { conn.Open(missing); });
    EXPECT_NE(msg.find(missing), std::string::npos) << msg;
    EXPECT_FALSE(conn.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(Connection, FileThatIsNotADatabaseIsAnErrorNamingIt) {
    TestDb db;
    const std::string junk = db.folder() + "/db/junk.mdb";
    std::ofstream(junk) << "this is not a database file, just text that is long enough";
    Connection conn;
    const std::string msg = errorOf([&] { conn.Open(junk); });
    EXPECT_EQ(firstLine(msg), "数据库文件已损坏");
    EXPECT_NE(msg.find(junk), std::string::npos) << msg;
}

TEST(Connection, ProgramDatabaseIsFoundInTheProgramFolder) {
    TestDb db;
    EXPECT_EQ(DatabasePath(), db.folder() + "/db/db.mdb");
    Connection conn;
    OpenProgramDatabase(conn);
    EXPECT_TRUE(conn.IsOpen());
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

TEST(Connection, FailingStatementNamesTheStatement) {
    TestDb db;
    Connection conn;
    conn.Open(db.path());
    const std::string msg = errorOf([&] { conn.Execute("update nosuchtable set x = 1"); });
    EXPECT_NE(msg.find("nosuchtable"), std::string::npos) << msg;
    EXPECT_NE(msg.find(db.path()), std::string::npos) << msg;
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
    Connection holder, writer;
    holder.Open(db.path());
    writer.Open(db.path());
    holder.BeginTrans();
    holder.Execute("insert into baseData values(101, 1, 2003, 1, 5)");
    const std::string msg = errorOf([&] { writer.BeginTrans(); });
    EXPECT_EQ(firstLine(msg), "数据库正被其他程序使用，请稍后再试");
    EXPECT_NE(msg.find("locked"), std::string::npos) << msg;
    EXPECT_FALSE(writer.InTransaction());
    holder.RollbackTrans();
    EXPECT_EQ(db.scalar("select count(*) from baseData"), "0");
}

// Closed connections and their statements are kept for reuse; that must never show a
// replaced file's old contents or mix up two cursors on the same statement.
TEST(ConnectionReuse, AReplacedFileIsReadAfresh) {
    TestDb db;
    setCompanyName(db.path(), "old");
    const std::string copy = db.folder() + "/db/copy.mdb";
    std::filesystem::copy_file(db.path(), copy);
    setCompanyName(copy, "new");
    std::filesystem::rename(copy, db.path());
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

// The user reads the cause in Chinese first; SQLite's text and the statement follow on the
// second line, the statement shortened.
TEST(DbError, TheCauseComesFirstAndTheDetailSecond) {
    TestDb db;
    damageTable(db.path(), "baseItem");
    Connection conn;
    conn.Open(db.path());
    std::string msg = errorOf([&] {
        Recordset rs;
        rs.Open("select count(*) from baseItem", conn);
    });
    EXPECT_EQ(firstLine(msg), "数据库文件已损坏");
    EXPECT_NE(msg.find("malformed"), std::string::npos) << msg;

    conn.Execute("pragma query_only = 1");
    std::string longSql = "update defaultParameter set valueFrom = ? where paramCd = ?";
    for (int i = 0; i < 5; ++i) longSql += "\n  and paramCd <> 'zz'";
    longSql += " and 1 = 1";
    msg = errorOf([&] { conn.Execute(longSql, {std::string("x"), std::string("cpyName")}); });
    EXPECT_EQ(firstLine(msg), "数据库文件无法写入");
    EXPECT_NE(msg.find("readonly"), std::string::npos) << msg;
    EXPECT_NE(msg.find(db.path()), std::string::npos) << msg;
    EXPECT_EQ(msg.find("and 1 = 1"), std::string::npos) << msg;
    EXPECT_EQ(std::count(msg.begin(), msg.end(), '\n'), 1) << msg;
}

TEST(DbError, EachSqliteCodeHasItsCause) {
    const std::pair<int, DbFault> cases[] = {
        {SQLITE_BUSY, DbFault::Busy},
        {SQLITE_LOCKED_SHAREDCACHE, DbFault::Busy},
        {SQLITE_READONLY, DbFault::NotWritable},
        {SQLITE_IOERR_WRITE, DbFault::NotWritable},
        {SQLITE_FULL, DbFault::NotWritable},
        {SQLITE_CORRUPT, DbFault::Damaged},
        {SQLITE_NOTADB, DbFault::Damaged},
        {SQLITE_CONSTRAINT_UNIQUE, DbFault::Other},
    };
    for (const auto& [code, fault] : cases) EXPECT_EQ(DbError::FaultOf(code), fault) << code;
}

// Copying another database over the file (same inode, here also the same size, modification
// time and SQLite change counter) must not leave a kept handle showing the old contents.
TEST(ConnectionReuse, AFileCopiedOverInPlaceIsReadAfresh) {
    TestDb db;
    const std::string copy = db.folder() + "/db/copy.mdb";
    std::filesystem::copy_file(db.path(), copy);
    db.exec("update defaultParameter set valueFrom = 'old' where paramCd = 'cpyName'");
    setCompanyName(copy, "new");
    letTheFileSettle();
    EXPECT_EQ(companyName(db.path()), "old");  // leaves a kept handle on the settled file

    struct stat before {};
    ASSERT_EQ(::stat(db.path().c_str(), &before), 0);
    {
        std::ifstream in(copy, std::ios::binary);
        std::fstream out(db.path(), std::ios::in | std::ios::out | std::ios::binary);
        out << in.rdbuf();
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, db.path().c_str(), times, 0), 0);
    struct stat after {};
    ASSERT_EQ(::stat(db.path().c_str(), &after), 0);
    ASSERT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(after.st_size, before.st_size);

    EXPECT_EQ(companyName(db.path()), "new");
}

// A file left in write-ahead-log mode is switched to the rollback journal, so a kept handle
// holds no -wal or -shm file open.
TEST(ConnectionReuse, AKeptHandleKeepsNoJournalFilesOpen) {
    TestDb db;
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(db.path().c_str(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "pragma journal_mode = wal", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    letTheFileSettle();
    EXPECT_EQ(companyName(db.path()), "");
    EXPECT_FALSE(std::filesystem::exists(db.path() + "-wal"));
    EXPECT_FALSE(std::filesystem::exists(db.path() + "-shm"));
    EXPECT_EQ(db.scalar("pragma journal_mode"), "delete");
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
