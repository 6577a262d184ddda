// 打印-基础数据: the stored amounts of the four statements over up to seven periods, one grid
// per statement, printed on one page under the company's title line. Amounts are shown as
// stored; nothing is computed.
#pragma once

#include <vector>

#include "entry/StatementData.h"
#include "reports/GridReportForm.h"

class print_baseData : public GridReportForm {
    Q_OBJECT
  public:
    explicit print_baseData(QWidget* parent = nullptr);

    QPushButton* cmdClose;  // 关闭

  protected:
    void fill(const PeriodRange& range, const CCalendar& calendar) override;

  private:
    // One statement as read for a range.
    struct Statement {
        std::vector<StatementLine> lines;
        std::vector<StatementAmount> amounts;
    };

    // The empty grids shown before the first request: 16 rows of 14 columns (the design's),
    // the ItemId column hidden.
    void resetGrids();
    // Shape, header and period columns of grid k for `periods` periods.
    void initGrid(int k, int rows, const std::vector<std::string>& captions, int periods);
    // The item columns and the amounts of grid k.
    void fillGrid(int k, const Statement& statement);
};
