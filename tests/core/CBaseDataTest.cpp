#include "core/CBaseData.h"

#include <gtest/gtest.h>

#include "platform/storage/Database.h"
#include "tests/support/TestDb.h"

TEST(CBaseData, SelectTextSplitsTheRangeIntoFirstMiddleAndLastYear) {
    CBaseData b;
    EXPECT_EQ(b.getBaseDataSelectSql(101, 3, 2003, 2005, 3, 1),
              "select ItemID,PeriodType,Year,Period,Data from baseData where ItemID =  101 and "
              "PeriodType =  3 and ((Year =  2003 and Period >=  3) or year =  2004 or (Year =  "
              "2005 and Period <=  1)) order by Year,Period");
    EXPECT_EQ(b.getBaseDataSelectSql(201, 4, 2003, 2003, 2, 7),
              "select ItemID,PeriodType,Year,Period,Data from baseData where ItemID =  201 and "
              "PeriodType =  4 and Year =  2003 and Period >=  2 and Period <=  7 order by "
              "Year,Period");
    EXPECT_EQ(b.getBaseDataSelectSql(101, 1, 2003, 2004, 1, 1),
              "select ItemID,PeriodType,Year,Period,Data from baseData where ItemID =  101 and "
              "PeriodType =  1 and ((Year =  2003 and Period >=  1) or (Year =  2004 and Period "
              "<=  1)) order by Year,Period");
}

TEST(CBaseData, InsertAndDeleteTexts) {
    CBaseData b;
    EXPECT_EQ(b.getBaseDataInsertSql(108, 2, 2003, 1, "1234.5"),
              "insert into baseData(ItemID,PeriodType,Year,Period,Data) values( 108, 2, 2003, "
              "1,1234.5)");
    EXPECT_EQ(b.getBaseDataInsertSql(108, 1, -5, 1, "-3"),
              "insert into baseData(ItemID,PeriodType,Year,Period,Data) values( 108, 1,-5, 1,-3)");
    EXPECT_EQ(b.getBaseDataDeleteSql(2, 4, 2003, 2004, 11, 2),
              "delete from baseData where ItemID in (select ItemID from baseItem where Category "
              "=  2)  and PeriodType =  4 and ((Year =  2003 and Period >=  11) or (Year =  2004 "
              "and Period <=  2))");
}

// The texts must run on the database as built and touch exactly the rows of their range.
TEST(CBaseData, TextsRunOnTheDatabase) {
    TestDb db;
    for (int y = 2002; y <= 2006; ++y)
        for (int q = 1; q <= 4; ++q) {
            db.putData(101, 3, y, q, y * 10 + q);
            db.putData(201, 3, y, q, 1);
        }
    db.putData(101, 4, 2004, 1, 7);
    CBaseData b;
    platform::Connection conn;
    conn.Open(db.path());
    platform::Recordset rs;
    rs.Open(b.getBaseDataSelectSql(101, 3, 2003, 2005, 3, 1), conn);
    std::vector<double> got;
    for (; !rs.Eof(); rs.MoveNext()) got.push_back(rs.Fields("data").AsDouble());
    EXPECT_EQ(got, (std::vector<double>{20033, 20034, 20041, 20042, 20043, 20044, 20051}));

    conn.Execute(b.getBaseDataInsertSql(102, 3, 2003, 3, "-12.25"));
    EXPECT_EQ(db.scalar("select Data from baseData where ItemID = 102"), "-12.25");
    EXPECT_EQ(conn.Execute(b.getBaseDataDeleteSql(1, 3, 2003, 2005, 3, 1)), 8);
    EXPECT_EQ(db.scalar("select count(*) from baseData where ItemID in (101, 102) and "
                        "PeriodType = 3"),
              "13");
    EXPECT_EQ(db.scalar("select count(*) from baseData where ItemID = 201"), "20");
    EXPECT_EQ(db.scalar("select count(*) from baseData where PeriodType = 4"), "1");
}

TEST(CBaseData, GetIndexFindsTheLastMatchWithinAmount) {
    std::vector<PeriodRow> rows(201);
    for (int i = 0; i < 7; ++i) rows[i] = {static_cast<std::int16_t>(2003 + i), 1};
    rows[9] = {2020, 1};
    CBaseData b;
    EXPECT_EQ(b.getIndex(rows, 7, 1, 2003, 1), 1);
    EXPECT_EQ(b.getIndex(rows, 7, 1, 2009, 1), 7);
    EXPECT_EQ(b.getIndex(rows, 7, 1, 2010, 1), -1);
    EXPECT_EQ(b.getIndex(rows, 7, 1, 2020, 1), -1);  // beyond amount
    EXPECT_EQ(b.getIndex(rows, 7, 4, 2003, 1), 1);   // the type is not consulted
    rows[5] = {2003, 1};
    EXPECT_EQ(b.getIndex(rows, 7, 1, 2003, 1), 6);
    EXPECT_EQ(b.getIndex(rows, 500, 1, 2020, 1), 10);  // amount past the table is clamped
}
