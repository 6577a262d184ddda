// The benchmark settings form: its load and layout, tab switching, saving per group, reverting
// and closing, checked against the rows of a temporary database.
#include <QFrame>
#include <QScrollBar>
#include <QTabBar>

#include "platform/Fonts.h"
#include "tests/benchmark/MarkTestSupport.h"

using platform::MsgButtons;
using platform::MsgResult;

namespace {

using FormMarkTest = FormMarkFixture;

const char* const kChanged[] = {
    "获利能力中数据已经改动，是否保存？", "运营能力中数据已经改动，是否保存？",
    "发展能力中数据已经改动，是否保存？", "贡献能力中数据已经改动，是否保存？"};
const int kFirstItem[] = {1001, 2001, 3001, 4001};
const int kIndicators[] = {6, 9, 8, 8};

TEST_F(FormMarkTest, LoadLaysOutFourGroupsFromTheCatalogue) {
    db.exec("update indicatorItem set StandardLevel = 12.5, Weight = 30 where ItemID = 2002");
    db.exec("update indicatorItem set Unit = NULL, InternationalLevel = -0.75 where ItemID = 4008");
    ASSERT_TRUE(open());
    EXPECT_EQ(form->windowTitle(), "基准设置");
    EXPECT_EQ(form->Width(), 11900);
    EXPECT_EQ(form->Height(), 7800);
    ASSERT_EQ(form->tbsOptions->Count(), 4);
    EXPECT_EQ(form->tbsOptions->Caption(3), "发展能力");
    EXPECT_TRUE(form->tbsOptions->font().bold());
    EXPECT_FALSE(form->Text1->isVisible());
    EXPECT_EQ(form->curTab(), 1);
    EXPECT_EQ(states(), (std::vector<int>{1, 1, 1, 1}));

    const QStringList headers{"",         "序号",     "指标名称", "单位",
                              "历史最好", "标准水平", "行业平均", "行业领先",
                              "国家标准", "国际水平", "权重"};
    const std::vector<int> widths{0, 450, 2100, 750, 1125, 1125, 1125, 1125, 1125, 1125, 875};
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        platform::FlexGrid* g = grid(n);
        EXPECT_EQ(g->isVisible(), n == 1);
        EXPECT_EQ(form->groupRows(n), kIndicators[n - 1] + 1);
        ASSERT_EQ(g->Rows(), kIndicators[n - 1] + 1);
        ASSERT_EQ(g->Cols(), 11);
        EXPECT_EQ(g->FixedRows(), 1);
        EXPECT_EQ(g->FixedCols(), 4);
        for (int c = 0; c < 11; ++c) {
            EXPECT_EQ(g->TextMatrix(0, c), headers[c]);
            EXPECT_EQ(g->ColWidth(c), widths[c]);
        }
        for (int r = 0; r < g->Rows(); ++r)
            EXPECT_EQ(g->RowHeight(r), n == 3 && r == 7 ? 450 : 250) << r;
        EXPECT_EQ(g->TextMatrix(1, 0), " " + QString::number(kFirstItem[n - 1]));
        EXPECT_EQ(g->TextMatrix(2, 1), " 2");
        EXPECT_EQ(platform::TwipsLeft(g), 360);
        EXPECT_EQ(platform::TwipsTop(g), 1200);
        EXPECT_EQ(g->font().family(), n == 1 ? "Arial" : "宋体");
    }
    EXPECT_EQ(cell(3, 7, 2), "经营活动产生的现金净流量增长率");
    EXPECT_EQ(cell(2, 2, 3), "倍");
    EXPECT_EQ(cell(2, 2, 5), "12.5");
    EXPECT_EQ(cell(2, 2, 10), "30");
    EXPECT_EQ(cell(2, 2, 4), "") << "a NULL level";
    EXPECT_EQ(cell(2, 3, 10), "") << "a NULL weight as delivered";
    EXPECT_EQ(cell(4, 8, 3), "") << "a NULL unit";
    EXPECT_EQ(cell(4, 8, 9), "-0.75");
    EXPECT_EQ(form->cmdSave->text(), "保存");
    EXPECT_EQ(form->cmdCancel->text(), "取消");
    EXPECT_EQ(form->cmdClose->text(), "关闭");
    EXPECT_EQ(platform::TwipsTop(form->Line1) + form->Line1->height() * 15 / 2, 6720);
}

