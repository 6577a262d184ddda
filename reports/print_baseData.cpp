#include "reports/print_baseData.h"

#include "platform/storage/Database.h"
#include "platform/QtText.h"
#include "platform/Runtime.h"

namespace {

// Hidden ItemId, row number, name, unit.
constexpr std::array<int, 4> kItemColWidths{0, 270, 2940, 500};

constexpr auto onStrip = &OnInputRow;

const GridReportForm::Design& design() {
    static const GridReportForm::Design d{
        "print_baseData",
        "打印-基础数据",
        735,
        // The period lists are wide enough for "第三季度" and "十一月"; the end inputs move
        // right to make room, still left of 确定.
        {.serial = onStrip(720, 855, 315),
         .fromYear = onStrip(2280, 615, 270),
         .fromPeriod = onStrip(3000, 1200, 315),
         .toYear = onStrip(4920, 615, 270),
         .toPeriod = onStrip(5640, 1200, 315)},
        {120, 1680, 4260},
        {"cmdDo", "确定", onStrip(7080, 855, 300), true},
        {"doPrint", "打印", onStrip(8520, 735, 300), false},
        {"cmdClose", "关闭", onStrip(9840, 615, 300), false},
        195,
        11895,
        14,
        {{{"Label5", "资产负债表", 840, 900, "MSFGData1", 1080, 1215, "Arial", 16},
          {"Label6", "损益表", 2400, 540, "MSFGData2", 2640, 1455, "宋体", 16},
          {"Label7", "现金流量表", 4200, 900, "MSFGData3", 4440, 1215, "宋体", 16},
          {"Label8", "统计报表", 5760, 720, "MSFGData4", 6000, 1455, "宋体", 16}}},
    };
    return d;
}

}  // namespace

print_baseData::print_baseData(QWidget* parent) : GridReportForm(design(), parent) {
    cmdClose = closeButton();
    keepSize(kWidth, kHeight);
    resetGrids();
}

void print_baseData::resetGrids() {
    for (int k = 1; k <= kSections; ++k) grid(k)->setColWidth(0, 0);
}

void print_baseData::fill(const PeriodRange& range, const CCalendar& calendar) {
    const int periods = calendar.GetAmount();
    const std::vector<PeriodRow> periodTable = calendar.GetPeriodData();
    std::array<Statement, kSections> statements;
    {
        platform::Connection conn;
        platform::OpenProgramDatabase(conn);
        for (int k = 1; k <= kSections; ++k) {
            statements[k - 1].lines = ReadStatementLines(conn, k);
            statements[k - 1].amounts = ReadStatementAmounts(conn, k, range, periodTable, periods);
        }
    }
    const std::vector<std::string> captions = calendar.GetLabelString();
    for (int k = 1; k <= kSections; ++k) {
        initGrid(k, static_cast<int>(statements[k - 1].lines.size()) + 1, captions, periods);
        fillGrid(k, statements[k - 1]);
    }
}

void print_baseData::initGrid(int k, int rows, const std::vector<std::string>& captions,
                              int periods) {
    platform::FlexGrid* g = grid(k);
    shapeGrid(g, rows, kGridCols, 4);
    for (int c = 0; c < 4; ++c) g->setColWidth(c, kItemColWidths[c]);
    g->setTextMatrix(0, 0, " ");
    // Column 2's header of the income statement and the statistical report ends in a blank.
    g->setTextMatrix(0, 2, k % 2 == 0 ? "项目 " : "项目");
    g->setTextMatrix(0, 3, "单位");
    for (int c = 4; c < kGridCols; ++c) {
        g->setColWidth(c, kPeriodColWidth);
        if (c - 4 < periods)
            g->setTextMatrix(0, c, platform::Q(platform::Trim(captions.at(c - 4))));
    }
}

void print_baseData::fillGrid(int k, const Statement& statement) {
    platform::FlexGrid* g = grid(k);
    const int rows = static_cast<int>(statement.lines.size()) + 1;
    for (int r = 1; r < rows; ++r) {
        const StatementLine& line = statement.lines[r - 1];
        g->setTextMatrix(r, 0, platform::Q(line.ItemId));
        g->setTextMatrix(r, 1, QString::number(r));
        g->setTextMatrix(r, 2, platform::Q(line.ItemName));
        g->setTextMatrix(r, 3, platform::Q(line.Unit));
    }
    // Periods without a stored amount stay empty.
    PlaceStatementAmounts(*g, rows, statement.amounts);
}
