#include "core/CBaseDataDAO.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestDb.h"

namespace {

// Sets one indicator's chosen level column and weight (NULL when absent).
void setLevelWeight(const TestDb& db, int id, const std::string& column,
                    std::optional<double> level, std::optional<double> weight) {
    auto v = [](std::optional<double> x) {
        return x ? platform::DbValue(*x) : platform::DbValue();
    };
    db.exec("update indicatorItem set " + column + " = ?, Weight = ? where ItemID = ?",
            {v(level), v(weight), std::int64_t(id)});
}

void setGroupWeights(const TestDb& db, int category, std::optional<double> level,
                     std::optional<double> weight) {
    auto v = [](std::optional<double> x) {
        return x ? platform::DbValue(*x) : platform::DbValue();
    };
    db.exec("update indicatorItem set StandardLevel = ?, Weight = ? where Category = ?",
            {v(level), v(weight), std::int64_t(category)});
}

}  // namespace

TEST(CBaseDataDAO, GetBaseDataTakesExactlyTheRangeOfItsType) {
    TestDb db;
    for (int y = 2002; y <= 2005; ++y)
        for (int h = 1; h <= 2; ++h) db.putData(101, 2, y, h, y + h / 10.0);
    db.putData(108, 2, 2004, 1, 99);
    db.putData(101, 3, 2004, 1, 5);  // another type
    CBaseDataDAO dao;
    BaseDataMap map = dao.getBaseData(2, 2003, 2004, 2, 1);
    EXPECT_EQ(map.Keys(), (std::vector<std::string>{"10120032", "10120041", "10820041"}));
    EXPECT_DOUBLE_EQ(map.Item(101, 2003, 2), 2003.2);
    EXPECT_DOUBLE_EQ(map.Item(108, 2004, 1), 99);
    EXPECT_FALSE(map.Exists(101, 2003, 1));
    EXPECT_THROW(map.Item(101, 2005, 1), std::out_of_range);

    BaseDataMap empty = dao.getBaseData(4, 1990, 1991, 1, 12);
    EXPECT_EQ(empty.Count(), 0u);
}

TEST(CBaseDataDAO, IndicatorItemsHaveOneEmptySlotAfterTheGroup) {
    TestDb db;
    db.exec("update indicatorItem set Unit = NULL where ItemID = 1002");
    CBaseDataDAO dao;
    const auto items = dao.getIndicatorItem(1);
    ASSERT_EQ(items.size(), 7u);
    EXPECT_FALSE(items[6].has_value());
    for (int k = 0; k < 6; ++k) {
        ASSERT_TRUE(items[k].has_value());
        EXPECT_EQ(items[k]->getItemID(), 1001 + k);
    }
    EXPECT_EQ(items[0]->getItemName(), "净资产收益率");
    EXPECT_EQ(items[0]->getUnit(), "%");
    EXPECT_EQ(items[1]->getUnit(), "");
    EXPECT_EQ(items[0]->getStandardLevel(), 0);
    EXPECT_EQ(dao.getIndicatorItem(2).size(), 10u);
    const auto none = dao.getIndicatorItem(5);
    ASSERT_EQ(none.size(), 1u);
    EXPECT_FALSE(none[0].has_value());
    EXPECT_EQ(dao.getIndicatorItemCount(3), 8);
    EXPECT_EQ(dao.getIndicatorItemCount(4), 8);
    EXPECT_EQ(dao.getIndicatorItemCount(7), 0);
}

TEST(CBaseDataDAO, WeightMapTextsAndLevelColumns) {
    TestDb db;
    setLevelWeight(db, 1001, "StandardLevel", 15, 20);
    setLevelWeight(db, 1002, "StandardLevel", std::nullopt, 20);
    setLevelWeight(db, 1003, "StandardLevel", 2.5, std::nullopt);
    setLevelWeight(db, 1004, "InternationalLevel", 7, 0);
    db.exec("update indicatorItem set HistoryBestLevel = 0.1 + 0.2 where ItemID = 1005");
    CBaseDataDAO dao;
    WeightMap standard = dao.getItemWeightMap(1, 2);
    EXPECT_EQ(standard.size(), 6u);
    EXPECT_EQ(standard[1001], "15/20");
    EXPECT_EQ(standard[1002], " /20");
    EXPECT_EQ(standard[1003], "2.5/");
    EXPECT_EQ(standard[1006], " /");
    EXPECT_EQ(dao.getItemWeightMap(1, 9), standard);  // any other code reads StandardLevel
    EXPECT_EQ(dao.getItemWeightMap(1, 6)[1004], "7/0");
    EXPECT_EQ(dao.getItemWeightMap(1, 1)[1005], "0.3/");
    EXPECT_EQ(CBaseDataDAO::levelColumn(3), "IndustryMeanLevel");
    EXPECT_EQ(CBaseDataDAO::levelColumn(0), "StandardLevel");
}

TEST(CBaseDataDAO, HasLevelWeightRules) {
    TestDb db;
    CBaseDataDAO dao;
    EXPECT_FALSE(dao.HasLevelWeight(1, 2));  // weights NULL as delivered

    setGroupWeights(db, 1, std::nullopt, 0);
    EXPECT_TRUE(dao.HasLevelWeight(1, 2));  // weight 0 accepts any level

    setGroupWeights(db, 1, 5, 10);
    EXPECT_TRUE(dao.HasLevelWeight(1, 2));
    EXPECT_FALSE(dao.HasLevelWeight(1, 1));  // HistoryBestLevel is NULL

    setLevelWeight(db, 1003, "StandardLevel", 0, 10);
    EXPECT_FALSE(dao.HasLevelWeight(1, 2));  // level 0 with a weight
    setLevelWeight(db, 1003, "StandardLevel", 5, std::nullopt);
    EXPECT_FALSE(dao.HasLevelWeight(1, 2));  // NULL weight

    EXPECT_TRUE(dao.HasLevelWeight(9, 2));  // a group with no rows
}

TEST(CBaseDataDAO, CompanyName) {
    TestDb db;
    {
        CBaseDataDAO dao;
        EXPECT_EQ(dao.getCompanyName(), "");
    }
    db.exec("update defaultParameter set valueFrom = ? where paramCd = 'cpyName'",
            {std::string("华北'机械厂")});
    EXPECT_EQ(CBaseDataDAO().getCompanyName(), "华北'机械厂");
    db.exec("update defaultParameter set valueFrom = NULL where paramCd = 'cpyName'");
    EXPECT_EQ(CBaseDataDAO().getCompanyName(), "");
    db.exec("delete from defaultParameter where paramCd = 'cpyName'");
    EXPECT_EQ(CBaseDataDAO().getCompanyName(), "");
}

TEST(CBaseDataDAO, MissingDatabaseFileIsAnErrorNamingIt) {
    TestDb db;
    std::filesystem::remove(db.path());
    try {
        CBaseDataDAO dao;
        FAIL() << "opened a missing database";
    } catch (const platform::DbError& e) {
        EXPECT_NE(std::string(e.what()).find(db.path()), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(db.path()));
}
