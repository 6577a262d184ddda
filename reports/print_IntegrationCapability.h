// 打印－能力趋势图: the composite capability score of each of the four groups per period at a
// chosen benchmark level, one chart per group, two charts to a page, paged and printed page by
// page.
#pragma once

#include <string>
#include <vector>

#include "core/CBaseAlgroithm.h"
#include "platform/ComboList.h"
#include "reports/ChartPages.h"

class print_IntegrationCapability : public ChartPages {
    Q_OBJECT
  public:
    explicit print_IntegrationCapability(QWidget* parent = nullptr);

    platform::ComboList* cbLevel = nullptr;  // the six benchmark levels

    // Gives a chart the blank data: six rows " - " and one with an empty label, no values.
    void resetChart(platform::MSChart& chart);
    // The benchmark level of the last accepted request (0 before the first).
    int level() const { return choice(); }

  protected:
    void Form_Load() override;
    void cmdDo_Click() override;

  private:
    // Draws the chart of capability group 1-4 from the base data algorithm_ holds for the
    // range, over the periods' captions.
    void drawCapabilityChart(int group, const std::vector<std::string>& labels,
                             platform::MSChart& chart);

    CBaseAlgroithm algorithm_;
};
