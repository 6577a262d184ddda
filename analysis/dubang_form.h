// The DuPont analysis window (杜邦分析): for one chosen period, the decomposition of the
// return on equity as a tree of boxes with the values of the period and of the period before
// it. Until the first computation the window explains the DuPont system where the tree will
// stand; from then on the tree can be printed as the window shows it, without the input row.
#pragma once

#include <QGroupBox>
#include <QPushButton>
#include <cstdint>

#include "analysis/DupontTreeFrame.h"
#include "entry/PeriodRangePanel.h"
#include "platform/Form.h"
#include "platform/Label.h"

class dubang_form : public platform::Form {
    Q_OBJECT
  public:
    explicit dubang_form(QWidget* parent = nullptr);

    // The period of the tree on screen (0 before the first computation).
    std::int16_t periodType() const { return periodType_; }
    std::int16_t year() const { return year_; }
    std::int16_t period() const { return period_; }

    QGroupBox* Frame1;  // the input row
    PeriodRangePanel* panel;
    QPushButton* cmdDo;
    QPushButton* doPrint;
    QPushButton* Command1;
    DupontTreeFrame* Frame2;
    QGroupBox* Info_Frame;
    platform::Label* Info_Label;

  protected:
    void Form_Load() override;

  private:
    void createControls();
    void cmdDo_Click();
    void txtFromYear_KeyPress(int& KeyAscii);
    void doPrint_Click();
    void ShowDupontTree();

    std::int16_t periodType_ = 0;
    std::int16_t year_ = 0;
    std::int16_t period_ = 0;
};
