#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CBaseAlgroithm.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

using platform::MsgButtons;
using platform::MsgResult;
using Texts = std::vector<std::string>;

namespace {

const char* const kOperationError =
    "数字计算错误！请检查运营能力的基准设置！基准的“资产负债率”不能为 100！";

// Every indicator starts with weight 0 and no benchmark, so only the indicators a test marks
// take part in a score.
class CBaseAlgroithmScoring : public ::testing::Test {
protected:
    void SetUp() override { db.exec("update indicatorItem set StandardLevel = NULL, Weight = 0"); }

    void mark(int id, double level, double weight, const std::string& column = "StandardLevel") {
        db.exec("update indicatorItem set " + column + " = ?, Weight = ? where ItemID = ?",
                {level, weight, std::int64_t(id)});
    }
    // A yearly amount.
    void put(int item, int year, double value) { db.putData(item, 1, year, 1, value); }
    // Yearly amounts from 2003 on: a base of 100 and the values over it, so that a ratio of the
    // two reads the values.
    void putRatio(int baseItem, int valueItem, const std::vector<double>& values) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            put(baseItem, 2003 + int(i), 100);
            put(valueItem, 2003 + int(i), values[i]);
        }
    }

    Texts score(int group, int fromYear, int toYear, int level = 2) {
        CBaseAlgroithm alg;
        alg.setInitValue(1, fromYear, toYear, 1, 1);
        return alg.CalIntegrationCapability(group, level);
    }

    TestDb db;
    ScriptedMsgBox box;
};

}  // namespace

TEST_F(CBaseAlgroithmScoring, ProfitabilityClampsBetweenZeroAndOneAndAHalfWeights) {
    mark(1003, 10, 20);
    putRatio(201, 207, {25, -5, 12});
    EXPECT_EQ(score(1, 2003, 2005), (Texts{"30.00", "0.00", "24.00", ""}));
    EXPECT_TRUE(box.shown().empty());
}

TEST_F(CBaseAlgroithmScoring, DevelopmentFallsToMinusHalfTheWeight) {
    mark(3008, 10, 20);
    putRatio(201, 408, {25, -5, 12});
    EXPECT_EQ(score(3, 2003, 2005), (Texts{"30.00", "-10.00", "24.00", ""}));
}

TEST_F(CBaseAlgroithmScoring, OperationBandStartsAtHalfTheWeightAndTheLevelChoosesTheColumn) {
    // 流动比率 2 against a benchmark of 8 scores 5, raised to the lower bound 0.5 × 20 = 10.
    mark(2002, 8, 20, "IndustryMeanLevel");
    put(105, 2003, 200);
    put(109, 2003, 100);
    EXPECT_EQ(score(2, 2003, 2003, 3), (Texts{"10.00", ""}));
}

TEST_F(CBaseAlgroithmScoring, DebtRatioIsScoredInversely) {
    mark(2001, 60, 10);
    putRatio(108, 110, {50, 20, 100, 60});
    EXPECT_EQ(score(2, 2003, 2006), (Texts{"12.50", "15.00", "5.00", "10.00", ""}));
}

TEST_F(CBaseAlgroithmScoring, SocialContributionHasAFixedBand) {
    // 社会贡献率 = taxes paid / average assets here (the other contributions are 0).
    putRatio(108, 303, {20, -30});
    for (int year : {2003, 2004})
        for (int item : {302, 407, 209}) put(item, year, 0);
    put(108, 2002, 100);
    mark(4001, 10, 20);
    EXPECT_EQ(score(4, 2003, 2004), (Texts{"30.00", "-10.00", ""}));
    mark(4001, 10, 40);  // 80 and -120 before clamping: the band does not follow the weight
    EXPECT_EQ(score(4, 2003, 2004), (Texts{"30.00", "-10.00", ""}));
    // Its sister 社会积累率 (100 % of the contributions here) has the weight's band.
    mark(4002, 10, 20);
    EXPECT_EQ(score(4, 2003, 2003), (Texts{"60.00", ""}));
}

TEST_F(CBaseAlgroithmScoring, WeightZeroCountsZeroWithoutAQuestion) {
    // 2003 has every profitability value, 2004 none; no benchmark is set anywhere.
    put(201, 2003, 100);
    put(207, 2003, 25);
    EXPECT_EQ(score(1, 2003, 2004), (Texts{"0.00", "0.00", ""}));
    // 社会贡献率 with weight 0 and no benchmark is not even read.
    mark(4004, 10, 20);
    put(409, 2003, 10);  // 劳动生产率（销售收入） 10
    EXPECT_EQ(score(4, 2003, 2003), (Texts{"20.00", ""}));
    EXPECT_TRUE(box.shown().empty());
}

