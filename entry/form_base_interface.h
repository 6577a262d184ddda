// The period conversion window (基础数据－数据生成): six buttons, each of which, after a
// confirmation, derives quarter, half-year or year rows of baseData from the stored rows of a
// shorter period type over every year at once.
#pragma once

#include "entry/PeriodConversion.h"
#include "platform/Form.h"

class QGroupBox;
class QPushButton;

class form_base_interface : public platform::Form {
    Q_OBJECT
  public:
    explicit form_base_interface(QWidget* parent = nullptr);

    QGroupBox* Frame1;  // 以月份数据为基础
    QGroupBox* Frame2;  // 以季度数据为基础
    QGroupBox* Frame3;  // 以半年数据为基础
    QPushButton* cmdMonthToQuartor;
    QPushButton* cmdMonthToHalf;
    QPushButton* cmdMonthToYear;
    QPushButton* cmdQuartorToHalf;
    QPushButton* cmdQuartorToYear;
    QPushButton* cmdHalfToYear;
    QPushButton* Command1;

  private:
    void createControls();
    // The confirmation ("警告信息"), then the conversion; any answer but Yes does nothing.
    void cmdConvert_Click(const PeriodConversion& conversion);
    void Command1_Click();
};
