#include <QLineEdit>

#include "platform/Printer.h"
#include "reports/print_TrendDiagram.h"
#include "tests/reports/ChartPagesTestSupport.h"
#include "tests/support/FailedOpening.h"
#include "tests/support/PrintChecks.h"

using platform::ChartRow;
using platform::MsgResult;

namespace {

using TrendDiagramTest = ChartPagesFixture<print_TrendDiagram>;

const char* const kLimit = "选择周期不能大于24，否则数据量太大";

TEST_F(TrendDiagramTest, LoadShowsTwoBlankChartsAndComputesNothing) {
    load();  // group 0 is selected during the load: no request, no message
    EXPECT_EQ(form->windowTitle(), "打印-指标趋势图");
    EXPECT_EQ(form->Width(), 11900);
    EXPECT_EQ(form->Height(), 9200);
    EXPECT_EQ(shown(), (std::vector<int>{1, 2}));
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(form->getChart(k)->ChartData(), BlankChartRows(7, 0)) << k;
    EXPECT_EQ(buttons(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(form->cbCapability->Text(), "获利能力");
    EXPECT_EQ(form->chartCount(), 0);
    EXPECT_EQ(form->getChart(11), nullptr);
    EXPECT_EQ(form->getChart(0), nullptr);
}

TEST_F(TrendDiagramTest, EachGroupPagesThroughItsChartsTwoAtATime) {
    load();
    struct Case {
        int group;
        std::vector<std::vector<int>> pages;
    };
    const std::vector<Case> cases = {
        {0, {{1, 2}, {3, 4}, {5, 6}}},
        {1, {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9}}},
        {2, {{1, 2}, {3, 4}, {5, 6}, {7, 8}}},
        {3, {{1, 2}, {3, 4}, {5, 6}, {7, 8}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group);
        form->cbCapability->setListIndex(c.group);  // runs the request
        const int last = static_cast<int>(c.pages.size());
        EXPECT_EQ(form->pageCount(), last);
        EXPECT_EQ(shown(), c.pages[0]);
        EXPECT_EQ(buttons(), (std::vector<bool>{false, true, true}));
        for (int p = 2; p <= last; ++p) {
            form->cmd_Next->click();
            EXPECT_EQ(shown(), c.pages[p - 1]);
            EXPECT_EQ(buttons(), (std::vector<bool>{true, p < last, true}));
        }
        for (int p = last - 1; p >= 1; --p) {
            form->cmd_Perious->click();
            EXPECT_EQ(shown(), c.pages[p - 1]);
            EXPECT_EQ(buttons(), (std::vector<bool>{p > 1, true, true}));
        }
    }
}

TEST_F(TrendDiagramTest, ChartsShowEachIndicatorPerPeriodWithGapsAndNegatives) {
    db.exec("update indicatorItem set Unit = NULL where ItemID = 1003");
    for (auto [year, equity] : {std::pair{2002, 800}, {2003, 1000}, {2004, 1200}})
        db.putData(112, 1, year, 1, equity);
    db.putData(209, 1, 2003, 1, 90);
    db.putData(209, 1, 2004, 1, -33);
    db.putData(207, 1, 2003, 1, 150);
    db.putData(407, 1, 2003, 1, 50);
    db.putData(108, 1, 2003, 1, 2000);
    load();
    EnterRange(form->panel, 0, "2003", "2004");
    form->cmdDo->click();
    // 净资产收益率: 90 / ((1000 + 800) / 2) and -33 / ((1200 + 1000) / 2); 总资产报酬率 has no
    // 2004 amounts.
    auto* roe = form->getChart(1);
    EXPECT_EQ(roe->TitleText(), "净资产收益率   (单位：   %)");
    EXPECT_EQ(roe->ChartData(), (std::vector<ChartRow>{{"2003年", 10}, {"2004年", -3}}));
    EXPECT_EQ(roe->Width(), 3565);
    EXPECT_EQ(roe->Left(), 4067.5f);
    EXPECT_EQ(form->getChart(2)->ChartData(),
              (std::vector<ChartRow>{{"2003年", 10}, {"2004年", std::nullopt}}));
    EXPECT_EQ(form->getChart(3)->TitleText(), "主营业务利润率   (单位：   )");
    EXPECT_EQ(form->getChart(6)->TitleText(), "成本费用利润率   (单位：   %)");
    // Charts of other groups keep their blank data.
    EXPECT_EQ(form->getChart(7)->ChartData(), BlankChartRows(7, 0));
}

TEST_F(TrendDiagramTest, ARefusedRequestChangesNeitherGroupNorRangeNorCharts) {
    load();
    EnterRange(form->panel, 3, "2003", "2004", 0, 11);  // 24 months: accepted
    form->cbCapability->setListIndex(1);
    ASSERT_EQ(form->chartCount(), 9);
    const auto drawn = form->getChart(9)->ChartData();
    ASSERT_EQ(drawn.size(), 24u);
    const PeriodRange range = form->range();
    form->cmd_Next->click();

    ScriptedMsgBox boxes;
    boxes.answer(MsgResult::OK, 3);
    form->panel->cbToMonth->setListIndex(-1);
    form->cbCapability->setListIndex(0);               // "请选择截至月"
    EnterRange(form->panel, 3, "2003", "2005", 0, 0);  // 25 months
    form->cbCapability->setListIndex(0);
    EnterRange(form->panel, 0, "2003", "2002");
    form->cmdDo->click();
    EXPECT_EQ(boxes.prompts(),
              (std::vector<std::string>{"请选择截至月", kLimit, "起始年大于截至年"}));
    EXPECT_EQ(form->category(), 2);
    EXPECT_EQ(form->chartCount(), 9);
    EXPECT_EQ(form->range(), range);
    EXPECT_EQ(form->currentPage(), 2);
    EXPECT_EQ(form->getChart(9)->ChartData(), drawn);
    // Paging still counts the nine charts drawn.
    for (int i = 0; i < 3; ++i) form->cmd_Next->click();
    EXPECT_EQ(shown(), (std::vector<int>{9}));
    EXPECT_FALSE(form->cmd_Next->isEnabled());
}

TEST_F(TrendDiagramTest, ADrawingThatCannotReadTheDatabaseChangesNothing) {
    load();
    form->cmdDo->click();
    form->cmd_Next->click();
    const auto charts = [this] {
        std::vector<std::vector<ChartRow>> rows;
        for (int k = 1; k <= 10; ++k) rows.push_back(form->getChart(k)->ChartData());
        return rows;
    };
    const auto drawn = charts();
    db.exec("alter table baseData rename to gone");
    ScriptedMsgBox boxes;
    boxes.answer(MsgResult::OK);
    form->cbCapability->setListIndex(1);  // the operation group: nine charts
    EXPECT_EQ(boxes.prompts().size(), 1u);
    // Paging still counts the six charts of the profitability group on show.
    EXPECT_EQ(form->category(), 1);
    EXPECT_EQ(form->chartCount(), 6);
    EXPECT_EQ(form->currentPage(), 2);
    EXPECT_EQ(shown(), (std::vector<int>{3, 4}));
    EXPECT_EQ(buttons(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(charts(), drawn);
}

TEST_F(TrendDiagramTest, ADatabaseUnreadableAtLoadFailsTheOpening) {
    db.exec("alter table defaultParameter rename to gone");
    print_TrendDiagram window;
    EXPECT_FALSE(OpeningFailure(window).empty());
}

TEST_F(TrendDiagramTest, AGroupTypedOverDrawsNothingAndChangesNothing) {
    load();
    form->cmdDo->click();
    form->cmd_Next->click();
    form->cbCapability->lineEdit()->setText("获利");
    EnterRange(form->panel, 0, "2004", "2005");
    form->cmdDo->click();
    EXPECT_EQ(form->category(), 1);
    EXPECT_EQ(form->range().fromYear, 2003);
    EXPECT_EQ(form->currentPage(), 2);
    EXPECT_EQ(shown(), (std::vector<int>{3, 4}));
}

TEST_F(TrendDiagramTest, PrintingMovesAndEnlargesThePageChartsAndRestoresThem) {
    load();
    form->cbCapability->setListIndex(1);
    const auto before = places();
    bool frameShown = true;
    auto atPrint = printedPlaces(&frameShown);
    EXPECT_FALSE(frameShown);
    EXPECT_EQ(atPrint[0], (Place{0, 4410}));
    EXPECT_EQ(atPrint[1], (Place{4680, 4410}));
    EXPECT_EQ(atPrint[2], (Place{720, 3795}));
    EXPECT_EQ(places(), before);
    EXPECT_TRUE(form->Frame1->isVisibleTo(form.get()));
    // Page 5 of the operation group has MSChart9 alone.
    for (int i = 0; i < 4; ++i) form->cmd_Next->click();
    atPrint = printedPlaces();
    EXPECT_EQ(atPrint[8], (Place{0, 4410}));
    EXPECT_EQ(atPrint[9], (Place{4680, 3795}));
    EXPECT_EQ(places(), before);
}

TEST_F(TrendDiagramTest, APrintThatFailsIsReportedOnceAndTheWindowLooksAsBefore) {
    load();
    form->cmdDo->click();
    const auto before = places();
    ExpectFailedPrintReported([&] { form->doPrint->click(); });
    EXPECT_EQ(places(), before);
    EXPECT_TRUE(form->Frame1->isVisibleTo(form.get()));
}

TEST_F(TrendDiagramTest, APrintedPageIsTheWindowPictureAcrossThePage) {
    load();
    form->cmdDo->click();
    const platform::PrintOp picture = PrintedPicture([&] { form->doPrint->click(); });
    EXPECT_NEAR(double(picture.y2) / picture.x2, 9200.0 / 11900, 0.01);
}

}  // namespace
