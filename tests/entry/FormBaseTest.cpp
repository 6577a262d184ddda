#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

#include "core/CCalendar.h"
#include "tests/entry/EntryTestSupport.h"

using platform::MsgResult;

namespace {

using FormBaseTest = FormBaseFixture;

// Non-empty value cells (rows 1.., columns 4..) of a grid.
int filledValueCells(platform::FlexGrid* g) {
    int n = 0;
    for (int r = 1; r < g->Rows(); ++r)
        for (int c = 4; c < g->Cols(); ++c) n += g->TextMatrix(r, c).isEmpty() ? 0 : 1;
    return n;
}

std::vector<int> widths(platform::FlexGrid* g, int from, int to) {
    std::vector<int> w;
    for (int c = from; c <= to; ++c) w.push_back(g->ColWidth(c));
    return w;
}

TEST_F(FormBaseTest, LoadShowsTheBlankGridsAndTheStoredDefaults) {
    EXPECT_EQ(form->windowTitle(), "基础数据");
    EXPECT_EQ(form->width(), platform::TwipsToPixels(11900));
    EXPECT_EQ(form->height(), platform::TwipsToPixels(7800));
    EXPECT_TRUE(grid(1)->isVisible());
    for (int n = 2; n <= 4; ++n) EXPECT_FALSE(grid(n)->isVisible());
    EXPECT_EQ(grid(1)->Rows(), 16);
    EXPECT_EQ(grid(1)->Cols(), 14);
    EXPECT_EQ(grid(1)->ColWidth(0), 0);
    EXPECT_EQ(filledValueCells(grid(1)), 0);
    for (QPushButton* b : {form->cmdSave, form->cmdCancel, form->cmd_prev, form->cmd_Next})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(form->cmdClose->isEnabled());
    EXPECT_FALSE(form->Text1->isVisible());
    EXPECT_EQ(form->panel->cbSerial->Text(), "年");
    EXPECT_EQ(form->panel->txtFromYear->text(), "2003");
    EXPECT_EQ(form->panel->txtToYear->text(), "2005");
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(form->tbsOptions->Count(), 4);
    EXPECT_EQ(form->tbsOptions->Caption(2), "利润表");
    EXPECT_EQ(form->tbsOptions->Key(4), "grpTongji");
}

TEST_F(FormBaseTest, StoredAmountsStandInTheirItemRowAndPeriodColumnForEveryType) {
    struct Case {
        const char* what;
        int type;  // cbSerial position
        const char *from, *to;
        int fromPeriod, toPeriod;  // list positions
        int item, storedType, year, period;
        double amount;
        int row, col;
        const char* text;
        const char* header;
    };
    const Case cases[] = {
        {"years", 0, "2003", "2005", 0, 0, 101, 1, 2004, 1, 1234.50, 1, 5, "1234.5", "2004年"},
        {"half-years", 1, "2003", "2004", 1, 0, 102, 2, 2003, 2, 100, 2, 4, "100", "2003下半年"},
        {"quarters", 2, "2003", "2004", 2, 1, 112, 3, 2004, 1, -5.25, 12, 6, "-5.25", "2004一季度"},
        {"months", 3, "2003", "2004", 10, 1, 109, 4, 2003, 12, 0.1, 9, 5, "0.1", "2003十二月"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db.exec("delete from baseData");
        db.putData(c.item, c.storedType, c.year, c.period, c.amount);
        // Neighbours that must not show: the same period of another type, a period outside
        // the range, another statement's item.
        db.putData(c.item, c.storedType == 1 ? 2 : 1, c.year, 1, 77);
        db.putData(c.item, c.storedType, 2010, 1, 88);
        db.putData(201, c.storedType, c.year, c.period, 99);
        display(c.type, c.from, c.to, c.fromPeriod, c.toPeriod);
        EXPECT_EQ(cell(1, c.row, c.col), c.text);
        EXPECT_EQ(cell(1, 0, c.col), c.header);
        EXPECT_EQ(filledValueCells(grid(1)), 1);
    }
}

TEST_F(FormBaseTest, QuarterDisplayLaysOutTheStatementGrids) {
    display(2, "2003", "2003", 0, 3);
    EXPECT_EQ(form->periodCount(), 4);
    EXPECT_EQ(form->range(), (PeriodRange{3, 2003, 2003, 1, 4}));
    platform::FlexGrid* g = grid(1);
    EXPECT_EQ(g->Rows(), 14);
    EXPECT_EQ(g->Cols(), 16);
    EXPECT_EQ(g->FixedRows(), 1);
    EXPECT_EQ(g->FixedCols(), 4);
    EXPECT_EQ(form->usedRows(1), 13);
    EXPECT_EQ(form->usedCols(1), 8);
    EXPECT_EQ(widths(g, 0, 3), (std::vector<int>{0, 400, 1500, 500}));
    EXPECT_EQ(widths(grid(2), 0, 3), (std::vector<int>{0, 280, 1740, 500}));
    EXPECT_EQ(widths(grid(3), 0, 3), (std::vector<int>{0, 300, 1680, 500}));
    EXPECT_EQ(widths(grid(4), 0, 3), (std::vector<int>{0, 360, 1620, 500}));
    EXPECT_EQ(widths(g, 4, 15),
              (std::vector<int>{1150, 1150, 1150, 1150, 1150, 1150, 1150, 1150, 0, 0, 0, 0}));
    EXPECT_EQ(cell(1, 0, 2), " 项目 ");
    EXPECT_EQ(cell(1, 0, 3), "单位");
    EXPECT_EQ(cell(1, 0, 4), "2003一季度");
    EXPECT_EQ(cell(1, 0, 7), "2003四季度");
    EXPECT_EQ(cell(1, 0, 8), "");
    EXPECT_EQ(cell(1, 1, 0), " 101");
    EXPECT_EQ(cell(1, 1, 1), " 1");
    EXPECT_EQ(cell(1, 12, 1), " 12");
    EXPECT_EQ(cell(1, 12, 2), "所有者权益");
    EXPECT_EQ(cell(1, 13, 2), "");
    EXPECT_EQ(cell(4, 4, 3), "件");
    EXPECT_EQ(grid(3)->Rows(), 12);
    EXPECT_EQ(grid(3)->RowHeight(1), 450);
    EXPECT_EQ(grid(3)->RowHeight(3), 250);
    EXPECT_EQ(grid(3)->RowHeight(4), 450);
    EXPECT_EQ(cell(3, 4, 2), "现金及现金等价物净增加值");
    EXPECT_FALSE(form->cmd_prev->isEnabled());
    EXPECT_FALSE(form->cmd_Next->isEnabled());
    EXPECT_TRUE(form->cmdSave->isEnabled());
    EXPECT_TRUE(form->cmdCancel->isEnabled());
    EXPECT_EQ(states(), (std::vector<int>{1, 0, 0, 0}));
}

TEST_F(FormBaseTest, TwelveMonthsShowInTwoOverlappingPagesPerGrid) {
    display(3, "2003", "2003", 0, 11);
    platform::FlexGrid* g = grid(1);
    const std::vector<int> page1{1150, 1150, 1150, 1150, 1150, 1150, 1150, 1150, 0, 0, 0, 0};
    const std::vector<int> page2{0, 0, 0, 0, 1150, 1150, 1150, 1150, 1150, 1150, 1150, 1150};
    EXPECT_EQ(widths(g, 4, 15), page1);
    EXPECT_EQ(cell(1, 0, 11), "2003八月");
    EXPECT_FALSE(form->cmd_prev->isEnabled());
    EXPECT_TRUE(form->cmd_Next->isEnabled());

    form->cmd_Next->click();
    EXPECT_EQ(form->gridPage(1), 2);
    EXPECT_EQ(widths(g, 4, 15), page2);
    EXPECT_EQ(cell(1, 0, 8), "2003五月");
    EXPECT_EQ(cell(1, 0, 15), "2003十二月");
    EXPECT_TRUE(form->cmd_prev->isEnabled());
    EXPECT_FALSE(form->cmd_Next->isEnabled());

    form->tbsOptions->setSelectedIndex(2);
    EXPECT_EQ(widths(grid(2), 4, 15), page1) << "each grid keeps its own page";
    EXPECT_FALSE(form->cmd_prev->isEnabled());
    form->tbsOptions->setSelectedIndex(1);
    EXPECT_EQ(widths(g, 4, 15), page2);
    EXPECT_TRUE(form->cmd_prev->isEnabled());
    form->cmd_prev->click();
    EXPECT_EQ(widths(g, 4, 15), page1);

    // A new display starts every grid on page 1.
    form->cmd_Next->click();
    display(3, "2003", "2003", 0, 8);
    EXPECT_EQ(form->gridPage(1), 1);
    EXPECT_EQ(widths(g, 4, 15), page1);
    EXPECT_EQ(cell(1, 0, 12), "2003九月");
    EXPECT_EQ(cell(1, 0, 13), "") << "columns past the range are emptied";
}

TEST_F(FormBaseTest, RefusedRequestLeavesTheGridsAndTheRangeAsShown) {
    db.putData(101, 3, 2003, 1, 5);
    display(2, "2003", "2003", 0, 3);
    const PeriodRange shown = form->range();
    struct Case {
        const char* what;
        int type;
        const char *from, *to;
        int fromPeriod, toPeriod;
        const char* message;
    };
    const Case cases[] = {
        {"13 months", 3, "2003", "2004", 0, 0, "选择周期不能大于12，否则数据量太大"},
        {"calendar", 2, "2004", "2004", 2, 1, "无效参数: 3 2004 2004 3 2"},
        {"year text", 0, "abc", "2004", 0, 0, "时间年必须为数字"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedMsgBox box;
        box.answer(MsgResult::OK);
        display(c.type, c.from, c.to, c.fromPeriod, c.toPeriod);
        EXPECT_EQ(box.prompts(), std::vector<std::string>{c.message});
        EXPECT_EQ(form->range(), shown);
        EXPECT_EQ(form->periodCount(), 4);
        EXPECT_EQ(cell(1, 0, 4), "2003一季度");
        EXPECT_EQ(cell(1, 1, 4), "5");
        EXPECT_EQ(grid(1)->Cols(), 16);
    }
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    display(3, "2003", "2004", 0, 0);
    EXPECT_EQ(box.shown().at(0).title, "错误");
}

TEST_F(FormBaseTest, AStoredTypeOutsideOneToFourMakesTheCheckAskForTheType) {
    db.exec("update defaultParameter set valueFrom = '9' where paramCd = 'serial'");
    form = std::make_unique<form_base>();
    form->Show();
    EXPECT_EQ(form->panel->cbSerial->ListIndex(), -1);
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    form->cmdDo->click();
    EXPECT_EQ(box.prompts(), std::vector<std::string>{"请选择周期"});
}

TEST_F(FormBaseTest, ATabSelectedBeforeTheFirstDisplayLoadsAnEmptyGrid) {
    form->tbsOptions->setSelectedIndex(2);
    EXPECT_TRUE(grid(2)->isVisible());
    EXPECT_EQ(states(), (std::vector<int>{0, 1, 0, 0}));
    EXPECT_EQ(filledValueCells(grid(2)), 0);
    EXPECT_FALSE(form->cmd_Next->isEnabled());
    clickCell(2, 1, 4);
    EXPECT_FALSE(form->Text1->isVisible());
}

TEST_F(FormBaseTest, TheCloseButtonUnloadsTheForm) {
    QPointer<form_base> closing = form.release();
    closing->cmdClose->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
}

TEST_F(FormBaseTest, OtherStatementsLoadWhenTheirTabIsFirstSelected) {
    db.putData(301, 1, 2003, 1, 42);
    display(0, "2003", "2003");
    EXPECT_EQ(cell(3, 1, 4), "") << "only the current statement is read by a display";
    EXPECT_EQ(states(), (std::vector<int>{1, 0, 0, 0}));

    form->tbsOptions->setSelectedIndex(3);
    EXPECT_EQ(form->currentTab(), 3);
    EXPECT_TRUE(grid(3)->isVisible());
    EXPECT_FALSE(grid(1)->isVisible());
    EXPECT_EQ(cell(3, 1, 4), "42");
    EXPECT_EQ(states(), (std::vector<int>{1, 0, 1, 0}));

    // Once loaded, a grid is not read again on its next selection.
    db.putData(301, 1, 2003, 1, 43);
    form->tbsOptions->setSelectedIndex(1);
    form->tbsOptions->setSelectedIndex(3);
    EXPECT_EQ(cell(3, 1, 4), "42");

    // A new display reads the current statement only and resets the others.
    display(0, "2003", "2003");
    EXPECT_EQ(cell(3, 1, 4), "43");
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 1, 0}));
}