TEST_F(FormMarkTest, AnyResizeReturnsToTheFixedSizeAndShowGridFallsBackToGroup4) {
    form->resize(300, 200);
    EXPECT_EQ(form->width(), platform::TwipsToPixels(11900));
    EXPECT_EQ(form->height(), platform::TwipsToPixels(7800));
    form->resize(300, 24);  // 360 twips high or less, as minimised: left alone
    EXPECT_EQ(form->height(), 24);
    EXPECT_EQ(form->width(), 300);
    form->showGrid(9);
    EXPECT_TRUE(grid(4)->isVisible());
    EXPECT_FALSE(grid(1)->isVisible());
}

TEST_F(FormMarkTest, TabsKeepEachGridsEditsAndState) {
    edit(1, 1, 4, "7");
    ASSERT_TRUE(form->Text1->isVisible());
    form->tbsOptions->setSelectedIndex(3);
    EXPECT_EQ(form->curTab(), 3);
    EXPECT_TRUE(grid(3)->isVisible());
    EXPECT_FALSE(grid(1)->isVisible());
    EXPECT_FALSE(form->Text1->isVisible());
    form->tbsOptions->setSelectedIndex(1);
    EXPECT_EQ(cell(1, 1, 4), "7");
    EXPECT_EQ(states(), (std::vector<int>{2, 1, 1, 1}));
}

TEST_F(FormMarkTest, ASaveWritesEveryRowOfTheShownGroupOnly) {
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        db.exec("update indicatorItem set HistoryBestLevel = 1, Weight = 5");
        ASSERT_TRUE(open());
        std::vector<std::vector<std::string>> others;
        for (int m = 1; m <= 4; ++m)
            others.push_back(m == n ? std::vector<std::string>{} : storedGroup(m));
        form->tbsOptions->setSelectedIndex(n);
        putRow(n, 1, {"", "2.5", ".5", "-3", "4.", "123456789012345", "60"});
        putRow(n, 2, {"7", "", "", "", "", "", ""});  // the empty weight stores 0
        putWeights(n, {"60", "", "40"});
        grid(2)->setTextMatrix(1, 5, n == 2 ? "2.5" : "x");  // another group's edit stays unsaved
        form->cmdSave->click();
        EXPECT_TRUE(box.shown().empty());
        EXPECT_EQ(form->gridState(n), 1);
        EXPECT_FALSE(form->Text1->isVisible());
        const int id = kFirstItem[n - 1];
        EXPECT_EQ(stored(id),
                  (std::vector<std::string>{"", "2.5", "0.5", "-3", "4", "123456789012345", "60"}));
        EXPECT_EQ(stored(id + 1), (std::vector<std::string>{"7", "", "", "", "", "", "0"}));
        EXPECT_EQ(stored(id + 2), (std::vector<std::string>{"1", "", "", "", "", "", "40"}));
        EXPECT_EQ(stored(id + 5), (std::vector<std::string>{"1", "", "", "", "", "", "0"}));
        EXPECT_EQ(cell(n, 1, 6), "0.5") << "the saved text is shown";
        for (int m = 1; m <= 4; ++m) {
            if (m == n) continue;
            EXPECT_EQ(storedGroup(m), others[m - 1]) << "group " << m;
        }

        // What was saved comes back on the next load.
        ASSERT_TRUE(open());
        EXPECT_EQ(cell(n, 1, 4), "");
        EXPECT_EQ(cell(n, 1, 9), "123456789012345");
        EXPECT_EQ(cell(n, 2, 10), "0");
    }
}

TEST_F(FormMarkTest, AFailedCheckSavesNothing) {
    edit(1, 1, 10, "50");
    form->tbsOptions->setSelectedIndex(2);
    putWeights(2, {"50"});
    box.answer(MsgResult::OK);
    form->cmdSave->click();
    EXPECT_EQ(box.prompts(),
              std::vector<std::string>{"运营能力中权重之和为50,必须为100，请重新输入！"});
    EXPECT_EQ(stored(2001).back(), "");
    EXPECT_EQ(cell(2, 2, 10), "0") << "set by the check although the save stopped";
    EXPECT_EQ(states(), (std::vector<int>{2, 1, 1, 1}));
}

