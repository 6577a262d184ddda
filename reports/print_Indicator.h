// 打印－绩效指标: the 31 indicators of up to seven periods in four grids, one per capability
// group, printed on one page under the company's title line.
#pragma once

#include <string>
#include <vector>

#include "core/CBaseAlgroithm.h"
#include "core/IndicatorItem.h"
#include "reports/GridReportForm.h"

class print_Indicator : public GridReportForm {
    Q_OBJECT
  public:
    explicit print_Indicator(QWidget* parent = nullptr);

    QPushButton* Command1;  // 关闭

  protected:
    void fill(const PeriodRange& range, const CCalendar& calendar) override;

  private:
    // One group's indicators and their texts per period.
    struct GroupValues {
        std::vector<IndicatorItem> items;
        std::vector<std::vector<std::string>> values;
    };

    // Lays out a grid for a group: header, one row per indicator, the period columns.
    static void fillIndicatorGrid(platform::FlexGrid* grid, const GroupValues& group,
                                  const std::vector<std::string>& captions, int periods);

    CBaseAlgroithm calculator_;  // keeps the base data of the range last shown
};