TEST_F(FormBaseTest, AnEditedGridKeepsItsEditAndStateAcrossTabChanges) {
    display(0, "2003", "2003");
    clickCell(1, 2, 4);
    type("17");
    EXPECT_EQ(form->gridState(1), 2);
    form->tbsOptions->setSelectedIndex(2);
    EXPECT_FALSE(form->Text1->isVisible()) << "a tab change hides the editor";
    form->tbsOptions->setSelectedIndex(1);
    EXPECT_EQ(cell(1, 2, 4), "17");
    EXPECT_EQ(states(), (std::vector<int>{2, 1, 0, 0}));
}

TEST_F(FormBaseTest, CtrlTabSelectsTheNextTabFromAnyControl) {
    display(0, "2003", "2003");
    grid(1)->setFocus();
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(form->tbsOptions->SelectedIndex(), 2);
    EXPECT_EQ(form->currentTab(), 2);
    EXPECT_EQ(form->gridState(2), 1) << "selected by Ctrl+Tab, the grid loads as by a click";
    clickCell(2, 1, 4);
    ASSERT_TRUE(form->Text1->hasFocus());
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(form->currentTab(), 3);
    EXPECT_FALSE(form->Text1->isVisible());
    form->panel->txtFromYear->setFocus();
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(form->currentTab(), 4);
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(form->currentTab(), 1) << "after the last tab the first";
    key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form->currentTab(), 1) << "Ctrl+Shift+Tab does nothing";
    key(Qt::Key_Tab);
    EXPECT_EQ(form->currentTab(), 1);
}

