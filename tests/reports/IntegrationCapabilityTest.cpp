#include <QAbstractItemView>

#include "reports/print_IntegrationCapability.h"
#include "tests/reports/ChartPagesTestSupport.h"
#include "tests/support/FailedOpening.h"

using platform::ChartRow;
using platform::MsgResult;

namespace {

using IntegrationCapabilityTest = ChartPagesFixture<print_IntegrationCapability>;

std::string incomplete(const char* name) {
    return std::string("计算    ") + name + "    所需的权重或基数不全，请检查其基准设置！";
}

TEST_F(IntegrationCapabilityTest, LoadShowsFourBlankChartsAndComputesNothing) {
    load();  // the fresh database has no weights: a request would report every group
    EXPECT_EQ(form->windowTitle(), "打印－能力趋势图");
    EXPECT_EQ(shown(), (std::vector<int>{1, 2, 3, 4}));
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(form->getChart(k)->ChartData(), BlankChartRows(6, 1));
    EXPECT_EQ(BlankChartRows(6, 1).back(), (ChartRow{"", std::nullopt}));
    EXPECT_EQ(buttons(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(form->cbLevel->Text(), "历史最好水平");
    // The list drops down wide enough for its longest item, wider than the box itself.
    const int itemWidth = form->cbLevel->view()->fontMetrics().horizontalAdvance("历史最好水平");
    EXPECT_GT(form->cbLevel->view()->minimumWidth(), itemWidth);
    EXPECT_EQ(form->pageCount(), 2);
}

TEST_F(IntegrationCapabilityTest, IncompleteWeightsInEveryGroupGiveFourMessagesAndLabelledCharts) {
    load();
    ScriptedMsgBox boxes;
    boxes.answer(MsgResult::OK, 4);
    form->cmdDo->click();
    EXPECT_EQ(boxes.prompts(),
              (std::vector<std::string>{incomplete("综合获利能力"), incomplete("综合营运能力"),
                                        incomplete("综合发展能力"), incomplete("综合贡献能力")}));
    for (const ShownBox& box : boxes.shown()) EXPECT_EQ(box.title, platform::kAppTitle);
    EXPECT_EQ(form->getChart(2)->TitleText(), "    综合营运能力    ");
    EXPECT_EQ(form->getChart(4)->ChartData(),
              (std::vector<ChartRow>{
                  {"2003年", std::nullopt}, {"2004年", std::nullopt}, {"2005年", std::nullopt}}));
    EXPECT_EQ(form->level(), 1);
}

TEST_F(IntegrationCapabilityTest, ScoresPerGroupAndOneIncompleteGroupReportedAlone) {
    // Only the return on equity weighs in group 1; groups 3 and 4 weigh nothing; group 2
    // lacks the asset-liability ratio's weight.
    db.exec("update indicatorItem set Weight = 0");
    db.exec("update indicatorItem set Weight = 100, HistoryBestLevel = 10 where ItemID = 1001");
    db.exec("update indicatorItem set Weight = NULL where ItemID = 2001");
    for (auto [year, equity] : {std::pair{2002, 800}, {2003, 1000}, {2004, 1200}})
        db.putData(112, 1, year, 1, equity);
    db.putData(209, 1, 2003, 1, 90);
    db.putData(209, 1, 2004, 1, -33);
    load();
    EnterRange(form->panel, 0, "2003", "2004");
    ScriptedMsgBox boxes;
    boxes.answer(MsgResult::OK);
    form->cmdDo->click();
    EXPECT_EQ(boxes.prompts(), (std::vector<std::string>{incomplete("综合营运能力")}));
    // 100 × 10 / 10 and 100 × -3 / 10 held at 0.
    EXPECT_EQ(form->getChart(1)->ChartData(),
              (std::vector<ChartRow>{{"2003年", 100}, {"2004年", 0}}));
    EXPECT_EQ(form->getChart(1)->TitleText(), "    综合获利能力    ");
    EXPECT_EQ(form->getChart(1)->Width(), 3565);
    EXPECT_EQ(form->getChart(2)->ChartData(),
              (std::vector<ChartRow>{{"2003年", std::nullopt}, {"2004年", std::nullopt}}));
    EXPECT_EQ(form->getChart(3)->ChartData(),
              (std::vector<ChartRow>{{"2003年", 0}, {"2004年", 0}}));
}

TEST_F(IntegrationCapabilityTest, TwoPagesOfTwoGroupsEach) {
    db.exec("update indicatorItem set Weight = 0");
    load();
    form->cmdDo->click();
    EXPECT_EQ(shown(), (std::vector<int>{1, 2}));
    EXPECT_EQ(buttons(), (std::vector<bool>{false, true, true}));
    form->cmd_Next->click();
    EXPECT_EQ(shown(), (std::vector<int>{3, 4}));
    EXPECT_EQ(buttons(), (std::vector<bool>{true, false, true}));
    form->cmd_Perious->click();
    EXPECT_EQ(shown(), (std::vector<int>{1, 2}));
    EXPECT_EQ(buttons(), (std::vector<bool>{false, true, true}));
}

TEST_F(IntegrationCapabilityTest, ALevelChangeRerunsTheRequestAndARefusedOneKeepsEverything) {
    db.exec("update indicatorItem set Weight = 0");
    db.exec("update indicatorItem set Weight = 100, HistoryBestLevel = 10 where ItemID = 1001");
    load();
    ScriptedMsgBox boxes;
    boxes.answer(MsgResult::Cancel, 3);  // no base data: each year's score is left out
    form->cmdDo->click();
    EXPECT_EQ(boxes.prompts().size(), 3u);
    EXPECT_EQ(form->getChart(1)->ChartData()[0], (ChartRow{"2003年", std::nullopt}));
    boxes.clear();
    boxes.answer(MsgResult::OK, 2);
    form->cbLevel->setListIndex(1);  // 基准水平: no StandardLevel for 1001
    EXPECT_EQ(boxes.prompts(), (std::vector<std::string>{incomplete("综合获利能力")}));
    EXPECT_EQ(form->level(), 2);
    const PeriodRange range = form->range();
    EnterRange(form->panel, 3, "2003", "2005", 0, 0);  // 25 months
    form->cbLevel->setListIndex(0);
    EXPECT_EQ(boxes.prompts().back(), "选择周期不能大于24，否则数据量太大");
    EXPECT_EQ(form->level(), 2);
    EXPECT_EQ(form->range(), range);
    EXPECT_EQ(form->getChart(1)->ChartData().size(), 3u);
}

TEST_F(IntegrationCapabilityTest, ADrawingThatFailsPartWayPutsEveryChartBack) {
    db.exec("update indicatorItem set Weight = 0");
    load();
    form->cmdDo->click();  // 2003 to 2005, every group scored
    std::vector<std::vector<ChartRow>> drawn;
    for (int k = 1; k <= 4; ++k) drawn.push_back(form->getChart(k)->ChartData());
    ASSERT_EQ(drawn[0].size(), 3u);
    // The operation group's weights are incomplete; while its message is up the indicators
    // become unreadable, so the development group fails after two charts were redrawn.
    db.exec("update indicatorItem set Weight = NULL where ItemID = 2001");
    std::vector<std::string> prompts;
    const platform::MsgAnswerer previous = platform::SetMsgAnswerer(
        [&](const std::string& prompt, platform::MsgButtons, const std::string&) {
            if (prompts.empty()) db.exec("alter table indicatorItem rename to gone");
            prompts.push_back(prompt);
            return MsgResult::OK;
        });
    EnterRange(form->panel, 0, "2000", "2001");
    form->cbLevel->setListIndex(2);
    platform::SetMsgAnswerer(previous);
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0], incomplete("综合营运能力"));
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(form->getChart(k)->ChartData(), drawn[k - 1]) << k;
    EXPECT_EQ(shown(), (std::vector<int>{1, 2}));
    EXPECT_EQ(buttons(), (std::vector<bool>{false, true, true}));
    EXPECT_EQ(form->level(), 1);
    EXPECT_EQ(form->range().fromYear, 2003);
}

TEST_F(IntegrationCapabilityTest, ADatabaseUnreadableAtLoadFailsTheOpening) {
    db.exec("alter table defaultParameter rename to gone");
    print_IntegrationCapability window;
    EXPECT_FALSE(OpeningFailure(window).empty());
}

TEST_F(IntegrationCapabilityTest, PrintingEitherPageEnlargesBothChartsAndRestoresThem) {
    db.exec("update indicatorItem set Weight = 0");
    load();
    EnterRange(form->panel, 3, "2003", "2004", 0, 11);  // 24 months are accepted
    form->cmdDo->click();
    ASSERT_EQ(form->getChart(1)->ChartData().size(), 24u);
    const auto before = places();
    for (int page = 1; page <= 2; ++page) {
        SCOPED_TRACE(page);
        const auto atPrint = printedPlaces();
        const int upper = 2 * page - 2;
        EXPECT_EQ(atPrint[upper], (Place{0, 4410}));
        EXPECT_EQ(atPrint[upper + 1], (Place{4680, 4410}));
        EXPECT_EQ(places(), before);
        form->cmd_Next->click();
    }
}

}  // namespace
