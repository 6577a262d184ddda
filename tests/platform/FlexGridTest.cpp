#include <gtest/gtest.h>

#include <QFont>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "platform/FlexGrid.h"
#include "platform/Fonts.h"
#include "platform/Form.h"

using platform::FlexGrid;

namespace {

// A grid laid out like the entry grids: one fixed row, four fixed columns, column 0 hidden.
class FlexGridTest : public testing::Test {
  protected:
    void SetUp() override {
        host.resize(900, 400);
        grid = platform::MakeControl<FlexGrid>(&host, "grid", 150, 150, 12000, 4500);
        grid->setRows(6);
        grid->setCols(10);
        grid->setFixedRows(1);
        grid->setFixedCols(4);
        grid->setColWidth(0, 0);
        for (int c = 1; c < 10; ++c) grid->setColWidth(c, 1200);
        for (int r = 0; r < 6; ++r) grid->setRowHeight(r, 300);
        host.show();
    }

    // Clicks inside cell (row, col), a few pixels from its corner.
    void clickCell(int row, int col) {
        const QPoint inGrid(grid->ColPos(col) / 15 + 3, grid->RowPos(row) / 15 + 3);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, inGrid - grid->viewport()->pos());
    }

    QWidget host;
    FlexGrid* grid = nullptr;
};

TEST_F(FlexGridTest, CellsKeepTheirTextsWhenTheGridGrowsAndRefuseOutsideCells) {
    grid->setTextMatrix(2, 5, "12.5");
    grid->setRows(8);
    grid->setCols(12);
    EXPECT_EQ(grid->TextMatrix(2, 5), "12.5");
    EXPECT_EQ(grid->TextMatrix(7, 11), "");
    EXPECT_THROW(grid->TextMatrix(8, 0), std::out_of_range);
    EXPECT_THROW(grid->setTextMatrix(0, 12, "x"), std::out_of_range);
    grid->setRows(3);
    EXPECT_EQ(grid->Rows(), 3);
    EXPECT_THROW(grid->TextMatrix(3, 0), std::out_of_range);
}

// Emptied of its rows (before a reload), the grid still lays out and measures its columns.
TEST_F(FlexGridTest, AGridWithoutRowsKeepsItsColumns) {
    grid->setFixedRows(0);
    grid->setRows(0);
    EXPECT_NO_THROW(grid->setCols(11));
    EXPECT_EQ(grid->ColWidth(5), 1200);
    EXPECT_THROW(grid->ColWidth(11), std::out_of_range);
}

TEST_F(FlexGridTest, WidthsAndHeightsInTwipsPlaceTheCells) {
    EXPECT_EQ(grid->ColWidth(0), 0);
    EXPECT_EQ(grid->ColWidth(5), 1200);
    EXPECT_EQ(grid->RowHeight(3), 300);
    // A hidden column takes no room; positions count the frame of the grid.
    EXPECT_EQ(grid->ColPos(0), grid->ColPos(1));
    EXPECT_EQ(grid->ColPos(6) - grid->ColPos(5), 1200);
    EXPECT_EQ(grid->RowPos(2) - grid->RowPos(1), 300);
    grid->setColWidth(5, 0);
    EXPECT_EQ(grid->ColPos(6), grid->ColPos(5));
    int row = -1, col = -1;
    const QPoint atHidden(grid->ColPos(5) / 15 + 1, grid->RowPos(1) / 15 + 1);
    ASSERT_TRUE(grid->CellAt(atHidden, row, col));
    EXPECT_EQ(col, 6) << "a hidden column can't be hit";
}

TEST_F(FlexGridTest, ClickRulesForBodyFixedColumnsAndHeaderRow) {
    QSignalSpy clicks(grid, &FlexGrid::Click);
    struct Case {
        int row, col, wantRow, wantCol;
    };
    const Case cases[] = {
        {3, 6, 3, 6},  // a body cell becomes current
        {2, 2, 2, 4},  // a row's fixed column selects the row, current column the first body one
        {4, 1, 4, 4}, {0, 7, 0, 7},  // the header row leaves the current row on 0
        {0, 2, 0, 4},
    };
    for (const Case& c : cases) {
        clickCell(c.row, c.col);
        EXPECT_EQ(grid->Row(), c.wantRow) << c.row << "," << c.col;
        EXPECT_EQ(grid->Col(), c.wantCol) << c.row << "," << c.col;
    }
    EXPECT_EQ(clicks.count(), 5);
    // Below the last row there is no cell: nothing changes and no Click.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(300, 270));
    EXPECT_EQ(clicks.count(), 5);
}

