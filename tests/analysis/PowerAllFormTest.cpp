// The capability trend window driven through its controls on a temporary database. Scores are
// worked out by hand from the stored amounts, benchmarks and weights.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <memory>

#include "analysis/LevelMeans.h"
#include "analysis/power_all_form.h"
#include "tests/entry/EntryTestSupport.h"
#include "tests/support/ActiveWindow.h"
#include "tests/support/FailedOpening.h"
#include "tests/support/GridInput.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

using platform::MsgResult;
using Texts = std::vector<std::string>;

namespace {

const char* const kIncomplete3 = "计算“发展能力”所需的权重或基数不全，请检查基准设置！";

class PowerAllFormTest : public testing::Test {
  protected:
    // No benchmark is set and every weight is 0: each group is complete and scores 0 until a
    // test marks an indicator.
    void SetUp() override {
        db.exec(
            "update indicatorItem set HistoryBestLevel = NULL, StandardLevel = NULL, Weight = 0");
    }

    void open() { ASSERT_NO_FATAL_FAILURE(OpenActive(form)); }

    void mark(int id, double level, double weight, const char* column = "HistoryBestLevel") {
        db.exec(
            std::string("update indicatorItem set ") + column + " = ?, Weight = ? where ItemID = ?",
            {level, weight, std::int64_t(id)});
    }
    void put(int item, int year, double value) { db.putData(item, 1, year, 1, value); }

    // 主营业务利润率 (207 / 201) of 8.55, 10 and 20 % against 10 with weight 100 scores 85.5,
    // 100 and 150 (the ceiling 1.5 × 100); 劳动生产率（销售收入） (201 / average 409) of 10, 5
    // and 3.33 against 10 with weight 20 scores 20, 10 and 6.66; 固定资产增长率 has no weight.
    void storeCompany() {
        mark(1003, 10, 100);
        mark(4004, 10, 20);
        db.exec("update indicatorItem set Weight = NULL where ItemID = 3005");
        const double margins[] = {8.55, 10, 20};
        const double staff[] = {10, 30, 30};
        for (int i = 0; i < 3; ++i) {
            put(201, 2003 + i, 100);
            put(207, 2003 + i, margins[i]);
            put(409, 2003 + i, staff[i]);
        }
    }

    // A request of years (null boxes stay as they are), then 确定.
    void request(int type, const char* from, const char* to, int fromPeriod = 0, int toPeriod = 0) {
        EnterRange(form->panel, type, from, to, fromPeriod, toPeriod);
        form->cmdDo->click();
    }

    Texts row(int r) const {
        Texts t;
        for (int c = 0; c < form->MSFlexGrid1->Cols(); ++c)
            t.push_back(form->MSFlexGrid1->TextMatrix(r, c).toStdString());
        return t;
    }
    void clickCell(int r, int c) { gui::ClickCell(form->MSFlexGrid1, r, c); }
    bool chartShown() const { return form->myChart->isVisible(); }

    TestDb db;
    std::unique_ptr<power_all_form> form;
};

TEST_F(PowerAllFormTest, LoadShowsTheDefaultsAndTheFirstLevelWithoutComputing) {
    open();
    EXPECT_EQ(form->windowTitle(), "能力趋势");
    EXPECT_EQ(form->Width(), 11900);
    EXPECT_EQ(form->Height(), 7900);
    EXPECT_EQ(form->panel->cbSerial->Text(), "年");
    EXPECT_EQ(form->panel->txtFromYear->text(), "2003");
    EXPECT_EQ(form->panel->txtToYear->text(), "2005");
    EXPECT_EQ(form->cbLevel->ListCount(), 6);
    EXPECT_EQ(form->cbLevel->Text(), "历史最好水平");
    EXPECT_EQ(form->cbLevel->List(3), "行业先进水平");
    EXPECT_EQ(form->Info_Label->text(), GetLevelMeans()[0]);
    EXPECT_TRUE(form->Info_Frame->isVisible());
    EXPECT_EQ(form->Info_Frame->height(),
              platform::TwipsToPixels(platform::TwipsHeight(form->Info_Label) + 700));
    EXPECT_EQ(form->Info_Frame->width(), platform::TwipsToPixels(10170 + 700));
    EXPECT_TRUE(form->rect().contains(form->Info_Frame->geometry())) << "nothing clipped";
    EXPECT_FALSE(chartShown());
    EXPECT_EQ(form->MSFlexGrid1->Rows(), 5);
    EXPECT_EQ(form->MSFlexGrid1->Cols(), 12);
    EXPECT_EQ(form->periodCount(), 0);
    EXPECT_EQ(row(1), Texts(12));

    // A click on a group before the first fill has nothing to chart.
    clickCell(1, 0);
    EXPECT_FALSE(chartShown());
    EXPECT_TRUE(form->Info_Frame->isVisible());
}

// The text field of a list (its box less the arrow) holds each of its items whole.
void ExpectItemsFit(QComboBox* list) {
    QStyleOptionComboBox opt;
    opt.initFrom(list);
    const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                      QStyle::SC_ComboBoxEditField, list);
    for (int i = 0; i < list->count(); ++i)
        EXPECT_LE(list->fontMetrics().horizontalAdvance(list->itemText(i)), field.width())
            << list->objectName().toStdString() << " " << list->itemText(i).toStdString();
}