TEST_F(FormMarkTest, AFailingWriteRollsTheGroupBackAndKeepsItsEdits) {
    db.exec(
        "create trigger refuse before update on indicatorItem when new.ItemID = 1004 "
        "begin select raise(abort, 'row 1004 is locked'); end");
    edit(1, 1, 5, "8");
    putWeights(1, {"100"});
    box.answer(MsgResult::OK);
    form->cmdSave->click();
    ASSERT_EQ(box.shown().size(), 1u);
    EXPECT_EQ(box.shown()[0].title, "错误");
    EXPECT_EQ(box.shown()[0].prompt, db.message("语句执行失败"));
    for (int id = 1001; id <= 1006; ++id)
        EXPECT_EQ(stored(id), std::vector<std::string>(7, "")) << id;
    EXPECT_EQ(cell(1, 1, 5), "8");
    EXPECT_EQ(form->gridState(1), 2);

    // At close the failed write keeps the form open.
    box.clear();
    box.answer(MsgResult::Yes).answer(MsgResult::OK);
    EXPECT_FALSE(close());
    EXPECT_EQ(box.shown().size(), 2u);
    EXPECT_EQ(form->gridState(1), 2);
}

TEST_F(FormMarkTest, CancelRevertsOnlyTheShownGroup) {
    db.exec("update indicatorItem set StandardLevel = 3 where ItemID = 3007");
    ASSERT_TRUE(open());
    edit(1, 1, 4, "11");
    edit(3, 7, 5, "99");

    box.answer(MsgResult::No);
    form->cmdCancel->click();
    EXPECT_EQ(box.shown()[0].prompt, "是否放弃所有改动？");
    EXPECT_EQ(box.shown()[0].title, "提示");
    EXPECT_EQ(box.shown()[0].buttons, MsgButtons::YesNo);
    EXPECT_FALSE(form->Text1->isVisible());
    EXPECT_EQ(cell(3, 7, 5), "99");
    EXPECT_EQ(states(), (std::vector<int>{2, 1, 2, 1}));

    box.answer(MsgResult::Yes);
    form->cmdCancel->click();
    EXPECT_EQ(cell(3, 7, 5), "3");
    EXPECT_EQ(cell(3, 7, 2), "经营活动产生的现金净流量增长率");
    EXPECT_EQ(cell(3, 7, 1), " 7");
    EXPECT_EQ(cell(3, 0, 4), "历史最好");
    EXPECT_EQ(grid(3)->RowHeight(7), 450);
    EXPECT_EQ(cell(1, 1, 4), "11") << "another group keeps its edits";
    EXPECT_EQ(states(), (std::vector<int>{2, 1, 1, 1}));
    EXPECT_EQ(stored(3007)[1], "3");
}

TEST_F(FormMarkTest, AnUntouchedFormClosesWithoutAQuestion) {
    EXPECT_TRUE(close());
    EXPECT_TRUE(box.shown().empty());
}

