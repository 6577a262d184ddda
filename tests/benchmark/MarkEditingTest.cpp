// Typing levels and weights in place: Enter along the row and on to the next indicator, the
// last cell that keeps the editor, Esc, the change mark on every tab.
#include <QClipboard>

#include "core/CBaseAlgroithm.h"
#include "tests/benchmark/MarkTestSupport.h"

namespace {

using MarkEditingTest = FormMarkFixture;

TEST_F(MarkEditingTest, EnterRunsAlongTheRowToTheNextIndicatorAndStaysOnTheLastCell) {
    db.exec("update indicatorItem set StandardLevel = 4.5 where ItemID = 3007");
    ASSERT_TRUE(open());
    form->tbsOptions->setSelectedIndex(3);
    clickCell(3, 6, 4);
    for (int c = 5; c <= 10; ++c) {
        type("1");
        key(Qt::Key_Return);
        gui::ExpectOverCell(form->Text1, grid(3), 6, c);
    }
    key(Qt::Key_Return);  // from the weight to the first level of the next indicator
    gui::ExpectOverCell(form->Text1, grid(3), 7, 4);
    EXPECT_EQ(form->Text1->height(), platform::TwipsToPixels(450)) << "row 7 is two lines high";
    key(Qt::Key_Return);
    EXPECT_EQ(form->Text1->text(), "4.5");
    EXPECT_EQ(form->Text1->selectedText(), "4.5");
    EXPECT_EQ(cell(3, 6, 9), "1");

    clickCell(3, 8, 10);
    type("25");
    key(Qt::Key_Return);
    gui::ExpectOverCell(form->Text1, grid(3), 8, 10);
    EXPECT_TRUE(form->Text1->isVisible());
    EXPECT_EQ(cell(3, 8, 10), "25");
    EXPECT_EQ(form->Text1->selectedText(), "25");
}

TEST_F(MarkEditingTest, EscKeepsWhatWasTypedOnEveryTab) {
    db.exec("update indicatorItem set HistoryBestLevel = 5");
    ASSERT_TRUE(open());
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        edit(n, 2, 4, "12");
        key(Qt::Key_Escape);
        EXPECT_FALSE(form->Text1->isVisible());
        EXPECT_TRUE(grid(n)->hasFocus());
        EXPECT_EQ(cell(n, 2, 4), "12");
        EXPECT_EQ(form->gridState(n), 2);
    }
}

TEST_F(MarkEditingTest, OnlyKeyReleasesMarkTheGroupAndEnterOnTheGridOpensTheEditor) {
    form->tbsOptions->setSelectedIndex(2);
    clickCell(2, 1, 4);
    for (int i = 0; i < 70; ++i) key(Qt::Key_Return);
    EXPECT_EQ(form->gridState(2), 1) << "Enter through the whole group";
    gui::ExpectOverCell(form->Text1, grid(2), 9, 10);
    key(Qt::Key_Shift);
    EXPECT_EQ(form->gridState(2), 2);

    key(Qt::Key_Escape);
    key(Qt::Key_7);  // typed on the grid: ignored
    EXPECT_EQ(cell(2, 9, 10), "");
    EXPECT_FALSE(form->Text1->isVisible());
    key(Qt::Key_Return);
    EXPECT_TRUE(form->Text1->isVisible());
    gui::ExpectOverCell(form->Text1, grid(2), 9, 10);

    // A click outside the levels and weights hides the editor.
    clickCell(2, 0, 6);
    EXPECT_FALSE(form->Text1->isVisible());
}

TEST_F(MarkEditingTest, APastedWeightIsInTheCellAndSavedWithoutEnter) {
    form->tbsOptions->setSelectedIndex(4);
    clickCell(4, 8, 10);
    QApplication::clipboard()->setText("100");
    form->Text1->paste();
    EXPECT_EQ(cell(4, 8, 10), "100");
    EXPECT_EQ(form->gridState(4), 2);
    form->cmdSave->click();
    EXPECT_TRUE(box.shown().empty());
    EXPECT_EQ(stored(4008).back(), "100");
    EXPECT_EQ(stored(4001).back(), "0");
}

// A spreadsheet cell comes to the clipboard as "12.5\r\n": the cell and the save get the
// number the box shows, not a text refused as no number.
TEST_F(MarkEditingTest, ALevelPastedFromASpreadsheetCellIsSavedAsShown) {
    clickCell(1, 2, 4);
    QApplication::clipboard()->setText("12.5\r\n");
    form->Text1->paste();
    EXPECT_EQ(cell(1, 2, 4), "12.5");
    form->cmdSave->click();
    EXPECT_TRUE(box.shown().empty());
    EXPECT_EQ(stored(1002).front(), "12.5");
}

// What the form saves is what the composite scoring reads.
TEST_F(MarkEditingTest, LevelsAndWeightsTypedAndSavedAreTheOnesTheScoringUses) {
    for (const auto& [item, a, b] :
         {std::tuple{201, 100.0, 100.0}, {207, 25.0, -5.0}, {202, 40.0, 90.0}})
        for (int year : {2003, 2004}) db.putData(item, 1, year, 1, year == 2003 ? a : b);
    // 主营业务利润率 (row 3) level 20 weight 60; 主营业务毛利率 (row 5) level 50 weight 40.
    clickCell(1, 3, 6);
    type("20");
    clickCell(1, 3, 10);
    type("60");
    clickCell(1, 5, 6);
    type("50.");
    clickCell(1, 5, 10);
    type("40");
    form->cmdSave->click();
    ASSERT_TRUE(box.shown().empty());
    ASSERT_EQ(form->gridState(1), 1);

    CBaseDataDAO dao;
    EXPECT_TRUE(dao.HasLevelWeight(1, 3));
    CBaseAlgroithm alg;
    alg.setInitValue(1, 2003, 2004, 1, 1);
    // 2003: 25 % against 20 scores 75 of 60 × 1.5; 60 % against 50 scores 48. 2004: -5 % scores
    // 0 at the floor; 10 % against 50 scores 8.
    EXPECT_EQ(alg.CalIntegrationCapability(1, 3), (std::vector<std::string>{"123.00", "8.00", ""}));
    EXPECT_TRUE(box.shown().empty()) << "every other weight is stored 0: nothing is asked";
}

}  // namespace
