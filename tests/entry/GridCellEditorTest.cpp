#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>

#include "tests/entry/EntryTestSupport.h"

using platform::MsgResult;

namespace {

using GridCellEditorTest = FormBaseFixture;

TEST_F(GridCellEditorTest, NoCellOpensBeforeTheFirstDisplay) {
    clickCell(1, 2, 4);
    EXPECT_FALSE(form->Text1->isVisible());
}

TEST_F(GridCellEditorTest, AClickOpensTheBoxOverAnEditableCellWithItsTextSelected) {
    db.putData(103, 1, 2003, 1, 250.5);
    display(0, "2003", "2004");
    clickCell(1, 3, 4);
    ASSERT_TRUE(form->Text1->isVisible());
    gui::ExpectOverCell(form->Text1, grid(1), 3, 4);
    EXPECT_EQ(form->Text1->text(), "250.5");
    EXPECT_TRUE(form->Text1->hasFocus());
    EXPECT_EQ(form->Text1->selectedText(), "250.5");
    EXPECT_EQ(form->Text1->palette().color(QPalette::Base), QColor(255, 192, 255));

    // Outside the editable area the box hides and no cell changes.
    struct Outside {
        int row, col;
    };
    for (const Outside& o : {Outside{13, 2}, Outside{13, 4}, Outside{2, 6}, Outside{0, 5}}) {
        clickCell(1, 3, 4);
        ASSERT_TRUE(form->Text1->isVisible());
        clickCell(1, o.row, o.col);
        EXPECT_FALSE(form->Text1->isVisible()) << o.row << "," << o.col;
    }
    EXPECT_EQ(cell(1, 3, 4), "250.5");
    EXPECT_EQ(states(), (std::vector<int>{1, 0, 0, 0}));

    // A click on an item's name selects the row: the box opens on its first period.
    clickCell(1, 5, 2);
    ASSERT_TRUE(form->Text1->isVisible());
    gui::ExpectOverCell(form->Text1, grid(1), 5, 4);
}

TEST_F(GridCellEditorTest, TypedKeysReachTheCellAndMarkTheGridEscHidesTheBox) {
    db.putData(101, 1, 2003, 1, 5);
    display(0, "2003", "2003");
    clickCell(1, 1, 4);
    type("12");
    EXPECT_EQ(cell(1, 1, 4), "12") << "the text replaced the selection";
    EXPECT_EQ(form->gridState(1), 2);
    key(Qt::Key_Escape);
    EXPECT_FALSE(form->Text1->isVisible());
    EXPECT_TRUE(grid(1)->hasFocus());
    EXPECT_EQ(cell(1, 1, 4), "12");
    EXPECT_EQ(form->gridState(1), 2);
}

TEST_F(GridCellEditorTest, AnArrowKeyAloneMarksTheGridChangedButEnterAloneDoesNot) {
    display(0, "2003", "2003");
    clickCell(1, 1, 4);
    for (int i = 0; i < 14; ++i) key(Qt::Key_Return);
    EXPECT_EQ(form->gridState(1), 1);
    key(Qt::Key_Right);
    EXPECT_EQ(form->gridState(1), 2);
}

TEST_F(GridCellEditorTest, EnterGoesDownTheColumnThenToTheNextColumnAndStopsAtTheLastCell) {
    db.putData(102, 2, 2003, 1, 8);
    display(1, "2003", "2003", 0, 1);  // two half-years: columns 4 and 5
    clickCell(1, 1, 4);
    type("3");
    key(Qt::Key_Return);
    gui::ExpectOverCell(form->Text1, grid(1), 2, 4);
    EXPECT_EQ(form->Text1->text(), "8");
    EXPECT_EQ(form->Text1->selectedText(), "8");
    EXPECT_EQ(cell(1, 1, 4), "3");

    clickCell(1, 12, 4);
    key(Qt::Key_Return);
    gui::ExpectOverCell(form->Text1, grid(1), 1, 5);
    clickCell(1, 12, 5);
    type("9");
    key(Qt::Key_Return);
    gui::ExpectOverCell(form->Text1, grid(1), 12, 5);
    EXPECT_TRUE(form->Text1->isVisible());
    EXPECT_EQ(form->Text1->selectedText(), "9");
}

TEST_F(GridCellEditorTest, EnterStopsAtTheEndOfPageOneButGoesOnFromPageTwo) {
    display(3, "2003", "2003", 0, 9);  // ten months
    clickCell(1, 12, 11);
    key(Qt::Key_Return);
    gui::ExpectOverCell(form->Text1, grid(1), 12, 11);
    form->cmd_Next->click();
    EXPECT_FALSE(form->Text1->isVisible()) << "a page change hides the editor";
    clickCell(1, 12, 11);
    key(Qt::Key_Return);
    gui::ExpectOverCell(form->Text1, grid(1), 1, 12);
    clickCell(1, 12, 13);
    key(Qt::Key_Return);
    gui::ExpectOverCell(form->Text1, grid(1), 12, 13);  // the last used column ends the grid
}

TEST_F(GridCellEditorTest, TextPutInWithoutAKeyReleaseCountsAsAChangeOnEnter) {
    display(0, "2003", "2003");
    clickCell(1, 5, 4);
    form->Text1->setText("800");  // from code: no user edit, the Enter stores it
    EXPECT_EQ(cell(1, 5, 4), "");
    EXPECT_EQ(form->gridState(1), 1);
    key(Qt::Key_Return);
    EXPECT_EQ(cell(1, 5, 4), "800");
    EXPECT_EQ(form->gridState(1), 2);
}

TEST_F(GridCellEditorTest, PastedComposedOrDroppedTextIsInTheCellAndSavedWithoutEnter) {
    for (int i = 0; i < 12; ++i) db.putData(101 + i, 1, 2003, 1, std::stod(kBalanced[i]));
    display(0, "2003", "2003");

    // Pasted from the box's context menu over 100, then 保存 clicked without Enter.
    clickCell(1, 9, 4);
    QApplication::clipboard()->setText("777");
    ASSERT_NO_FATAL_FAILURE(gui::PasteByMenu(form->Text1));
    EXPECT_EQ(cell(1, 9, 4), "777");
    EXPECT_EQ(form->gridState(1), 2);
    ScriptedMsgBox box;  // no question: the statement is complete and balanced
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    EXPECT_EQ(box.prompts(), std::vector<std::string>{});
    EXPECT_EQ(StoredRows(db, "ItemID = 109"), std::vector<std::string>{"109 1 2003 1 777"});

    // Committed by an input method, pasted by the keyboard route: in the cell at once, and
    // kept when Esc closes the box.
    clickCell(1, 11, 4);
    QInputMethodEvent commit;
    commit.setCommitString("250");
    QApplication::sendEvent(form->Text1, &commit);
    EXPECT_EQ(cell(1, 11, 4), "250");
    clickCell(1, 10, 4);
    QApplication::clipboard()->setText("350");
    form->Text1->paste();
    key(Qt::Key_Escape);
    EXPECT_FALSE(form->Text1->isVisible());
    EXPECT_EQ(cell(1, 10, 4), "350");
    EXPECT_EQ(form->gridState(1), 2);

    // Dropped onto the box.
    clickCell(1, 12, 4);
    QMimeData dragged;
    dragged.setText("450");
    const QPoint at(2, 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->Text1, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->Text1, &move);
    QDropEvent drop(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->Text1, &drop);
    EXPECT_EQ(cell(1, 12, 4), form->Text1->text());
    EXPECT_TRUE(form->Text1->text().contains("450"));
}

TEST_F(GridCellEditorTest, EnterOnTheGridOpensTheBoxOnTheCurrentCell) {
    db.putData(104, 1, 2003, 1, 61);
    display(0, "2003", "2003");
    clickCell(1, 4, 4);
    key(Qt::Key_Escape);
    key(Qt::Key_5);  // typed on the grid: ignored
    EXPECT_FALSE(form->Text1->isVisible());
    EXPECT_EQ(cell(1, 4, 4), "61");
    key(Qt::Key_Return);
    ASSERT_TRUE(form->Text1->isVisible());
    gui::ExpectOverCell(form->Text1, grid(1), 4, 4);
    EXPECT_EQ(form->Text1->selectedText(), "61") << "selected when the box got the focus";

    // On a cell outside the area Enter does nothing.
    key(Qt::Key_Escape);
    clickCell(1, 13, 4);
    key(Qt::Key_Return);
    EXPECT_FALSE(form->Text1->isVisible());
}

TEST_F(GridCellEditorTest, TheBoxKeepsEditingTheCellItLiesOverAfterTheGridMovedOn) {
    display(0, "2003", "2003");
    platform::FlexGrid* g = grid(1);
    clickCell(1, 1, 4);
    type("5");
    // A click on the grid's blank area below the rows, or Shift+Tab from the box, hands the
    // focus to the grid and leaves the box where it is; the arrow keys then move the grid on.
    const int below = (g->RowPos(13) + g->RowHeight(13)) / 15 + 5;
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                      QPoint(g->ColPos(4) / 15 + 3, below) - g->viewport()->pos());
    ASSERT_TRUE(g->hasFocus());
    ASSERT_TRUE(form->Text1->isVisible());
    key(Qt::Key_Down);
    key(Qt::Key_Right);
    ASSERT_EQ(g->Row(), 2);
    // Back in the box, typing and Enter go to the cell under it, not to the grid's other cell.
    QTest::mouseClick(form->Text1, Qt::LeftButton);
    ASSERT_TRUE(form->Text1->hasFocus());
    form->Text1->selectAll();
    type("7");
    EXPECT_EQ(cell(1, 1, 4), "7");
    EXPECT_EQ(cell(1, 2, 5), "");
    key(Qt::Key_Return);
    gui::ExpectOverCell(form->Text1, g, 2, 4);

