#include <gtest/gtest.h>

#include "analysis/ChartAutoSize.h"
#include "platform/Runtime.h"

using platform::ChartRow;

namespace {

class ChartAutoSizeTest : public testing::Test {
  protected:
    ChartAutoSizeTest() {
        window.setWidth(11900);
        chart = platform::MakeControl<platform::MSChart>(&window, "myChart", 360, 720, 11055, 3795);
    }
    // m periods "P0".."Pm-1" valued 1, 2, ...
    void size(int n, int m, const QString& title = "短标题", ChartAutoSizeStyle style = {}) {
        std::vector<std::string> labels, values;
        for (int i = 0; i < m; ++i) {
            labels.push_back("P" + std::to_string(i));
            values.push_back(std::to_string(i + 1) + ".00");
        }
        ChartAutoSize(*chart, window, title, n, m, labels, values, style);
    }
    platform::Form window{"window"};
    platform::MSChart* chart = nullptr;
};

TEST_F(ChartAutoSizeTest, WidthGrowsWithPeriodsAndIsCentredOrClamped) {
    struct Case {
        int periods;
        float width, left;
    };
    for (const Case& c :
         {Case{1, 2555, 4572.5f}, Case{10, 11645, 27.5f}, Case{11, 11650, 5}, Case{24, 11650, 5}}) {
        SCOPED_TRACE(c.periods);
        size(c.periods, c.periods);
        EXPECT_EQ(chart->Width(), c.width);
        EXPECT_EQ(chart->Left(), c.left);
        // Top and height stay as designed.
        EXPECT_EQ(chart->Top(), 720);
        EXPECT_EQ(chart->Height(), 3795);
    }
}

TEST_F(ChartAutoSizeTest, LongTitleWidensTheChart) {
    size(2, 2, QString(80, QChar(u'率')));
    EXPECT_EQ(chart->Width(), 11100);
    EXPECT_EQ(chart->Left(), 300);
    // Six characters or fewer never widen: 2 periods give 3565.
    size(2, 2, "123456");
    EXPECT_EQ(chart->Width(), 3565);
}

TEST_F(ChartAutoSizeTest, DashKeepsItsLabelAndHasNoValue) {
    ChartAutoSize(*chart, window, "    2003年  至  2005年  净资产收益率    ", 3, 3,
                  {"2003年", "2004年", "2005年"}, {"12.50", "-", " -3.25 "});
    EXPECT_EQ(
        chart->ChartData(),
        (std::vector<ChartRow>{{"2003年", 12.5}, {"2004年", std::nullopt}, {"2005年", -3.25}}));
    EXPECT_EQ(chart->TitleText(), "    2003年  至  2005年  净资产收益率    ");
}

TEST_F(ChartAutoSizeTest, RowsBeyondTheDataGetThePlaceholderAndTheWidthFollowsTheData) {
    size(4, 2);
    EXPECT_EQ(chart->ChartData(),
              (std::vector<ChartRow>{
                  {"P0", 1}, {"P1", 2}, {" - ", std::nullopt}, {" - ", std::nullopt}}));
    EXPECT_EQ(chart->Width(), 3565);
    ChartAutoSizeStyle pages;
    pages.placeholder = " -";
    pages.widenedWidth = true;
    size(3, 2, "    综合营运能力    ", pages);
    EXPECT_EQ(chart->ChartData().back(), (ChartRow{" -", std::nullopt}));
    EXPECT_EQ(chart->TitleText(), "    综合营运能力    ");
}

TEST_F(ChartAutoSizeTest, SixteenBitWidthOverflowsFromThirtyOnePeriodsWidenedDoesNot) {
    window.setWidth(40000);
    size(30, 30);
    EXPECT_EQ(chart->Width(), 31845);
    EXPECT_THROW(size(31, 31), platform::RuntimeError);
    ChartAutoSizeStyle widened;
    widened.widenedWidth = true;
    size(31, 31, "短标题", widened);
    EXPECT_EQ(chart->Width(), 32855);
    EXPECT_EQ(chart->Left(), (40000 - 32855) / 2.0f - 100);
}

}  // namespace