TEST_F(PowerAllFormTest, TheInputRowShowsEveryItemWholeAndNothingOverlaps) {
    open();
    QList<QWidget*> inputs;
    for (QWidget* w : form->Frame1->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(form->Frame1->rect().contains(w->geometry())) << w->objectName().toStdString();
        if (auto* list = qobject_cast<QComboBox*>(w)) ExpectItemsFit(list);
        if (!qobject_cast<QLabel*>(w)) inputs.push_back(w);
    }
    // The lists of one place share it; any other two inputs stand apart.
    for (QWidget* a : inputs)
        for (QWidget* b : inputs)
            if (a != b && a->geometry() != b->geometry()) {
                EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                    << a->objectName().toStdString() << " " << b->objectName().toStdString();
            }
}

TEST_F(PowerAllFormTest, ALockedDatabaseAtOpeningFailsTheOpening) {
    DbLockedByOther lock(db);
    form = std::make_unique<power_all_form>();
    EXPECT_FALSE(OpeningFailure(*form).empty());
}

TEST_F(PowerAllFormTest, WithoutStoredDefaultsTheTypeIsYearAndTheYearsAreEmpty) {
    db.exec("delete from defaultParameter where paramCd in ('serial', 'yearFromTo')");
    open();
    EXPECT_EQ(form->panel->cbSerial->Text(), "年");
    EXPECT_EQ(form->panel->txtFromYear->text(), "");
    EXPECT_EQ(form->panel->txtToYear->text(), "");
}