    key(Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(g->hasFocus());
    key(Qt::Key_Down);
    form->Text1->setFocus();
    type("8");
    EXPECT_EQ(cell(1, 2, 4), "8");
    EXPECT_EQ(cell(1, 3, 4), "");
}

struct NumberCase {
    const char* text;
    const char* message;  // nullptr: passes
    const char* stored;   // the cell afterwards
};

const char* const kNotNumber = "资产负债表中'2003年'的'应收帐款'输入了不为数字的数据，请重新输入！";
const char* const kTooLong = "资产负债表中'2003年'的'应收帐款'输入了数字大于15位或小数大于2位！";

const NumberCase kNumbers[] = {
    {".5", nullptr, "0.5"},
    {"12.", nullptr, "12"},
    {"-.5", nullptr, "-.5"},
    {" 7 ", nullptr, " 7 "},
    {"   ", nullptr, "   "},
    {"-12.25", nullptr, "-12.25"},
    {"123456789012345", nullptr, "123456789012345"},
    {"1234567890123.45", nullptr, "1234567890123.45"},
    {"12345678901234.5", nullptr, "12345678901234.5"},
    {"1234567890123456", kTooLong, "1234567890123456"},
    {"-123456789012345", kTooLong, "-123456789012345"},
    {"12345678901234.56", kTooLong, "12345678901234.56"},
    {"123456789012345.5", kTooLong, "123456789012345.5"},
    {"1.234", kTooLong, "1.234"},
    {"123456789012345.", nullptr, "123456789012345"},
    {".", kNotNumber, "."},
    {"1e5", kNotNumber, "1e5"},
    {"1,000", kNotNumber, "1,000"},
    {"12a", kNotNumber, "12a"},
    {"1.2.3", kNotNumber, "1.2.3"},
};

TEST_F(GridCellEditorTest, CheckDataAppliesTheNumberRulesCellByCell) {
    display(0, "2003", "2003");
    for (const NumberCase& c : kNumbers) {
        SCOPED_TRACE(c.text);
        grid(1)->setTextMatrix(3, 4, c.text);
        clickCell(1, 1, 4);
        ScriptedMsgBox box;
        if (c.message) box.answer(MsgResult::OK);
        EXPECT_EQ(form->checkData(1), c.message == nullptr);
        if (c.message) {
            EXPECT_EQ(box.prompts(), std::vector<std::string>{c.message});
            EXPECT_EQ(box.shown()[0].title, "错误");
        }
        EXPECT_EQ(cell(1, 3, 4), c.stored);
        EXPECT_FALSE(form->Text1->isVisible());
    }
}

TEST_F(GridCellEditorTest, CheckDataReportsTheFirstBadCellRowByRow) {
    display(3, "2003", "2003", 0, 5);
    grid(1)->setTextMatrix(1, 9, "x");
    grid(1)->setTextMatrix(2, 4, "y");
    grid(1)->setTextMatrix(1, 5, ".25");
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    EXPECT_FALSE(form->checkData(1));
    EXPECT_EQ(box.prompts(),
              std::vector<std::string>{
                  "资产负债表中'2003六月'的'货币资金'输入了不为数字的数据，请重新输入！"});
    EXPECT_EQ(cell(1, 1, 5), "0.25") << "cells before the bad one are normalised";
    EXPECT_TRUE(form->checkData(2));
    EXPECT_TRUE(form->checkData(7)) << "no grid 7: nothing to test";
}

TEST_F(GridCellEditorTest, ClearGridDataBlanksTheValueCellsOfTheCurrentGridOnly) {
    db.putData(101, 1, 2003, 1, 1);
    db.putData(201, 1, 2003, 1, 2);
    display(0, "2003", "2003");
    form->tbsOptions->setSelectedIndex(2);
    form->tbsOptions->setSelectedIndex(1);
    form->editor->clearGridData();
    EXPECT_EQ(cell(1, 1, 4), "");
    EXPECT_EQ(cell(1, 0, 4), "2003年");
    EXPECT_EQ(cell(1, 1, 2), "货币资金");
    EXPECT_EQ(cell(1, 1, 0), " 101");
    EXPECT_EQ(cell(2, 1, 4), "2");
}

TEST(GridCellEditorRules, CheckNumberLengthCountsCharacters) {
    struct Case {
        const char* text;
        bool ok;
    };
    const Case cases[] = {
        {"", true},
        {"123456789012345", true},
        {"1234567890123456", false},
        {"-12345678901234", true},
        {"-123456789012345", false},
        {"12345678901234.5", true},    // point at 15, 16 characters
        {"123456789012345.5", false},  // point at 16
        {"1234567890123.45", true},
        {"12345678901234.56", false},  // 17 characters
        {"0.123", false},
        {"0.12", true},
        {"5.", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GridCellEditor::checkNumberLength(c.text), c.ok) << c.text;
}

// The variant of the other editing form: Enter along the row, the whole grid editable.
TEST(GridCellEditorVariant, EnterMovesAlongTheRowThenToTheNextRow) {
    QWidget host;
    host.resize(700, 300);
    auto* g = platform::MakeControl<platform::FlexGrid>(&host, "MSFGData1", 0, 0, 10000, 4000);
    g->setRows(3);
    g->setCols(7);
    g->setFixedCols(4);
    auto* box = platform::MakeControl<platform::TextBox>(&host, "Text1", 0, 0, 100, 100);
    int changed = 0;
    GridCellEditor editor(box, {g},
                          {.order = GridCellEditor::EnterOrder::AlongRow,
                           .lastRow = [g](int) { return g->Rows() - 1; },
                           .lastCol = [g](int) { return g->Cols() - 1; },
                           .currentGrid = [] { return 1; },
                           .markChanged = [&](int) { ++changed; },
                           .holdAt = nullptr});
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    g->setRow(1);
    g->setCol(5);
    g->setFocus();
    QTest::keyClick(g, Qt::Key_Return);
    ASSERT_TRUE(box->isVisible());
    const std::pair<int, int> path[] = {{1, 6}, {2, 4}, {2, 5}, {2, 6}, {2, 6}};
    for (const auto& [row, col] : path) {
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_EQ(g->Row(), row);
        EXPECT_EQ(g->Col(), col);
    }
    EXPECT_EQ(changed, 0);
    QTest::keyClicks(box, "7");
    EXPECT_GT(changed, 0);
    EXPECT_EQ(g->TextMatrix(2, 6), "7");
}

}  // namespace
