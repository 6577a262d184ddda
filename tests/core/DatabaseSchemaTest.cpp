#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "db/DatabaseSchema.h"
#include "platform/storage/DatabasePlace.h"
#include "tests/support/TestDb.h"

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string allRows(const TestDb& db) {
    platform::Connection conn;
    conn.Open(db.path());
    platform::Recordset rs;
    rs.Open("select ItemID, PeriodType, Year, Period, Data from baseData order by 1, 2, 3, 4",
            conn);
    std::string rows;
    for (; !rs.Eof(); rs.MoveNext())
        for (int i = 0; i < 5; ++i) rows += rs.Fields(i).AsText() + (i < 4 ? " " : "\n");
    return rows;
}

// The statement the data-access object loads a period range with.
const char* kRangeLoad =
    "explain query plan select B.ItemID, B.Year , B.Period ,B.Data  From baseData B where "
    " B.periodType = 4 and (B.Year > 1999 or(B.Year = 1999 and B.Period >= 12))  and (B.Year"
    " < 2001 or(B.Year = 2001 and B.Period  <= 12)) order by B.Year ,B.Period ,B.ItemID ";

// Every row of every table, each value quoted by SQLite (type and bytes, reals to the bit).
std::map<std::string, std::vector<std::string>> everyRow(const TestDb& db) {
    platform::Connection conn;
    conn.Open(db.path());
    std::map<std::string, std::vector<std::string>> rows;
    for (const char* table : {"defaultParameter", "baseItem", "baseData", "indicatorItem"}) {
        platform::Recordset rs;
        rs.Open(std::string("select * from ") + table + " order by rowid", conn);
        for (; !rs.Eof(); rs.MoveNext()) {
            std::string row;
            for (int i = 0; i < rs.FieldCount(); ++i) {
                platform::Recordset q;
                q.Open("select quote(?)", conn, {rs.Fields(i).Value()});
                row += q.Fields(0).AsText() + " ";
            }
            rows[table].push_back(row);
        }
    }
    return rows;
}

// Replaces every whole occurrence of `from` in each row by `to`.
void replaceAll(std::vector<std::string>& rows, const std::string& from, const std::string& to) {
    for (std::string& row : rows)
        for (std::size_t at = 0; (at = row.find(from, at)) != std::string::npos; at += to.size())
            row.replace(at, from.size(), to);
}

}  // namespace

// A version-1 database still labels money "元" and per-person amounts "元/人": the upgrade
// changes exactly those units and leaves entered data, levels, settings and other units as
// they were, to the byte.
TEST(DatabaseSchema, AVersionOneDatabaseGetsItsMoneyUnitsInTenThousandsAndNothingElse) {
    TestDb db;
    db.exec("update baseItem set Unit = substr(Unit, 2) where Unit like '万元%'");
    db.exec("update indicatorItem set Unit = substr(Unit, 2) where Unit like '万元%'");
    db.exec("update baseItem set Unit = '元 ' where ItemId = 111");  // not exactly a unit
    db.exec("update indicatorItem set Unit = '元' where ItemID = 2002");
    db.exec(
        "update indicatorItem set HistoryBestLevel = 12.5, StandardLevel = 0.1, Weight = 30 "
        "where ItemID in (1001, 4004)");
    db.exec("update defaultParameter set valueFrom = '元' where paramCd = 'cpyName'");
    db.putData(101, 1, 2003, 1, 1234.56);
    db.putData(409, 4, 2004, 12, 0.1 + 0.2);
    db.exec("pragma user_version = 1");
    auto expected = everyRow(db);
    replaceAll(expected["baseItem"], "'元' ", "'万元' ");
    replaceAll(expected["indicatorItem"], "'元' ", "'万元' ");
    replaceAll(expected["indicatorItem"], "'元/人' ", "'万元/人' ");

    platform::Connection conn;
    conn.Open(db.path());
    DatabaseSchema::Upgrade(conn);
    EXPECT_EQ(everyRow(db), expected);
    EXPECT_EQ(db.scalar("pragma user_version"), "2");
    EXPECT_EQ(db.scalar("select Unit from indicatorItem where ItemID = 4008"), "万元/人");
    EXPECT_EQ(db.scalar("select Unit from baseItem where ItemId = 111"), "元 ");
}

