#include <gtest/gtest.h>

#include <map>

#include "core/CBaseItem.h"
#include "core/CConstants.h"
#include "core/IndicatorItem.h"
#include "platform/storage/Database.h"
#include "tests/support/TestDb.h"

TEST(CConstants, IdsAreTheCatalogueInOrder) {
    CConstants c;
    EXPECT_EQ(c.CurrencyCapital, 101);
    EXPECT_EQ(c.EmployeeAmount, 409);
    EXPECT_EQ(c.NetCapitalLucreRatio, 1001);
    EXPECT_EQ(c.MeanIndividualIncome, 4008);
    EXPECT_EQ(c.SystemTitle, "Pravelta");
    const auto ids = c.AllIds();
    for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_LT(ids[i - 1], ids[i]) << i;
}

TEST(Records, StartEmpty) {
    IndicatorItem item;
    EXPECT_EQ(item.getItemID(), 0);
    EXPECT_EQ(item.getItemName(), "");
    EXPECT_EQ(item.getUnit(), "");
    for (double v : {item.getHistoryBestLevel(), item.getStandardLevel(),
                     item.getIndustryMeanLevel(), item.getIndustryLeadLevel(),
                     item.getNationalStandardLevel(), item.getInternationalLevel(),
                     item.getSingleWeight()})
        EXPECT_EQ(v, 0);
    CBaseItemCategory cat;
    EXPECT_EQ(cat.BalanceSheet, 1);
    EXPECT_EQ(cat.IncomeStatement, 2);
    EXPECT_EQ(cat.CashFlowStatement, 3);
    EXPECT_EQ(cat.StatisticalReport, 4);
}

// The delivered database holds every ID of the catalogue with its statement or group, a name
// and a unit, the five settings rows, and no levels or weights yet.
TEST(DeliveredDatabase, HoldsTheWholeCatalogue) {
    TestDb db;
    platform::Connection conn;
    conn.Open(db.path());
    CConstants c;
    std::map<int, int> expectedCategory;
    for (std::int16_t id : c.AllIds()) {
        const int category = id < 1000 ? id / 100 : id / 1000;
        expectedCategory[id] = category;
    }
    platform::Recordset rs;
    rs.Open("select ItemId as id, ItemName, Category, Unit from baseItem union all "
            "select ItemID, ItemName, Category, Unit from indicatorItem order by id",
            conn);
    std::map<int, int> stored;
    for (; !rs.Eof(); rs.MoveNext()) {
        const int id = static_cast<int>(rs.Fields("id").AsInt());
        stored[id] = static_cast<int>(rs.Fields("Category").AsInt());
        EXPECT_FALSE(rs.Fields("ItemName").AsText().empty()) << id;
        EXPECT_FALSE(rs.Fields("Unit").AsText().empty()) << id;
    }
    EXPECT_EQ(stored, expectedCategory);
    // Money in ten-thousands of yuan, as the DuPont tree labels it.
    EXPECT_EQ(db.scalar("select group_concat(Unit || ' ' || n, ', ') from (select Unit, count(*) "
                        "as n from (select Unit from baseItem union all select Unit from "
                        "indicatorItem) group by Unit order by Unit)"),
              "% 19, 万元 31, 万元/人 5, 人 1, 件 2, 件/人 1, 倍 4, 次 2");
    EXPECT_EQ(db.scalar("select ItemName from baseItem where ItemId = 109"), "流动负债");
    EXPECT_EQ(db.scalar("select ItemName from baseItem where ItemId = 207"), "利润总额");
    EXPECT_EQ(db.scalar("select ItemName from baseItem where ItemId = 409"), "职工人数");
    EXPECT_EQ(db.scalar("select count(*) from indicatorItem where coalesce(HistoryBestLevel, "
                        "StandardLevel, IndustryMeanLevel, IndustryLeadLevel, "
                        "NationalStandardLevel, InternationalLevel, Weight) is not null"),
              "0");
    EXPECT_EQ(db.scalar("select group_concat(paramCd, ',') from (select paramCd from "
                        "defaultParameter order by paramCd)"),
              "cpyName,loginPwd,serial,tableUserName,yearFromTo");
    EXPECT_EQ(db.scalar("select valueFrom from defaultParameter where paramCd = 'SERIAL'"), "1");
    EXPECT_EQ(db.scalar("select valueFrom from defaultParameter where paramCd = 'loginPwd'"),
              "123456");
}

TEST(DeliveredDatabase, KeysAreEnforced) {
    TestDb db;
    db.putData(101, 1, 2003, 1, 5);
    EXPECT_THROW(db.exec("insert into baseData values(101, 1, 2003, 1, 6)"), platform::DbError);
    EXPECT_THROW(db.exec("insert into defaultParameter(paramCd) values('CPYNAME')"),
                 platform::DbError);
}
