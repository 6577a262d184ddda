#include "platform/Database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/AppPath.h"
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
    rs.Open("select ItemId, ItemName, Unit from baseItem where Category = ? order by ItemId",
            conn, {std::int64_t(3)});
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
    EXPECT_NE(msg.find("locked"), std::string::npos) << msg;
    EXPECT_FALSE(writer.InTransaction());
    holder.RollbackTrans();
    EXPECT_EQ(db.scalar("select count(*) from baseData"), "0");
}

// Closed connections and their statements are kept for reuse; that must never show a
// replaced file's old contents or mix up two cursors on the same statement.
TEST(ConnectionReuse, AReplacedFileIsReadAfresh) {
    TestDb db;
    {
        Connection conn;
        conn.Open(db.path());
        conn.Execute("update defaultParameter set valueFrom = 'old' where paramCd = 'cpyName'");
    }
    const std::string copy = db.folder() + "/db/copy.mdb";
    std::filesystem::copy_file(db.path(), copy);
    {
        Connection conn;
        conn.Open(copy);
        conn.Execute("update defaultParameter set valueFrom = 'new' where paramCd = 'cpyName'");
    }
    std::filesystem::rename(copy, db.path());
    Connection conn;
    conn.Open(db.path());
    Recordset rs;
    rs.Open("select valueFrom from defaultParameter where paramCd = 'cpyName'", conn);
    EXPECT_EQ(rs.Fields(0).AsText(), "new");
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