TEST_F(PowerAllFormTest, FillScoresEveryGroupAndChartsTheClickedOne) {
    storeCompany();
    open();
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    form->cmdDo->click();
    ASSERT_EQ(box.shown().size(), 1u);
    EXPECT_EQ(box.shown()[0].prompt, kIncomplete3);
    EXPECT_EQ(box.shown()[0].title, platform::kAppTitle);
    EXPECT_EQ(row(0), (Texts{" ", "2003年", "2004年", "2005年"}));
    EXPECT_EQ(row(1), (Texts{" 综合获利能力", "85.5", "100", "150"}));
    EXPECT_EQ(row(2), (Texts{" 综合运营能力", "0", "0", "0"}));
    EXPECT_EQ(row(3), (Texts{" 综合发展能力", " -", " -", " -"}));
    EXPECT_EQ(row(4), (Texts{" 综合贡献能力", "20", "10", "6.66"}));
    EXPECT_EQ(form->MSFlexGrid1->ColWidth(0), 1500);
    EXPECT_EQ(form->MSFlexGrid1->ColWidth(3), 1140);
    EXPECT_EQ(form->groupScores(1), (std::vector<std::string>{"85.50", "100.00", "150.00", ""}));
    EXPECT_EQ(form->range(), (PeriodRange{1, 2003, 2005, 1, 1}));
    EXPECT_EQ(form->level(), 1);
    EXPECT_TRUE(form->Info_Frame->isVisible());
    EXPECT_FALSE(chartShown());

    // Clicks on the header row or on a later period cell chart nothing.
    clickCell(0, 1);
    clickCell(1, 2);
    EXPECT_FALSE(chartShown());

    clickCell(1, 0);
    ASSERT_TRUE(chartShown());
    EXPECT_FALSE(form->Info_Frame->isVisible());
    EXPECT_EQ(form->myChart->TitleText(), "    2003年  至  2005年  综合获利能力    ");
    const auto& data = form->myChart->ChartData();
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[0].label, "2003年");
    EXPECT_EQ(data[0].value, 85.5);
    EXPECT_EQ(data[2].value, 150);
    // 3 × 1010 + 1545 twips, centred in 11900: (11900 - 4575) / 2 - 100.
    EXPECT_EQ(form->myChart->Width(), 4575);
    EXPECT_EQ(form->myChart->Left(), 3562.5);
    EXPECT_TRUE(form->rect().contains(form->myChart->geometry()));
    EXPECT_GE(form->myChart->geometry().top(), form->MSFlexGrid1->geometry().bottom());
    form->grab().save(QApplication::applicationDirPath() + "/power_all_form.png");

    // The incomplete group charts as gaps; its first period cell charts it too.
    clickCell(3, 1);
    EXPECT_EQ(form->myChart->TitleText(), "    2003年  至  2005年  综合发展能力    ");
    ASSERT_EQ(form->myChart->ChartData().size(), 3u);
    for (const auto& point : form->myChart->ChartData()) EXPECT_FALSE(point.value.has_value());
}

TEST_F(PowerAllFormTest, QuestionsAndErrorsOfTheScoringComeInGroupOrder) {
    storeCompany();
    db.exec("delete from baseData where ItemID in (207, 409) and Year = 2005");
    // 资产负债率 against a benchmark of 100 cannot be scored from the first period on.
    mark(2001, 100, 10);
    for (int year = 2003; year <= 2005; ++year) {
        put(108, year, 100);
        put(110, year, 50);
    }
    open();
    ScriptedMsgBox box;
    box.answer(MsgResult::OK, 3).answer(MsgResult::Cancel);
    form->cmdDo->click();
    EXPECT_EQ(box.prompts(),
              (std::vector<std::string>{
                  "缺少计算2005年主营业务利润率的基础数据，”OK“将忽略主营业务利润率，”Cancel” "
                  "将不计算该期的综合获利能力.",
                  "数字计算错误！请检查运营能力的基准设置！基准的“资产负债率”不能为 100！",
                  kIncomplete3,
                  "缺少计算2005年劳动生产率（销售收入）的基础数据，”OK“将忽略劳动生产率（销售收入）"
                  "，”Cancel” 将不计算该期的综合贡献能力.",
              }));
    EXPECT_EQ(row(1), (Texts{" 综合获利能力", "85.5", "100", "0"})) << "OK scores it 0";
    EXPECT_EQ(row(2), (Texts{" 综合运营能力", " -", " -", " -"}));
    EXPECT_EQ(row(4), (Texts{" 综合贡献能力", "20", "10", " -"})) << "Cancel leaves it out";
}

TEST_F(PowerAllFormTest, IncompleteWeightsInEveryGroupAreReportedInGroupOrder) {
    db.exec("update indicatorItem set Weight = NULL where ItemID in (1002, 2009, 3001, 4008)");
    open();
    ScriptedMsgBox box;
    box.answer(MsgResult::OK, 4);
    form->cmdDo->click();
    EXPECT_EQ(box.prompts(), (std::vector<std::string>{
                                 "计算“获利能力”所需的权重或基数不全，请检查基准设置！",
                                 "计算“运营能力”所需的权重或基数不全，请检查基准设置！",
                                 kIncomplete3,
                                 "计算“贡献能力”所需的权重或基数不全，请检查基准设置！",
                             }));
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(row(r)[3], " -") << r;
}

