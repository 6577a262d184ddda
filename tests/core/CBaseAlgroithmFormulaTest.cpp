#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/CBaseAlgroithm.h"
#include "core/CCalendar.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

namespace {

using Cal = std::string (CBaseAlgroithm::*)(std::int16_t, std::int16_t) const;

// Every formula method by its indicator ID.
const std::map<int, Cal> kMethods{
    {1001, &CBaseAlgroithm::CalNetCapitalLucreRatio},
    {1002, &CBaseAlgroithm::CalTotalCapitalRewardRatio},
    {1003, &CBaseAlgroithm::CalMainOperationProfitRatio},
    {1004, &CBaseAlgroithm::CalCapitalProfitRatio},
    {1005, &CBaseAlgroithm::CalMainOperationGrossProfitRatio},
    {1006, &CBaseAlgroithm::CalCostPorfitRatio},
    {2001, &CBaseAlgroithm::CalCapitalLiabilitiesRatio},
    {2002, &CBaseAlgroithm::CalLiquidityRatio},
    {2003, &CBaseAlgroithm::CalQuickAssetsRatio},
    {2004, &CBaseAlgroithm::CalCashLiabilitiesRatio},
    {2005, &CBaseAlgroithm::CalInventoryTurnoverRatio},
    {2006, &CBaseAlgroithm::CalReceivablesTurnoverRatio},
    {2007, &CBaseAlgroithm::CalGainedAccrualMultiple},
    {2008, &CBaseAlgroithm::CalProductSaledRateByGoods},
    {2009, &CBaseAlgroithm::CalProductSaledRateByValue},
    {3001, &CBaseAlgroithm::CalSalesIncomeIncreaseRate},
    {3002, &CBaseAlgroithm::CalProfitIncreaseRate},
    {3003, &CBaseAlgroithm::CalTotalCapitalIncreaseRate},
    {3004, &CBaseAlgroithm::CalNetCapitalIncreaseRate},
    {3005, &CBaseAlgroithm::CalCapitalAssetIncreaseRate},
    {3006, &CBaseAlgroithm::CalCapitalAssetNewBuildRate},
    {3007, &CBaseAlgroithm::CalCashFlowIncreaseRate},
    {3008, &CBaseAlgroithm::CalReasearchFeeRate},
    {4001, &CBaseAlgroithm::CalSocialContribureRate},
    {4002, &CBaseAlgroithm::CalSocialAccumulateRate},
    {4003, &CBaseAlgroithm::CalProductivityByGoods},
    {4004, &CBaseAlgroithm::CalProductivityBySalesIncome},
    {4005, &CBaseAlgroithm::CalProductivityByAdditamentValue},
    {4006, &CBaseAlgroithm::CalProductivityByProfit},
    {4007, &CBaseAlgroithm::CalProductivityByProfitTax},
    {4008, &CBaseAlgroithm::CalMeanIndividualIncome},
};

struct Range {
    int type, fromYear, toYear, fromPeriod, toPeriod;
};

struct Amount {
    int item, year, period;
    double value;
};

struct FormulaCase {
    const char* what;
    int id;
    Range range;
    std::vector<Amount> data;  // stored under the range's period type
    int year, period;          // the period asked for
    const char* expected;
};

constexpr Range kYear2003{1, 2003, 2003, 1, 1};

// Amounts of year 2003 and of the year before.
Amount cur(int item, double value) {
    return {item, 2003, 1, value};
}
Amount prev(int item, double value) {
    return {item, 2002, 1, value};
}

// A case of the year range 2003 asking for year 2003, the shape of most cases.
FormulaCase y2003(const char* what, int id, std::vector<Amount> data, const char* expected) {
    return {what, id, kYear2003, std::move(data), 2003, 1, expected};
}

const double kHuge = 1.5e308;

const FormulaCase kCases[] = {
    // Profitability
    y2003("1001 averages equity with the year before", 1001,
          {cur(209, 30), cur(112, 200), prev(112, 100)}, "20.00"),
    y2003("1001 without the previous equity uses the current one", 1001,
          {cur(209, 30), cur(112, 200)}, "15.00"),
    y2003("1001 without net profit", 1001, {cur(112, 200)}, "-"),
    y2003("1002 adds interest to profit", 1002,
          {cur(407, 10), cur(207, 20), cur(108, 300), prev(108, 100)}, "15.00"),
    y2003("1002 without interest", 1002, {cur(207, 20), cur(108, 300)}, "-"),
    y2003("1003", 1003, {cur(207, 25), cur(201, 100)}, "25.00"),
    y2003("1003 stored zero revenue divides by zero", 1003, {cur(207, 25), cur(201, 0)}, "-"),
    y2003("1003 stored zero profit is present", 1003, {cur(207, 0), cur(201, 50)}, "0.00"),
    y2003("1004 averages paid-in capital", 1004, {cur(209, 10), cur(111, 40), prev(111, 60)},
          "20.00"),
    y2003("1005", 1005, {cur(201, 200), cur(202, 150)}, "25.00"),
    y2003("1005 zero revenue", 1005, {cur(201, 0), cur(202, 150)}, "-"),
    y2003("1006 over the four cost items", 1006,
          {cur(207, 50), cur(202, 100), cur(204, 50), cur(205, 30), cur(206, 20)}, "25.00"),
    y2003("1006 without 202", 1006, {cur(207, 50), cur(204, 50), cur(205, 30), cur(206, 20)}, "-"),
    y2003("1006 without 204", 1006, {cur(207, 50), cur(202, 100), cur(205, 30), cur(206, 20)}, "-"),
    y2003("1006 without 205", 1006, {cur(207, 50), cur(202, 100), cur(204, 50), cur(206, 20)}, "-"),
    y2003("1006 without 206", 1006, {cur(207, 50), cur(202, 100), cur(204, 50), cur(205, 30)}, "-"),

    // Operation
    y2003("2001", 2001, {cur(110, 50), cur(108, 200)}, "25.00"),
    y2003("2002", 2002, {cur(105, 200), cur(109, 100)}, "2.00"),
    y2003("2003", 2003, {cur(105, 200), cur(104, 50), cur(109, 100)}, "1.50"),
    y2003("2004 is a plain quotient", 2004, {cur(301, 25), cur(109, 100)}, "0.25"),
    y2003("2005 averages inventory", 2005, {cur(202, 300), cur(104, 100), prev(104, 200)}, "2.00"),
    y2003("2006 without previous receivables", 2006, {cur(201, 500), cur(103, 100)}, "5.00"),
    y2003("2007", 2007, {cur(207, 300), cur(407, 100)}, "4.00"),
    y2003("2007 zero interest", 2007, {cur(207, 300), cur(407, 0)}, "-"),
    y2003("2008", 2008, {cur(405, 90), cur(404, 120)}, "75.00"),
    y2003("2009", 2009, {cur(403, 45), cur(402, 50)}, "90.00"),

    // Development
    y2003("3001 rise", 3001, {cur(201, 110), prev(201, 100)}, "10.00"),
    y2003("3001 fall", 3001, {cur(201, 90), prev(201, 100)}, "-10.00"),
    y2003("3001 without the previous amount", 3001, {cur(201, 110)}, "-"),
    y2003("3001 after a zero amount", 3001, {cur(201, 110), prev(201, 0)}, "-"),
    y2003("3002", 3002, {cur(207, 150), prev(207, 120)}, "25.00"),
    y2003("3003", 3003, {cur(108, 1200), prev(108, 1000)}, "20.00"),
    y2003("3004 unchanged equity", 3004, {cur(112, 100), prev(112, 100)}, "100.00"),
    y2003("3004 grown equity", 3004, {cur(112, 120), prev(112, 100)}, "120.00"),
    y2003("3005", 3005, {cur(106, 80), prev(106, 100)}, "-20.00"),
    y2003("3006 reads the current period only", 3006, {cur(107, 60), cur(106, 80), prev(106, 1)},
          "75.00"),
    y2003("3007", 3007, {cur(301, 50), prev(301, 40)}, "25.00"),
    y2003("3008", 3008, {cur(408, 3), cur(201, 200)}, "1.50"),

    // Contribution
    y2003("4001 without previous assets", 4001,
          {cur(303, 100), cur(302, 80), cur(407, 20), cur(209, 50), cur(108, 1000)}, "25.00"),
    y2003("4001 without taxes paid", 4001,
          {cur(302, 80), cur(407, 20), cur(209, 50), cur(108, 1000)}, "-"),
    y2003("4002", 4002, {cur(303, 100), cur(302, 80), cur(407, 20), cur(209, 50)}, "40.00"),
    y2003("4003", 4003, {cur(404, 600), cur(409, 20), prev(409, 40)}, "20.00"),
    y2003("4004", 4004, {cur(201, 900), cur(409, 30)}, "30.00"),
    y2003("4005", 4005, {cur(401, 450), cur(409, 30), prev(409, 60)}, "10.00"),
    y2003("4006 negative profit", 4006, {cur(207, -60), cur(409, 30)}, "-2.00"),
    y2003("4007", 4007, {cur(303, 40), cur(209, 20), cur(409, 30)}, "2.00"),
    y2003("4008", 4008, {cur(406, 3000), cur(409, 25), prev(409, 15)}, "150.00"),
    y2003("4008 without employees", 4008, {cur(406, 3000), prev(409, 15)}, "-"),

    // clang-format off
    // The first period of each period type reads the period before the range.
    {"quarter 1 follows quarter 4 of the year before", 3001, {3, 2003, 2003, 1, 4},
     {{201, 2003, 1, 110}, {201, 2002, 4, 100}, {201, 2002, 3, 1}}, 2003, 1, "10.00"},
    {"month 1 follows month 12 of the year before", 3003, {4, 2003, 2003, 1, 12},
     {{108, 2003, 1, 120}, {108, 2002, 12, 100}}, 2003, 1, "20.00"},
    {"half-year 1 averages with half-year 2 before it", 1001, {2, 2003, 2004, 1, 2},
     {{209, 2003, 1, 30}, {112, 2003, 1, 200}, {112, 2002, 2, 100}}, 2003, 1, "20.00"},
    {"year 2003 follows 2002", 3004, {1, 2003, 2005, 1, 1},
     {{112, 2003, 1, 120}, {112, 2002, 1, 100}}, 2003, 1, "120.00"},
    {"quarter 3 follows quarter 2 inside the range", 3001, {3, 2003, 2003, 2, 4},
     {{201, 2003, 3, 121}, {201, 2003, 2, 110}}, 2003, 3, "10.00"},
    {"month 7 of a range starting in month 7 reads month 6", 2005, {4, 2003, 2004, 7, 6},
     {{202, 2003, 7, 300}, {104, 2003, 7, 100}, {104, 2003, 6, 200}}, 2003, 7, "2.00"},

    // Only the range and the one period before it are loaded.
    {"the period before the range: growth needs a period not loaded", 3001, kYear2003,
     {{201, 2002, 1, 110}, {201, 2001, 1, 100}}, 2002, 1, "-"},
    {"the period before the range: an average uses its current amount alone", 1001, kYear2003,
     {{209, 2002, 1, 30}, {112, 2002, 1, 150}, {112, 2001, 1, 50}}, 2002, 1, "20.00"},
    {"a period after the range", 2002, kYear2003,
     {{105, 2004, 1, 200}, {109, 2004, 1, 100}}, 2004, 1, "-"},
    // clang-format on

    // Arithmetic that overflows never gives a number.
    y2003("quotient overflows", 2002, {cur(105, 1e308), cur(109, 1e-10)}, "-"),
    y2003("sum overflows", 1002, {cur(407, kHuge), cur(207, kHuge), cur(108, 1)}, "-"),
    y2003("divisor sum overflows", 4002,
          {cur(303, kHuge), cur(302, kHuge), cur(407, 1), cur(209, 1)}, "-"),
    y2003("difference overflows", 1005, {cur(201, -kHuge), cur(202, kHuge)}, "-"),
    y2003("average overflows", 4001,
          {cur(303, 1), cur(302, 1), cur(407, 1), cur(209, 1), cur(108, kHuge), prev(108, kHuge)},
          "-"),
    y2003("percentage overflows", 3004, {cur(112, 1e307), prev(112, 1)}, "-"),
};

// The slot of (year, period) in a getIndicators result of the range, or -1.
int slotOf(const Range& r, int year, int period) {
    CCalendar calendar;
    calendar.SetCalendar(r.type, r.fromYear, r.toYear, r.fromPeriod, r.toPeriod);
    const auto rows = calendar.GetPeriodData();
    for (int i = 0; i < calendar.GetAmount(); ++i)
        if (rows[i].Year == year && rows[i].Period == period) return i;
    return -1;
}

// Current assets and current liabilities of 100, so that 流动比率 (2002) reads assets / 100.
void putLiquidity(const TestDb& db, int type, int year, int period, double assets) {
    db.putData(105, type, year, period, assets);
    db.putData(109, type, year, period, 100);
}

void load(CBaseAlgroithm& alg, const Range& r) {
    alg.setInitValue(r.type, r.fromYear, r.toYear, r.fromPeriod, r.toPeriod);
}

}  // namespace

