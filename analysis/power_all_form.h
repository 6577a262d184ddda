// The capability trend window (能力趋势): for a period range and a benchmark level, the
// composite score of each capability group per period in a grid, the trend of one group on a
// chart on request, and the meaning of the chosen level in a text frame.
#pragma once

#include <QGroupBox>
#include <QPushButton>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/CCalendar.h"
#include "entry/PeriodRangePanel.h"
#include "platform/ComboList.h"
#include "platform/FlexGrid.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/MSChart.h"

class power_all_form : public platform::Form {
    Q_OBJECT
  public:
    static constexpr int kPeriodLimit = 24;
    static constexpr int kGroups = 4;

    explicit power_all_form(QWidget* parent = nullptr);

    // The request of the grid on screen; a refused request changes none of it.
    const PeriodRange& range() const { return range_; }
    std::int16_t level() const { return level_; }
    int periodCount() const { return periodCount_; }
    // The scores of group g (1-4) as the scoring gave them, one per period.
    const std::vector<std::string>& groupScores(int g) const { return groupScores_.at(g - 1); }

    QGroupBox* Frame1;  // the input row
    PeriodRangePanel* panel;
    platform::ComboList* cbLevel;
    QPushButton* cmdDo;
    QPushButton* Command1;
    platform::FlexGrid* MSFlexGrid1;
    platform::MSChart* myChart;
    QGroupBox* Info_Frame;
    platform::Label* Info_Label;

  protected:
    void Form_Load() override;

  private:
    void createControls();
    void cmdDo_Click();
    void cbLevel_Click();
    void MSFlexGrid1_Click();
    // Scores an accepted range; `calendar` holds that range as the panel's check left it.
    void FillCapabilityGrid(const PeriodRange& range, std::int16_t level,
                            const CCalendar& calendar);
    void DrawCapabilityChart(int row, const QString& rowName);
    void ShowLevelMeaning();

    bool isLoaded_ = false;
    PeriodRange range_;
    std::int16_t level_ = 0;
    int periodCount_ = 0;  // 0 until the first fill
    std::vector<std::string> periodLabels_;
    std::array<std::vector<std::string>, kGroups> groupScores_;
};
