// The layout procedures on the recording printer: every operation of a small table, the
// boldness carried from call to call, the fixed title and footer rules, and the 16-bit limit of
// positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/FlexGrid.h"
#include "platform/Runtime.h"
#include "reports/printGrid.h"
#include "tests/reports/PageSupport.h"

namespace {

// A grid with the given column widths; cell (r, c) reads "r,c".
std::unique_ptr<platform::FlexGrid> MakeGrid(int rows, const std::vector<int>& widths) {
    auto g = std::make_unique<platform::FlexGrid>();
    g->setRows(rows);
    g->setCols(static_cast<int>(widths.size()));
    g->setFixedRows(rows > 1 ? 1 : 0);
    g->setRows(rows);
    for (int c = 0; c < g->Cols(); ++c) {
        g->setColWidth(c, widths[c]);
        for (int r = 0; r < rows; ++r) g->setTextMatrix(r, c, QString("%1,%2").arg(r).arg(c));
    }
    return g;
}

class PrintGridTest : public testing::Test {
  protected:
    void SetUp() override { platform::Printer::Default().setFontBold(false); }
    platform::RecordingPrinter printer;
};

TEST_F(PrintGridTest, ATableIsBoxedCellByCellAndAZeroWidthColumnLeavesNoGap) {
    const auto grid = MakeGrid(3, {1000, 0, 2000});
    const CPoint next = printGrid::PrintGrid(*grid, CPoint{20, 1000});
    EXPECT_EQ(next.x, 20);
    EXPECT_EQ(next.y, 2200);
    const std::vector<std::string> expected = {
        "T 20 1000 9 B 0,0",     "L 20 920 20 1220",      "L 20 920 1020 920",
        "T 1020 1000 9 B 0,2",   "L 1020 920 1020 1220",  "L 1020 920 3020 920",
        "L 3020 920 3020 1220",  // row 0, bold
        "T 20 1300 9 N 1,0",     "L 20 1220 20 1520",     "L 20 1220 1020 1220",
        "T 1020 1300 9 N 1,2",   "L 1020 1220 1020 1520", "L 1020 1220 3020 1220",
        "L 3020 1220 3020 1520",  // row 1
        "T 20 1600 9 N 2,0",     "L 20 1520 20 1820",     "L 20 1520 1020 1520",
        "T 1020 1600 9 N 2,2",   "L 1020 1520 1020 1820", "L 1020 1520 3020 1520",
        "L 3020 1520 3020 1820", "L 20 1820 3020 1820",  // row 2, bottom
    };
    EXPECT_EQ(Page(printer), expected);
}

// An amount wider than its column would run over the next cell's figure: it is printed smaller,
// inside its own box, its line's foot kept, and the next cell is back in the table's size.
TEST_F(PrintGridTest, AFigureWiderThanItsColumnIsPrintedSmallerInsideItsBox) {
    auto grid = MakeGrid(2, {990, 990});
    grid->setTextMatrix(1, 0, "101772839.51");
    grid->setTextMatrix(1, 1, "9318431");
    printGrid::PrintGrid(*grid, CPoint{20, 1000});
    const auto& ops = printer.ops();
    const auto wide = std::find_if(ops.begin(), ops.end(),
                                   [](const auto& op) { return op.text == "101772839.51"; });
    ASSERT_NE(wide, ops.end());
    EXPECT_LT(wide->fontSize, 9);
    EXPECT_GE(wide->fontSize, 5);
    EXPECT_EQ(wide->x1, 20);
    EXPECT_LE(wide->x2, 20 + 990 - 30);
    EXPECT_GT(wide->y1, 1300);
    EXPECT_NEAR(wide->y2, 1300 + 180, 1);  // the foot of a 9-point line
    EXPECT_TRUE(Has(Page(printer), "T 1010 1300 9 N 9318431"));
    EXPECT_EQ(platform::Printer::Default().FontSize(), 9);
}

TEST_F(PrintGridTest, AHeaderOnlyTableLeavesBoldOnSoTheFooterComesOutBold) {
    const auto grid = MakeGrid(1, {500});
    const CPoint next = printGrid::PrintGrid(*grid, CPoint{20, 800});
    EXPECT_EQ(next.y, 1400);
    const CPoint after = printGrid::PrintFooter("Pravelta", next);
    EXPECT_EQ(after.y, 1900);  // moved from the position given, not from the footer
    const float width = platform::Printer::Default().Width();
    const std::vector<std::string> expected = {
        "T 20 800 9 B 0,0",
        "L 20 720 20 1020",
        "L 20 720 520 720",
        "L 520 720 520 1020",
        "L 20 1020 520 1020",
        "L 20 15500 " + std::to_string(std::lround(20 + width)) + " 15500",
        "T 20 15510 8 B Pravelta",
    };
    EXPECT_EQ(Page(printer), expected);
}

TEST_F(PrintGridTest, TitleAndHeadingKeepTheirPlacesAndBoldness) {
    CPoint pt =
        printGrid::PrintReportTitle("很长的标题" + QString(200, QChar('x')), CPoint{20, 800});
    EXPECT_EQ(pt.y, 1300);
    pt = printGrid::PrintSectionHeading("获利能力", pt);
    EXPECT_EQ(pt.y, 1700);
    printGrid::PrintReportTitle("T", CPoint{40, 100});
    printGrid::EndPrint();
    const std::vector<std::string> expected = {
        "T 20 800 9 N 很长的标题" + std::string(200, 'x'),
        "L 20 1100 11260 1100",  // 11240 long whatever the text
        "T 20 1300 12 B 获利能力",
        "T 40 100 9 N T",  // the heading turned bold off again
        "L 40 400 11280 400",
        "END",
    };
    EXPECT_EQ(Page(printer), expected);
}

TEST_F(PrintGridTest, APositionBeyond32767TwipsIsAnOverflowError) {
    EXPECT_THROW(printGrid::PrintReportTitle("t", CPoint{20, 32500}), platform::RuntimeError);
    EXPECT_THROW(printGrid::PrintSectionHeading("h", CPoint{20, 32400}), platform::RuntimeError);
    EXPECT_THROW(printGrid::PrintFooter("f", CPoint{20, 32300}), platform::RuntimeError);
    // Rows at 32000 and 32300 fit; the position after the table (32900) does not.
    EXPECT_THROW(printGrid::PrintGrid(*MakeGrid(2, {100}), CPoint{20, 32000}),
                 platform::RuntimeError);
    EXPECT_EQ(printGrid::PrintGrid(*MakeGrid(2, {100}), CPoint{20, 31800}).y, 32700);
    // Columns reaching past 32767 twips.
    EXPECT_THROW(printGrid::PrintGrid(*MakeGrid(1, {20000, 20000}), CPoint{20, 800}),
                 platform::RuntimeError);
}

}  // namespace