TEST(CBaseAlgroithmFormulas, EveryFormulaByMethodAndByGetIndicators) {
    TestDb db;
    for (const FormulaCase& c : kCases) {
        SCOPED_TRACE(c.what);
        db.exec("delete from baseData");
        for (const Amount& a : c.data) db.putData(a.item, c.range.type, a.year, a.period, a.value);
        CBaseAlgroithm alg;
        load(alg, c.range);
        ASSERT_TRUE(kMethods.count(c.id)) << c.id;
        EXPECT_EQ((alg.*kMethods.at(c.id))(c.year, c.period), c.expected);
        const int slot = slotOf(c.range, c.year, c.period);
        if (slot >= 0) {
            EXPECT_EQ(alg.getIndicators(c.id).at(slot), c.expected);
        }
    }
}

TEST(CBaseAlgroithmFormulas, CasesCoverAll31Indicators) {
    std::map<int, int> seen;
    for (const FormulaCase& c : kCases) ++seen[c.id];
    EXPECT_EQ(kMethods.size(), 31u);
    for (const auto& [id, method] : kMethods) EXPECT_TRUE(seen.count(id)) << id;
}

TEST(CBaseAlgroithmFormulas, GetIndicatorsWalksTheRangeAcrossTheYearEnd) {
    TestDb db;
    const Amount rows[] = {{105, 2003, 2, 1},   {105, 2003, 3, 110}, {105, 2003, 4, 120},
                           {105, 2004, 1, 130}, {105, 2004, 2, 140}, {105, 2004, 3, 150}};
    for (const Amount& a : rows) putLiquidity(db, 3, a.year, a.period, a.value);
    CBaseAlgroithm alg;
    alg.setInitValue(3, 2003, 2004, 3, 2);
    EXPECT_EQ(alg.getIndicators(2002),
              (std::vector<std::string>{"1.10", "1.20", "1.30", "1.40", ""}));
    // The previous quarter was loaded for the averages, but is not a slot of its own.
    EXPECT_EQ(alg.CalLiquidityRatio(2003, 2), "0.01");
}

