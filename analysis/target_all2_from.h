// The performance analysis view: the indicators of one capability group as rows and the
// periods of a range as columns, each cell the indicator's value as the evaluation core
// computes it. A click on an indicator's number, name or unit charts that indicator over the
// range in place of the group summary and, when "解释信息" is ticked, shows its explanation in
// a yellow panel beside the row. A request (range and group) is taken over only when its whole
// check passes: a refused one leaves the range, the grid, the chart and the kept calculator as
// they were, so a chart never combines kept values with a range that was not computed.
#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <optional>
#include <string>
#include <vector>

#include "core/CBaseAlgroithm.h"
#include "core/CCalendar.h"
#include "entry/PeriodRangePanel.h"
#include "platform/FlexGrid.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/TabStrip.h"

namespace platform {
class MSChart;
}

class target_all2_from : public platform::Form {
    Q_OBJECT
  public:
    static constexpr int kPeriodLimit = 24;

    explicit target_all2_from(QWidget* parent = nullptr);

    // The range, period count and group of the grid's last fill (no range before the first).
    const PeriodRange& range() const { return range_; }
    int periodCount() const { return periodCount_; }
    int category() const { return category_; }

    // Controls, under their design names.
    QGroupBox* Frame1;
    PeriodRangePanel* panel;  // cbSerial, txtFromYear, txtToYear and the period lists
    QPushButton* cmdDo;
    QCheckBox* HelpCheck;
    QPushButton* Command1;
    platform::TabStrip* tbsOptions;
    platform::FlexGrid* MSFlexGrid1;
    QGroupBox* Frame2;
    platform::Label* Label5;
    platform::MSChart* myChart;
    QGroupBox* Info_Frame;
    platform::Label* Info_Label;
    QFrame* HelpFrame;
    platform::Label* HelpLabel;

  protected:
    void Form_Load() override;
    // Clicks on the window, Frame1 and HelpFrame hide the explanation panel.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createControls();
    void cmdDo_Click();
    void tbsOptions_Click();
    void MSFlexGrid1_Click();
    void HelpCheck_Click();
    // Shows the summary of a group (1-4) in the summary frame.
    void showSummary(int group);
    // Fills the grid for an accepted range (held by `calendar` as the panel's check left it)
    // and the selected tab's group; everything is read before the view takes the new range,
    // so a failing read leaves the last fill in place.
    void FillIndicatorGrid(const PeriodRange& range, const CCalendar& calendar);
    void DrawIndicatorChart(int itemID, const QString& name);
    void ShowIndicatorHelp(int row, int itemID);

    PeriodRange range_;
    int periodCount_ = 0;
    int category_ = 1;
    int itemCount_ = 0;
    std::vector<std::string> periodLabels_;
    // Created at the first fill; holds that fill's range and base data for the row charts.
    std::optional<CBaseAlgroithm> algorithm_;
};
