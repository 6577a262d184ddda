// 打印-指标趋势图: one trend chart per indicator of a capability group over a range of at
// most 24 periods, two charts to a page, paged and printed page by page.
#pragma once

#include <string>
#include <vector>

#include "core/CBaseAlgroithm.h"
#include "platform/ComboList.h"
#include "reports/ChartPages.h"

class print_TrendDiagram : public ChartPages {
    Q_OBJECT
  public:
    explicit print_TrendDiagram(QWidget* parent = nullptr);

    platform::ComboList* cbCapability = nullptr;  // 获利能力, 营运能力, 发展能力, 贡献能力

    // Gives a chart the blank data: seven rows " - " without values.
    void resetChart(platform::MSChart& chart);
    // The capability group of the last accepted request (0 before the first).
    int category() const { return choice(); }

  protected:
    void Form_Load() override;
    void cmdDo_Click() override;

  private:
    // The group picked in cbCapability: 1-4, or 0 when its text was typed over.
    int chosenGroup() const;
    void drawCharts();
    void fillChart(int n, std::int16_t ItemID, const QString& title,
                   const std::vector<std::string>& labels);

    CBaseAlgroithm algorithm_;
};
