// The performance analysis view driven through its controls on a temporary database: the
// request check, the grid of every group against values worked out by hand, the row chart,
// the explanation panel and what a refused request leaves alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <memory>

#include "analysis/HelpContent.h"
#include "analysis/target_all2_from.h"
#include "platform/MSChart.h"
#include "tests/entry/EntryTestSupport.h"
#include "tests/entry/PeriodRangeRefusals.h"
#include "tests/support/ActiveWindow.h"
#include "tests/support/FailedOpening.h"
#include "tests/support/GridInput.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

using platform::MsgResult;

namespace {

// Yearly base data: 2002 (the period before the range), 2003 complete, 2004 with only sales,
// cost, profit and total assets, so most 2004 values cannot be computed.
void StoreYears(const TestDb& db) {
    const std::vector<std::pair<int, double>> y2002{{108, 800}, {112, 400}, {111, 200}, {103, 50},
                                                    {104, 100}, {409, 90},  {201, 800}, {207, 80},
                                                    {106, 500}, {301, 40}};
    const std::vector<std::pair<int, double>> y2003{
        {108, 1000}, {112, 600}, {111, 200}, {110, 400}, {105, 500},  {109, 250},
        {104, 100},  {103, 150}, {106, 600}, {107, 450}, {201, 1000}, {202, 600},
        {204, 50},   {205, 100}, {206, 50},  {207, 200}, {209, 150},  {301, 50},
        {302, 120},  {303, 80},  {401, 300}, {402, 900}, {403, 810},  {404, 1000},
        {405, 950},  {406, 240}, {407, 50},  {408, 30},  {409, 110}};
    const std::vector<std::pair<int, double>> y2004{
        {201, 1200}, {207, 150}, {202, 700}, {108, 1200}};
    for (const auto& [item, amount] : y2002) db.putData(item, 1, 2002, 1, amount);
    for (const auto& [item, amount] : y2003) db.putData(item, 1, 2003, 1, amount);
    for (const auto& [item, amount] : y2004) db.putData(item, 1, 2004, 1, amount);
}

// One expected grid row: number, name, unit, ItemID, 2003, 2004.
using Row = std::vector<QString>;

struct GroupCase {
    int tab;
    int nameWidth, unitWidth;
    std::vector<Row> rows;
};

// Worked out from the formulas: avg() averages with 2002, growth rates compare with 2002.
const GroupCase kGroupCases[] = {
    {1,
     1500,
     750,
     {{" 1", " 净资产收益率", " %", "1001", "30.00", "-"},        // 150 / ((600+400)/2)
      {" 2", " 总资产报酬率", " %", "1002", "27.78", "-"},        // (50+200) / 900
      {" 3", " 主营业务利润率", " %", "1003", "20.00", "12.50"},  // 200/1000, 150/1200
      {" 4", " 资本收益率", " %", "1004", "75.00", "-"},          // 150 / 200
      {" 5", " 主营业务毛利率", " %", "1005", "40.00", "41.67"},  // 400/1000, 500/1200
      {" 6", " 成本费用利润率", " %", "1006", "25.00", "-"}}},    // 200 / 800
    {2,
     1800,
     750,
     {{" 1", " 资产负债率", " %", "2001", "40.00", "-"},
      {" 2", " 流动比率", " 倍", "2002", "2.00", "-"},
      {" 3", " 速动比率", " 倍", "2003", "1.60", "-"},          // (500-100) / 250
      {" 4", " 现金流动负债比率", " 倍", "2004", "0.20", "-"},  // a quotient, not × 100
      {" 5", " 存货周转率", " 次", "2005", "6.00", "-"},        // 600 / 100
      {" 6", " 应收帐款周转率", " 次", "2006", "10.00", "-"},   // 1000 / ((150+50)/2)
      {" 7", " 已获利息倍数", " 倍", "2007", "5.00", "-"},
      {" 8", " 产品销售率（实物）", " %", "2008", "95.00", "-"},
      {" 9", " 产品销售率（产值）", " %", "2009", "90.00", "-"}}},
    {3,
     2940,
     540,
     {{" 1", " 销售收入增长率", " %", "3001", "25.00", "20.00"},
      {" 2", " 利润增长率", " %", "3002", "150.00", "-25.00"},
      {" 3", " 总资产增长率", " %", "3003", "25.00", "20.00"},
      {" 4", " 资本保值增长率", " %", "3004", "150.00", "-"},  // 600 / 400, no subtraction
      {" 5", " 固定资产增长率", " %", "3005", "20.00", "-"},
      {" 6", " 固定资产成新率", " %", "3006", "75.00", "-"},
      {" 7", " 经营活动产生的现金净流量增长率", " %", "3007", "25.00", "-"},
      {" 8", " 研发费用率", " %", "3008", "3.00", "-"}}},
    {4,
     2250,
     900,
     {{" 1", " 社会贡献率", " %", "4001", "44.44", "-"},              // (80+120+50+150) / 900
      {" 2", " 社会积累率", " %", "4002", "20.00", "-"},              // 80 / 400
      {" 3", " 劳动生产率（实物）", " 件/人", "4003", "10.00", "-"},  // 1000 / ((110+90)/2)
      {" 4", " 劳动生产率（销售收入）", " 万元/人", "4004", "10.00", "-"},
      {" 5", " 劳动生产率（增加值）", " 万元/人", "4005", "3.00", "-"},
      {" 6", " 劳动生产率（利润）", " 万元/人", "4006", "2.00", "-"},
      {" 7", " 劳动生产率（利税）", " 万元/人", "4007", "2.30", "-"},
      {" 8", " 人均收入", " 万元/人", "4008", "2.40", "-"}}},
};

class TargetAll2FromTest : public testing::Test {
  protected:
    void SetUp() override {
        StoreYears(db);
        ASSERT_NO_FATAL_FAILURE(OpenActive(form));
    }

