#include "core/CCalendar.h"

#include <gtest/gtest.h>

#include "core/Utils.h"
#include "tests/support/ScriptedMsgBox.h"

namespace {

struct RangeCase {
    const char* name;
    std::int16_t type, fromYear, toYear, fromPeriod, toPeriod;
    std::vector<std::string> labels;
    std::vector<PeriodRow> rows;
};

CCalendar calendarOf(const RangeCase& c) {
    CCalendar cal;
    EXPECT_TRUE(cal.SetCalendar(c.type, c.fromYear, c.toYear, c.fromPeriod, c.toPeriod));
    return cal;
}

}  // namespace

TEST(CCalendar, EnumeratesCountsAndCaptionsEveryPeriodType) {
    const RangeCase cases[] = {
        {"years", 1, 2003, 2005, 1, 1, {"2003年", "2004年", "2005年"}, {{2003, 1}, {2004, 1}, {2005, 1}}},
        {"half-years across years", 2, 2003, 2004, 2, 1, {"2003下半年", "2004上半年"}, {{2003, 2}, {2004, 1}}},
        {"quarters across a middle year", 3, 2003, 2005, 3, 1,
         {"2003三季度", "2003四季度", "2004一季度", "2004二季度", "2004三季度", "2004四季度", "2005一季度"},
         {{2003, 3}, {2003, 4}, {2004, 1}, {2004, 2}, {2004, 3}, {2004, 4}, {2005, 1}}},
        {"quarters start after end in the next year", 3, 2004, 2005, 3, 2,
         {"2004三季度", "2004四季度", "2005一季度", "2005二季度"},
         {{2004, 3}, {2004, 4}, {2005, 1}, {2005, 2}}},
        {"months within a year", 4, 2004, 2004, 11, 12, {"2004十一月", "2004十二月"}, {{2004, 11}, {2004, 12}}},
        {"one period", 4, 2004, 2004, 5, 5, {"2004五月"}, {{2004, 5}}},
        {"months across years", 4, 2003, 2004, 12, 1, {"2003十二月", "2004一月"}, {{2003, 12}, {2004, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CCalendar cal = calendarOf(c);
        EXPECT_EQ(cal.GetAmount(), static_cast<int>(c.labels.size()));
        const auto labels = cal.GetLabelString();
        const auto rows = cal.GetPeriodData();
        ASSERT_EQ(labels.size(), 201u);
        ASSERT_EQ(rows.size(), 201u);
        for (std::size_t i = 0; i < 201; ++i) {
            EXPECT_EQ(labels[i], i < c.labels.size() ? c.labels[i] : "") << i;
            EXPECT_EQ(rows[i], i < c.rows.size() ? c.rows[i] : PeriodRow{}) << i;
        }
    }
}

TEST(CCalendar, InvalidRangeIsRefusedWithItsValuesAndKeepsTheStoredRange) {
    ScriptedMsgBox box;
    box.answer(platform::MsgResult::OK, 2);
    CCalendar cal;
    ASSERT_TRUE(cal.SetCalendar(1, 2003, 2004, 1, 1));
    EXPECT_FALSE(cal.SetCalendar(1, 2005, 2003, 1, 1));
    EXPECT_FALSE(cal.SetCalendar(3, 2004, 2004, 3, 2));
    EXPECT_EQ(box.prompts(), (std::vector<std::string>{"无效参数: 1 2005 2003 1 1",
                                                       "无效参数: 3 2004 2004 3 2"}));
    EXPECT_EQ(box.shown()[0].title, "PraveltaKVT");
    EXPECT_EQ(box.shown()[0].buttons, platform::MsgButtons::OK);
    EXPECT_EQ(cal.GetAmount(), 2);
    EXPECT_EQ(cal.GetLabelString()[1], "2004年");
}

TEST(CCalendar, NoRangeOrUnknownTypeGivesNothing) {
    CCalendar fresh;
    EXPECT_EQ(fresh.GetAmount(), 0);
    EXPECT_EQ(fresh.GetLabelString(), std::vector<std::string>(201));
    EXPECT_EQ(fresh.GetPeriodData(), std::vector<PeriodRow>(201));
    CCalendar other;
    EXPECT_TRUE(other.SetCalendar(5, 2003, 2004, 1, 1));
    EXPECT_EQ(other.GetAmount(), 0);
    EXPECT_EQ(other.GetLabelString(), std::vector<std::string>(201));
}

TEST(CCalendar, LongRangesCountWithoutWrappingAndFillOnly201Positions) {
    CCalendar cal;
    ASSERT_TRUE(cal.SetCalendar(4, -30000, 30000, 1, 12));
    EXPECT_EQ(cal.GetAmount(), 60001 * 12);
    const auto rows = cal.GetPeriodData();
    ASSERT_EQ(rows.size(), 201u);
    EXPECT_EQ(rows[200], (PeriodRow{-29984, 9}));
    EXPECT_EQ(cal.GetLabelString()[200], "-29984九月");
    ASSERT_TRUE(cal.SetCalendar(1, 1, 2, 1, 1));
    EXPECT_EQ(cal.GetAmount(), 2);
    cal.Init();
    EXPECT_EQ(cal.GetAmount(), 2);
}

TEST(Utils, RangeAndPeriodCaptions) {
    EXPECT_EQ(Utils::GetPeriodRangeString(1, 2003, 2005, 7, 9), "    2003年  至  2005年  ");
    EXPECT_EQ(Utils::GetPeriodRangeString(2, 2003, 2004, 1, 2), "    2003年上半年  至  2004年下半年  ");
    EXPECT_EQ(Utils::GetPeriodRangeString(3, 2003, 2003, 1, 4), "    2003年一季度  至  2003年四季度  ");
    EXPECT_EQ(Utils::GetPeriodRangeString(4, 2003, 2004, 13, 12), "    2003年  至  2004年十二月  ");
    EXPECT_EQ(Utils::GetPeriodRangeString(0, 2003, 2004, 1, 1), "");
    EXPECT_EQ(Utils::GetPeriodString(1, 2003, 5), "2003年");
    EXPECT_EQ(Utils::GetPeriodString(2, 2003, 2), "2003年下半年");
    EXPECT_EQ(Utils::GetPeriodString(4, 2003, 13), "2003年");
    EXPECT_EQ(Utils::GetPeriodString(9, 2003, 1), "");
    EXPECT_EQ(Utils::GetHalfYearName(3), "");
    EXPECT_EQ(Utils::GetQuarterName(4), "四季度");
    EXPECT_EQ(Utils::GetMonthName(11), "十一月");
    EXPECT_EQ(Utils::GetMonthName(0), "");
    EXPECT_EQ(Utils::GetCapabilityName(1), "综合获利能力");
    EXPECT_EQ(Utils::GetCapabilityName(4), "综合贡献能力");
    EXPECT_EQ(Utils::GetCapabilityName(5), "");
}