TEST_F(PowerAllFormTest, ALevelChangeRecomputesOnlyWhenTheRequestPasses) {
    storeCompany();
    mark(1003, 20, 100, "StandardLevel");  // 8.55 against 20: 42.75
    db.exec("update indicatorItem set StandardLevel = 10 where ItemID = 4004");
    open();
    ScriptedMsgBox box;
    box.answer(MsgResult::OK, 2);
    form->cmdDo->click();
    form->cbLevel->setListIndex(1);
    EXPECT_EQ(box.prompts(), (std::vector<std::string>{kIncomplete3, kIncomplete3}));
    EXPECT_EQ(form->level(), 2);
    EXPECT_EQ(row(1)[1], "42.75");
    EXPECT_EQ(form->Info_Label->text(), GetLevelMeans()[1]);

    // With the first year gone, the next level is refused and nothing changes.
    clickCell(1, 0);
    form->panel->txtFromYear->setText("");
    box.clear();
    box.answer(MsgResult::OK);
    form->cbLevel->setListIndex(4);
    EXPECT_EQ(box.prompts(), std::vector<std::string>{"请输入时间年"});
    EXPECT_EQ(FocusName(), "txtFromYear");
    EXPECT_EQ(form->level(), 2);
    EXPECT_EQ(row(1)[1], "42.75");
    EXPECT_EQ(form->Info_Label->text(), GetLevelMeans()[1]);
    EXPECT_TRUE(chartShown()) << "the chart stays until the next fill";
}

TEST_F(PowerAllFormTest, RefusedRequestsKeepTheGridTheRangeAndTheChart) {
    storeCompany();
    open();
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    form->cmdDo->click();
    struct Case {
        int type;
        const char *from, *to;
        int fromPeriod, toPeriod;
        const char* message;
        const char* focus;  // "" = unchanged (on cmdDo)
    };
    const Case cases[] = {
        {-1, "2003", "2005", 0, 0, "请选择周期", "cbSerial"},
        {0, "", "2005", 0, 0, "请输入时间年", "txtFromYear"},
        {0, "2003", "", 0, 0, "请选择时间年", "txtToYear"},
        {0, "2003", "20050", 0, 0, "时间年不能大于四位数", "txtToYear"},
        {0, "2006", "2005", 0, 0, "起始年大于截至年", "txtFromYear"},
        {2, "2003", "2004", 0, -1, "请选择截至季度", "cbToQuartor"},
        {2, "2003", "2003", 2, 0, "无效参数: 3 2003 2003 3 1", "cmdDo"},
        {3, "2003", "2005", 0, 0, "选择周期不能大于24，否则数据量太大", "cmdDo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        box.clear();
        box.answer(MsgResult::OK);
        form->cmdDo->setFocus();
        request(c.type, c.from, c.to, c.fromPeriod, c.toPeriod);
        ASSERT_EQ(box.shown().size(), 1u);
        EXPECT_EQ(box.shown()[0].prompt, c.message);
        EXPECT_EQ(box.shown()[0].title, platform::kAppTitle);
        EXPECT_EQ(FocusName(), c.focus);
        EXPECT_EQ(form->range(), (PeriodRange{1, 2003, 2005, 1, 1}));
        EXPECT_EQ(row(1), (Texts{" 综合获利能力", "85.5", "100", "150"}));
    }
    // The chart of a refused request's aftermath is the kept range, titled as it.
    clickCell(1, 0);
    EXPECT_EQ(form->myChart->TitleText(), "    2003年  至  2005年  综合获利能力    ");
    EXPECT_EQ(form->myChart->ChartData().size(), 3u);
}

TEST_F(PowerAllFormTest, TwentyFourMonthsFillTwentyFourColumns) {
    open();
    request(3, "2003", "2004", 0, 11);
    EXPECT_EQ(form->periodCount(), 24);
    EXPECT_EQ(form->MSFlexGrid1->Cols(), 25);
    EXPECT_EQ(form->MSFlexGrid1->TextMatrix(0, 1), "2003一月");
    EXPECT_EQ(form->MSFlexGrid1->TextMatrix(0, 24), "2004十二月");
    EXPECT_EQ(form->MSFlexGrid1->TextMatrix(4, 24), "0");
    EXPECT_EQ(form->range(), (PeriodRange{4, 2003, 2004, 1, 12}));
}

}  // namespace