    // Fills the grid for a tab over a range the check accepts (no message expected).
    void fill(int tab, int type = 0, const char* from = "2003", const char* to = "2004",
              int fromPeriod = 0, int toPeriod = 0) {
        EnterRange(form->panel, type, from, to, fromPeriod, toPeriod);
        form->tbsOptions->setSelectedIndex(tab);
    }

    platform::FlexGrid* grid() const { return form->MSFlexGrid1; }
    std::vector<QString> rowTexts(int row) const {
        std::vector<QString> texts;
        for (int col = 0; col < grid()->Cols(); ++col)
            texts.push_back(grid()->TextMatrix(row, col));
        return texts;
    }
    void clickCell(int row, int col) { gui::ClickCell(grid(), row, col); }

    TestDb db;
    std::unique_ptr<target_all2_from> form;
};

TEST_F(TargetAll2FromTest, LoadShowsDefaultsAndTheProfitSummaryAndFillsNothing) {
    EXPECT_EQ(form->Width(), 11900);
    EXPECT_EQ(form->Height(), 7900);
    EXPECT_EQ(form->panel->cbSerial->ListIndex(), 0);
    EXPECT_EQ(form->panel->txtFromYear->text(), "2003");
    EXPECT_EQ(form->panel->txtToYear->text(), "2005");
    EXPECT_EQ(form->Info_Label->text(), GetSummary(1));
    EXPECT_TRUE(form->Info_Frame->isVisible());
    EXPECT_FALSE(form->myChart->isVisible());
    EXPECT_FALSE(form->HelpFrame->isVisible());
    EXPECT_EQ(form->periodCount(), 0);
    EXPECT_LT(grid()->Cols(), 4);
    // A click in the empty grid before any fill charts nothing.
    clickCell(1, 0);
    EXPECT_FALSE(form->myChart->isVisible());
}

TEST_F(TargetAll2FromTest, TheSummaryFrameHoldsEveryGroupsSummary) {
    const int frameHeight = platform::TwipsHeight(form->Info_Frame);
    int tallest = 0;
    for (int tab = 1; tab <= 4; ++tab) {
        fill(tab);
        EXPECT_EQ(form->Info_Label->text(), GetSummary(tab));
        EXPECT_EQ(platform::TwipsHeight(form->Info_Frame), frameHeight);
        tallest = std::max(tallest, platform::TwipsHeight(form->Info_Label));
    }
    EXPECT_NEAR(frameHeight, tallest + 700, 15);
}

TEST_F(TargetAll2FromTest, AStoredPeriodTypeOutsideOneToFourSelectsNone) {
    for (const char* serial : {"7", "x", "0"}) {
        db.exec("update defaultParameter set valueFrom = ? where paramCd = 'serial'",
                {std::string(serial)});
        target_all2_from view;
        view.Show();
        EXPECT_EQ(view.panel->cbSerial->ListIndex(), -1) << serial;
    }
}

TEST_F(TargetAll2FromTest, DefaultsThatCannotBeReadFailTheOpening) {
    db.exec("alter table defaultParameter rename to defaultParameterAway");
    target_all2_from view;
    EXPECT_EQ(OpeningFailure(view), db.message("查询失败"));
    db.exec("alter table defaultParameterAway rename to defaultParameter");
}

TEST_F(TargetAll2FromTest, EveryGroupFillsWithTheValuesOfItsFormulas) {
    for (const GroupCase& c : kGroupCases) {
        SCOPED_TRACE(c.tab);
        fill(c.tab);
        EXPECT_EQ(form->category(), c.tab);
        ASSERT_EQ(grid()->Rows(), static_cast<int>(c.rows.size()) + 1);
        ASSERT_EQ(grid()->Cols(), 6);
        EXPECT_EQ(grid()->FixedRows(), 1);
        EXPECT_EQ(grid()->FixedCols(), 3);
        EXPECT_EQ(rowTexts(0), (Row{" 序号", " 项目", " 单位", " ", "2003年", "2004年"}));
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            EXPECT_EQ(rowTexts(static_cast<int>(i) + 1), c.rows[i]) << "row " << i + 1;
        const std::vector<int> widths{600, c.nameWidth, c.unitWidth, 0, 1140, 1140};
        for (int col = 0; col < 6; ++col) EXPECT_EQ(grid()->ColWidth(col), widths[col]);
    }
}

TEST_F(TargetAll2FromTest, ARefusedRequestShowsItsMessageAndLeavesTheLastFill) {
    fill(2, 2, "2003", "2003", 0, 3);  // four quarters of group 2
    const std::vector<QString> header = rowTexts(0), first = rowTexts(1);
    const PeriodRange kept = form->range();
    std::vector<RangeRefusal> refusals = RangeRefusals(target_all2_from::kPeriodLimit);
    // The calendar reports a start after the end within one year itself.
    refusals.push_back(
        {"start after end", 2, "2003", "2003", 3, 1, "无效参数: 3 2003 2003 4 2", ""});
    for (const RangeRefusal& r : refusals) {
        SCOPED_TRACE(r.what);
        EnterRange(form->panel, r.type, r.from.c_str(), r.to.c_str(), r.fromPeriod, r.toPeriod);
        form->cmdDo->setFocus();
        ScriptedMsgBox box;
        box.answer(MsgResult::OK);
        form->cmdDo->click();
        ASSERT_EQ(box.shown().size(), 1u);
        EXPECT_EQ(box.shown()[0].prompt, r.message);
        EXPECT_EQ(box.shown()[0].title, platform::kAppTitle);
        EXPECT_EQ(box.shown()[0].buttons, platform::MsgButtons::OK);
        EXPECT_EQ(FocusName().toStdString(), r.focus.empty() ? "cmdDo" : r.focus);
        EXPECT_EQ(form->range(), kept);
        EXPECT_EQ(form->periodCount(), 4);
        EXPECT_EQ(rowTexts(0), header);
        EXPECT_EQ(rowTexts(1), first);
    }
}

TEST_F(TargetAll2FromTest, TwentyFourMonthsAreAccepted) {
    fill(1, 3, "2003", "2004", 0, 11);
    EXPECT_EQ(form->periodCount(), 24);
    EXPECT_EQ(grid()->Cols(), 28);
    EXPECT_EQ(grid()->TextMatrix(0, 4), "2003一月");
    EXPECT_EQ(grid()->TextMatrix(0, 27), "2004十二月");
}

TEST_F(TargetAll2FromTest, ATabWhoseCheckFailsSwitchesTheSummaryButKeepsTheGrid) {
    fill(1);
    form->panel->txtFromYear->setText("");
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    form->tbsOptions->setSelectedIndex(2);
    EXPECT_EQ(box.prompts(), std::vector<std::string>{"请输入时间年"});
    EXPECT_EQ(form->Info_Label->text(), GetSummary(2));
    EXPECT_EQ(form->category(), 1);
    EXPECT_EQ(grid()->TextMatrix(1, 3), "1001");
    // The explanation follows the row's own indicator, not the selected tab.
    form->HelpCheck->setChecked(true);
    clickCell(1, 1);
    EXPECT_TRUE(form->HelpFrame->isVisible());
    EXPECT_EQ(form->HelpLabel->text(), GetIndicatorHelpText(1001));
}

TEST_F(TargetAll2FromTest, ARowClickChartsTheRowAndExplainsItWhenTicked) {
    fill(2);
    clickCell(3, 4);  // a value cell
    EXPECT_FALSE(form->myChart->isVisible());
    EXPECT_TRUE(form->Info_Frame->isVisible());

    clickCell(3, 1);  // the name of 速动比率
    EXPECT_TRUE(form->myChart->isVisible());
    EXPECT_FALSE(form->Info_Frame->isVisible());
    EXPECT_FALSE(form->HelpFrame->isVisible());  // not ticked
    EXPECT_EQ(form->myChart->TitleText(), "    2003年  至  2004年  速动比率    ");
    const auto& data = form->myChart->ChartData();
    ASSERT_EQ(data.size(), 2u);
    EXPECT_EQ(data[0].label, "2003年");
    EXPECT_EQ(data[0].value, 1.6);
    EXPECT_EQ(data[1].label, "2004年");
    EXPECT_FALSE(data[1].value.has_value());
    EXPECT_EQ(form->myChart->Width(), 2 * 1010 + 1545);
    EXPECT_EQ(form->myChart->Left(), (11900 - 3565) / 2.0f - 100);

    // Ticking shows nothing by itself; the next row click shows the panel by the unit column.
    QTest::mouseClick(form->HelpCheck, Qt::LeftButton);
    EXPECT_FALSE(form->HelpFrame->isVisible());
    clickCell(5, 0);
    EXPECT_EQ(form->myChart->TitleText(), "    2003年  至  2004年  存货周转率    ");
    ASSERT_TRUE(form->HelpFrame->isVisible());
    EXPECT_EQ(form->HelpLabel->text(), GetIndicatorHelpText(2005));
    const int grain = 15;  // one pixel
    EXPECT_NEAR(platform::TwipsLeft(form->HelpFrame),
                platform::TwipsLeft(grid()) + grid()->ColPos(2), grain);
    EXPECT_NEAR(platform::TwipsTop(form->HelpFrame), platform::TwipsTop(grid()) + grid()->RowPos(5),
                grain);
    EXPECT_NEAR(platform::TwipsWidth(form->HelpFrame), platform::TwipsWidth(form->HelpLabel) + 700,
                grain);
    EXPECT_NEAR(platform::TwipsHeight(form->HelpFrame),
                platform::TwipsHeight(form->HelpLabel) + 700, grain);

    // A click on the window hides the panel; so does unticking after it is shown again.
    QTest::mouseClick(form.get(), Qt::LeftButton, {}, QPoint(5, form->height() - 5));
    EXPECT_FALSE(form->HelpFrame->isVisible());
    clickCell(5, 2);
    EXPECT_TRUE(form->HelpFrame->isVisible());
    QTest::mouseClick(form->HelpCheck, Qt::LeftButton);
    EXPECT_FALSE(form->HelpFrame->isVisible());

    // The next fill returns to the summary.
    fill(2);
    EXPECT_FALSE(form->myChart->isVisible());
    EXPECT_TRUE(form->Info_Frame->isVisible());
}

TEST_F(TargetAll2FromTest, AnIndicatorWithoutFormulaOrTextChartsGapsAndShowsNoPanel) {
    db.exec(
        "insert into indicatorItem (ItemID, ItemName, Unit, Category) values (2099, '新指标', "
        "'%', 2)");
    fill(2);
    ASSERT_EQ(grid()->Rows(), 11);
    EXPECT_EQ(rowTexts(10), (Row{" 10", " 新指标", " %", "2099", "", ""}));
    form->HelpCheck->setChecked(true);
    clickCell(10, 1);
    EXPECT_TRUE(form->myChart->isVisible());
    ASSERT_EQ(form->myChart->ChartData().size(), 2u);
    EXPECT_FALSE(form->myChart->ChartData()[0].value.has_value());
    EXPECT_FALSE(form->HelpFrame->isVisible());
}

TEST_F(TargetAll2FromTest, CloseUnloadsTheView) {
    QPointer<target_all2_from> view = new target_all2_from;
    view->Show();
    view->Command1->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(view.isNull());
}

}  // namespace