TEST(CBaseAlgroithmFormulas, GetIndicatorsMatchesTheIdByNumericValue) {
    TestDb db;
    putLiquidity(db, 1, 2003, 1, 200);
    CBaseAlgroithm alg;
    alg.setInitValue(1, 2003, 2004, 1, 1);
    const std::vector<std::string> expected{"2.00", "-", ""};
    EXPECT_EQ(alg.getIndicators(std::int16_t(2002)), expected);
    EXPECT_EQ(alg.getIndicators(2002.0), expected);
    EXPECT_EQ(alg.getIndicators(2002L), expected);
    const std::vector<std::string> empty(3);
    EXPECT_EQ(alg.getIndicators(2002.5), empty);
    EXPECT_EQ(alg.getIndicators(101), empty);  // a base item, not an indicator
    EXPECT_EQ(alg.getIndicators(5001), empty);
}

TEST(CBaseAlgroithmFormulas, NewObjectAnswersWithoutData) {
    TestDb db;
    putLiquidity(db, 1, 2003, 1, 200);
    CBaseAlgroithm alg;
    EXPECT_EQ(alg.CalLiquidityRatio(2003, 1), "-");
    EXPECT_EQ(alg.getIndicators(2002), std::vector<std::string>{""});
}

TEST(CBaseAlgroithmFormulas, ANewRangeReplacesTheData) {
    TestDb db;
    putLiquidity(db, 1, 2003, 1, 200);
    putLiquidity(db, 4, 2005, 1, 300);
    CBaseAlgroithm alg;
    alg.setInitValue(1, 2003, 2003, 1, 1);
    EXPECT_EQ(alg.getIndicators(2002), (std::vector<std::string>{"2.00", ""}));
    alg.setInitValue(4, 2005, 2005, 1, 2);
    EXPECT_EQ(alg.getIndicators(2002), (std::vector<std::string>{"3.00", "-", ""}));
    EXPECT_EQ(alg.CalLiquidityRatio(2003, 1), "-");
    // Answers come from memory: the same texts again after the database changed.
    db.exec("delete from baseData");
    EXPECT_EQ(alg.getIndicators(2002), (std::vector<std::string>{"3.00", "-", ""}));
}