TEST_F(FormBaseTest, AnyResizeReturnsToTheFixedSize) {
    form->resize(400, 300);
    EXPECT_EQ(form->width(), platform::TwipsToPixels(11900));
    EXPECT_EQ(form->height(), platform::TwipsToPixels(7800));
}

// A year of months fills the first page; the grid shows it without a horizontal bar.
TEST_F(FormBaseTest, AYearOfMonthsFillsThePageWithoutAHorizontalBar) {
    CCalendar calendar;
    calendar.SetCalendar(4, 2003, 2003, 1, 12);
    const auto periods = calendar.GetPeriodData();
    double v = 1000;
    for (int item = 101; item <= 112; ++item)
        for (int i = 0; i < 12; ++i) db.putData(item, 4, 2003, periods[i].Period, v += 137.25);
    display(3, "2003", "2003", 0, 11);
    clickCell(1, 3, 6);
    type("4567.8");
    QApplication::processEvents();  // scroll bars settle through queued calls
    EXPECT_EQ(filledValueCells(grid(1)), 12 * 12);
    EXPECT_EQ(grid(1)->horizontalScrollBar()->maximum(), 0) << "a page of periods fits the grid";
}

// The cash-flow statement's long item names take two lines in their taller rows: both lines
// show, and the lower one ends above the row line instead of being cut by the next row.
TEST_F(FormBaseTest, TwoLineItemNamesStayInsideTheirRows) {
    display(0, "2003", "2003");
    form->tbsOptions->setSelectedIndex(3);
    QApplication::processEvents();
    platform::FlexGrid* g = grid(3);
    const QImage image = g->viewport()->grab().toImage();
    const auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 160; };
    const int left = platform::TwipsToPixels(g->ColPos(2)) - g->viewport()->x();
    const int width = platform::TwipsToPixels(g->ColWidth(2));
    for (int row : {1, 2, 4}) {
        SCOPED_TRACE(g->TextMatrix(row, 2).toStdString());
        const int top = platform::TwipsToPixels(g->RowPos(row)) - g->viewport()->y();
        const int height = platform::TwipsToPixels(g->RowHeight(row));
        ASSERT_EQ(height, 30);
        const int line = top + height - 1;
        int inkAbove = 0, inkBelow = 0, inkAtTheLine = 0;
        for (int x = left + 1; x < left + width - 1; ++x) {
            for (int y = top; y < top + height / 2; ++y) inkAbove += dark(x, y);
            for (int y = top + height / 2; y < line - 1; ++y) inkBelow += dark(x, y);
            inkAtTheLine += dark(x, line - 1);
        }
        EXPECT_GT(inkAbove, 20);
        EXPECT_GT(inkBelow, 20);
        EXPECT_EQ(inkAtTheLine, 0);
    }
}

}  // namespace