TEST_F(FlexGridTest, KeysMoveOverVisibleBodyCellsAndReportTypedCharacters) {
    grid->setColWidth(6, 0);
    grid->setRow(1);
    grid->setCol(5);
    grid->setFocus();
    std::vector<int> pressed;
    QObject::connect(grid, &FlexGrid::KeyPress, [&](int& k) { pressed.push_back(k); });
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->Col(), 7) << "the hidden column 6 is passed over";
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->Row(), 2);
    QTest::keyClick(grid, Qt::Key_Home);
    EXPECT_EQ(grid->Col(), 4) << "never into the fixed columns";
    QTest::keyClick(grid, Qt::Key_Up);
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(grid->Row(), 1) << "never into the header row";
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClick(grid, Qt::Key_5);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(pressed, (std::vector<int>{13, '5', 27}));
    EXPECT_EQ(grid->TextMatrix(1, 4), "") << "the grid never edits";
}

TEST_F(FlexGridTest, ScrollingMovesBodyCellsButNotTheFixedColumns) {
    grid->setCols(30);
    for (int c = 4; c < 30; ++c) grid->setColWidth(c, 1200);
    const int fixedPos = grid->ColPos(2);
    const int bodyPos = grid->ColPos(10);
    grid->horizontalScrollBar()->setValue(160);
    EXPECT_EQ(grid->ColPos(2), fixedPos);
    EXPECT_EQ(grid->ColPos(10), bodyPos - 160 * 15);
    clickCell(2, 10);
    EXPECT_EQ(grid->Col(), 10);
}

// A header a few pixels wider than its column in the stand-in Song face ("2003上半年" in 990
// twips, as the base-data report heads its half-years) shows whole, not cut to "2003上半": its
// ink reaches a character further right than that of the cut text.
TEST_F(FlexGridTest, AHeaderALittleTooWideForItsColumnShowsWhole) {
    platform::InstallFontSubstitutions();
    QFont song(QStringLiteral("宋体"));
    song.setPointSizeF(9);
    grid->setFont(song);
    grid->setColWidth(4, 990);
    const QRect cell(grid->ColPos(4) / 15, grid->RowPos(0) / 15, 990 / 15 - 3, 300 / 15 - 1);
    const auto inkRight = [&](const QString& text) {
        grid->setTextMatrix(0, 4, text);
        const QImage image = grid->viewport()->grab(cell).toImage();
        int right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 100) right = std::max(right, x);
        return right;
    };
    for (const auto& [whole, cut] :
         {std::pair{"2003上半年", "2003上半"}, std::pair{"2003一季度", "2003一季"}}) {
        SCOPED_TRACE(whole);
        EXPECT_GT(inkRight(whole), inkRight(cut) + 3);
    }
}

// An amount a little too wide for its column in the stand-in Arial face (ten characters in 990
// twips, as the base-data report's balance sheet shows them) shows all its digits, not "…"
// and its last ones: two amounts that differ only in their leading digits look different.
TEST_F(FlexGridTest, AnAmountALittleTooWideForItsColumnShowsAllItsDigits) {
    platform::InstallFontSubstitutions();
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSizeF(9);
    grid->setFont(arial);
    grid->setColWidth(4, 990);
    const QRect cell(grid->ColPos(4) / 15, grid->RowPos(1) / 15, 990 / 15, 300 / 15);
    const auto image = [&](const QString& amount) {
        grid->setTextMatrix(1, 4, amount);
        return grid->viewport()->grab(cell).toImage();
    };
    EXPECT_NE(image("3256789.45"), image("1111789.45"));
}

}  // namespace