TEST_F(CBaseAlgroithmScoring, MissingDataAsksPerIndicatorAndCancelLeavesThePeriodOut) {
    db.exec(
        "update indicatorItem set StandardLevel = 10, Weight = 20 where ItemID in (1001, 1003)");
    // Half-year 1 of 2003 lacks both values; half-year 2 has both (10 and 5: scores 20 and 10).
    for (int h = 1; h <= 2; ++h) db.putData(201, 2, 2003, h, 100);
    db.putData(209, 2, 2003, 2, 10);
    db.putData(112, 2, 2003, 2, 100);
    db.putData(207, 2, 2003, 2, 5);
    const std::string first =
        "缺少计算2003年上半年净资产收益率的基础数据，”OK“将忽略净资产收益率，”Cancel” "
        "将不计算该期的综合获利能力.";
    const std::string second =
        "缺少计算2003年上半年主营业务利润率的基础数据，”OK“将忽略主营业务利润率，”Cancel” "
        "将不计算该期的综合获利能力.";
    auto run = [] {
        CBaseAlgroithm alg;
        alg.setInitValue(2, 2003, 2003, 1, 2);
        return alg.CalIntegrationCapability(1, 2);
    };

    box.answer(MsgResult::OK, 2);
    EXPECT_EQ(run(), (Texts{"0.00", "30.00", ""}));
    ASSERT_EQ(box.shown().size(), 2u);
    EXPECT_EQ(box.shown()[0].prompt, first);
    EXPECT_EQ(box.shown()[0].buttons, MsgButtons::OKCancel);
    EXPECT_EQ(box.shown()[0].title, "提示");
    EXPECT_EQ(box.shown()[1].prompt, second);

    box.clear();
    box.answer(MsgResult::Cancel);
    EXPECT_EQ(run(), (Texts{"-", "30.00", ""}));
    EXPECT_EQ(box.prompts(), Texts{first});

    box.clear();
    box.answer(MsgResult::OK).answer(MsgResult::Cancel);
    EXPECT_EQ(run(), (Texts{"-", "30.00", ""}));
    EXPECT_EQ(box.prompts(), (Texts{first, second}));
}

TEST_F(CBaseAlgroithmScoring, DebtBenchmarkOf100StopsTheOperationGroupAtTheFailingPeriod) {
    mark(2001, 100, 10);
    mark(2002, 2, 10);  // 流动比率 2 every year: scores 10
    for (int y = 2003; y <= 2007; ++y) {
        put(105, y, 200);
        put(109, y, 100);
    }
    put(108, 2005, 100);  // 资产负债率 exists in the third year only
    put(110, 2005, 40);
    box.answer(MsgResult::OK, 3);
    EXPECT_EQ(score(2, 2003, 2007), (Texts{"10.00", "10.00", "-", "-", "-", ""}));
    ASSERT_EQ(box.shown().size(), 3u);
    EXPECT_EQ(box.shown()[0].prompt.rfind("缺少计算2003年资产负债率", 0), 0u);
    EXPECT_EQ(box.shown()[1].prompt.rfind("缺少计算2004年资产负债率", 0), 0u);
    EXPECT_EQ(box.shown()[2].prompt, kOperationError);
    EXPECT_EQ(box.shown()[2].buttons, MsgButtons::OK);
    EXPECT_EQ(box.shown()[2].title, platform::kAppTitle);
}

TEST_F(CBaseAlgroithmScoring, ArithmeticFaultsOfTheOtherGroupsLeaveOnlyThatPeriodOut) {
    // A benchmark of 0 gets past no caller's check, but must not break the score.
    mark(1003, 0, 20);
    put(201, 2003, 100);
    put(207, 2003, 25);
    box.answer(MsgResult::OK);  // 2004 has no value: the usual question
    EXPECT_EQ(score(1, 2003, 2004), (Texts{"-", "0.00", ""}));
    // A score beyond double range.
    mark(3008, 1e-300, 1e300);
    put(201, 2004, 100);
    put(408, 2003, 25);
    put(408, 2004, 0);
    EXPECT_EQ(score(3, 2003, 2004), (Texts{"-", "0.00", ""}));
}

TEST_F(CBaseAlgroithmScoring, EmptyRangeAndUnknownGroups) {
    mark(1003, 10, 20);
    CBaseAlgroithm alg;
    alg.setInitValue(5, 2003, 2004, 1, 1);  // no such period type: no periods
    EXPECT_EQ(alg.CalIntegrationCapability(1, 2), Texts{""});
    alg.setInitValue(1, 2003, 2004, 1, 1);
    EXPECT_TRUE(alg.CalIntegrationCapability(5, 2).empty());
    EXPECT_TRUE(alg.CalIntegrationCapability(0, 2).empty());
    EXPECT_TRUE(box.shown().empty());
}