// A range the calendar refuses, or a read that fails, leaves the object as it was: the same
// periods with the same answers.
TEST(CBaseAlgroithmFormulas, ARefusedRangeOrAFailedReadKeepsThePreviousRangeAndData) {
    TestDb db;
    for (int m = 1; m <= 12; ++m) putLiquidity(db, 4, 2003, m, 100 * m);
    CBaseAlgroithm alg;
    alg.setInitValue(4, 2003, 2003, 1, 12);
    const std::vector<std::string> months = alg.getIndicators(2002);
    ASSERT_EQ(months.size(), 13u);
    EXPECT_EQ(months[11], "12.00");
    {
        ScriptedMsgBox box;
        box.answer(platform::MsgResult::OK);
        alg.setInitValue(3, 2004, 2004, 3, 1);
        EXPECT_EQ(box.prompts(), std::vector<std::string>{"无效参数: 3 2004 2004 3 1"});
    }
    EXPECT_EQ(alg.getIndicators(2002), months);
    EXPECT_EQ(alg.CalLiquidityRatio(2003, 12), "12.00");

    db.exec("alter table baseData rename to baseDataGone");
    EXPECT_THROW(alg.setInitValue(1, 2003, 2003, 1, 1), platform::DbError);
    EXPECT_EQ(alg.getIndicators(2002), months);
}

TEST(CBaseAlgroithmFormulas, LongRangesGetOneSlotPerPeriod) {
    TestDb db;
    putLiquidity(db, 4, 2020, 12, 50);
    CBaseAlgroithm alg;
    alg.setInitValue(4, 2000, 2020, 1, 12);  // 252 months, past the 201 captions
    const auto texts = alg.getIndicators(2002);
    ASSERT_EQ(texts.size(), 253u);
    EXPECT_EQ(texts[251], "0.50");
    EXPECT_EQ(texts[252], "");
}