// A database made by an earlier build (no index, version 0) gets what is missing in one go;
// its rows stay as they were, and loading a range reads through the index.
TEST(DatabaseSchema, AnEarlierDatabaseIsBroughtUpToDateWithItsRowsUntouched) {
    TestDb db;
    db.putData(101, 4, 2000, 1, 12.5);
    db.putData(102, 3, 1999, 4, -3);
    db.exec("drop index baseData_period");
    db.exec("pragma user_version = 0");
    const std::string rows = allRows(db);
    platform::Connection conn;
    conn.Open(db.path());
    DatabaseSchema::Upgrade(conn);
    EXPECT_EQ(db.scalar("pragma user_version"), std::to_string(DatabaseSchema::kVersion));
    EXPECT_EQ(allRows(db), rows);
    platform::Recordset plan;
    plan.Open(kRangeLoad, conn);
    EXPECT_NE(plan.Fields("detail").AsText().find("USING INDEX baseData_period"), std::string::npos)
        << plan.Fields("detail").AsText();
    plan.Close();

    // Up to date or newer: nothing is written.
    db.exec("pragma user_version = 99");
    const std::string before = contents(db.path());
    DatabaseSchema::Upgrade(conn);
    EXPECT_EQ(contents(db.path()), before);
}

// The start-up check names what is wrong with a file and never changes it.
TEST(DatabaseSchema, AFileThatIsNotThisProgramsDatabaseIsNamedAndLeftAsItIs) {
    struct Case {
        const char* what;
        std::function<void(const TestDb&)> spoil;
        const char* mentions;
    };
    const Case cases[] = {
        {"sound", [](const TestDb&) {}, ""},
        {"text file",
         [](const TestDb& db) {
             std::ofstream(db.path(), std::ios::trunc) << std::string(3000, 'x');
         },
         "not a database"},
        {"missing table", [](const TestDb& db) { db.exec("drop table indicatorItem"); },
         "indicatorItem"},
        {"missing column",
         [](const TestDb& db) {
             db.exec("alter table baseItem rename to old");
             db.exec("create table baseItem(ItemId, ItemName, Category)");
         },
         "Unit"},
        {"damaged page",
         [](const TestDb& db) {
             std::fstream file(db.path(), std::ios::in | std::ios::out | std::ios::binary);
             file.seekp(4096 * 3);
             file << std::string(4096, '\x5a');
         },
         "malformed"},
    };
    for (const Case& c : cases) {
        TestDb db;
        c.spoil(db);
        const std::string before = contents(db.path());
        const std::string problem =
            DatabaseSchema::Problem(*platform::DatabasePlace::Of(db.path()));
        if (*c.mentions)
            EXPECT_NE(problem.find(c.mentions), std::string::npos) << c.what << ": " << problem;
        else
            EXPECT_EQ(problem, "") << c.what;
        EXPECT_EQ(contents(db.path()), before) << c.what;
        EXPECT_FALSE(std::filesystem::exists(db.path() + "-journal")) << c.what;
    }
}

// A file another program holds locked cannot be judged: that is said, not "damaged".
TEST(DatabaseSchema, AFileLockedByAnotherProgramIsNotCalledDamaged) {
    TestDb db;
    BusyWait shortWait;
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(db.path().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
    try {
        DatabaseSchema::Problem(*platform::DatabasePlace::Of(db.path()));
        ADD_FAILURE() << "a locked file was judged";
    } catch (const platform::DbError& e) {
        EXPECT_EQ(e.Fault(), platform::DbFault::Busy) << e.what();
    }
    sqlite3_exec(holder, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(DatabaseSchema::Problem(*platform::DatabasePlace::Of(db.path())), "");
}