TEST_F(FormMarkTest, CloseAsksInGroupOrderAndAFailedCheckStopsIt) {
    edit(1, 1, 4, "5");
    putWeights(1, {"100"});
    edit(3, 1, 4, "0");  // a zero level: the check fails
    edit(4, 1, 10, "100");
    form->tbsOptions->setSelectedIndex(2);
    box.answer(MsgResult::Yes).answer(MsgResult::Yes).answer(MsgResult::OK);
    EXPECT_FALSE(close());
    EXPECT_EQ(box.prompts(),
              (std::vector<std::string>{kChanged[0], kChanged[2],
                                        "发展能力中'销售收入增长率'的'历史最好'项不能为0！"}));
    EXPECT_EQ(box.shown()[0].title, "提示");
    EXPECT_EQ(box.shown()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(stored(1001).front(), "5") << "saved before the failing group";
    EXPECT_EQ(stored(1001).back(), "100");
    EXPECT_EQ(stored(4001).back(), "") << "not asked";
    EXPECT_EQ(states(), (std::vector<int>{1, 1, 2, 2}));
    EXPECT_EQ(form->curTab(), 2) << "the tab shown does not change";

    // The next close asks about groups 3 and 4 only; No to both closes without writing.
    box.clear();
    box.answer(MsgResult::No, 2);
    EXPECT_TRUE(close());
    EXPECT_EQ(box.prompts(), (std::vector<std::string>{kChanged[2], kChanged[3]}));
    EXPECT_EQ(stored(3001).front(), "");
    EXPECT_EQ(stored(4001).back(), "");
}

TEST_F(FormMarkTest, NoForOneGroupThenAFailedCheckAsksAboutItAgain) {
    edit(1, 2, 5, "9");
    edit(2, 1, 10, "30");
    box.answer(MsgResult::No).answer(MsgResult::Yes).answer(MsgResult::OK);
    EXPECT_FALSE(close());
    EXPECT_EQ(box.prompts().back(), "运营能力中权重之和为30,必须为100，请重新输入！");
    EXPECT_EQ(states(), (std::vector<int>{2, 2, 1, 1}));
    box.clear();
    box.answer(MsgResult::Yes).answer(MsgResult::No);
    EXPECT_TRUE(close());
    EXPECT_EQ(box.prompts(), (std::vector<std::string>{kChanged[0], kChanged[1]}));
    EXPECT_EQ(stored(1002)[1], "9");
    EXPECT_EQ(stored(1001).back(), "0");
}

// The main window reports the failure and puts its welcome form in place (see the end-to-end
// run); the form itself only refuses to load.
TEST_F(FormMarkTest, ADatabaseThatCannotBeReadFailsTheLoad) {
    db.exec("update indicatorItem set StandardLevel = 'abc' where ItemID = 3002");
    form_mark unread;
    EXPECT_THROW(unread.Load(), std::exception);
    db.exec("drop table indicatorItem");
    form_mark missing;
    try {
        missing.Load();
        ADD_FAILURE() << "loaded without its table";
    } catch (const std::exception& e) {
        EXPECT_EQ(e.what(), db.message("查询失败"));
    }
}

TEST_F(FormMarkTest, ACatalogueOutsideTheUsualLimitsStillLoadsAndSaves) {
    db.exec("delete from indicatorItem where Category = 4 or ItemID > 3003");
    ASSERT_TRUE(open());
    EXPECT_EQ(grid(3)->Rows(), 4);
    EXPECT_EQ(grid(4)->Rows(), 1);
    EXPECT_EQ(cell(4, 0, 10), "权重");
    form->tbsOptions->setSelectedIndex(4);
    clickCell(4, 0, 5);
    EXPECT_FALSE(form->Text1->isVisible());
    form->cmdSave->click();
    EXPECT_TRUE(box.shown().empty());
    edit(3, 3, 10, "100");
    box.answer(MsgResult::Yes);
    form->cmdCancel->click();
    EXPECT_EQ(cell(3, 3, 10), "");
    edit(3, 3, 10, "100");
    form->cmdSave->click();
    EXPECT_EQ(stored(3003).back(), "100");
}

// Writes the form with data to <build>/tests/form_mark-<tab>.png, one picture per tab, with the
// fonts the program uses, for a look at the layout.
TEST_F(FormMarkTest, GrabWithData) {
    platform::InstallFontSubstitutions();
    db.exec(
        "update indicatorItem set HistoryBestLevel = 18.5, StandardLevel = 12, IndustryMeanLevel "
        "= 9.75, IndustryLeadLevel = 15, NationalStandardLevel = 10, InternationalLevel = "
        "123456789012.25, Weight = 12.5");
    ASSERT_TRUE(open());
    for (int n = 1; n <= 4; ++n) {
        form->tbsOptions->setSelectedIndex(n);
        clickCell(n, 7 <= grid(n)->Rows() - 1 ? 7 : 1, 6);
        type("4567.8");
        QApplication::processEvents();
        const QImage image = form->grab().toImage();
        EXPECT_EQ(image.width(), form->width());
        EXPECT_TRUE(
            image.save(QApplication::applicationDirPath() + QString("/form_mark-%1.png").arg(n)));
        EXPECT_EQ(grid(n)->verticalScrollBar()->maximum(), 0) << "every indicator fits";
        EXPECT_EQ(grid(n)->horizontalScrollBar()->maximum(), 0) << "every column fits";
    }
}

}  // namespace
