// The settings window: company name, report maker, default period type and default years.
#pragma once

#include "platform/Form.h"

class QComboBox;
class QLineEdit;
class QPushButton;

class system_jc_form : public platform::Form {
    Q_OBJECT
  public:
    explicit system_jc_form(QWidget* parent = nullptr);

    QLineEdit* txtCompName;
    QLineEdit* txtTableUserName;
    QComboBox* cbSerial;
    QLineEdit* txtYearFrom;
    QLineEdit* txtYearTo;
    QPushButton* Command1;
    QPushButton* cmdClose;

    void Command1_Click();
    void cmdClose_Click();

  protected:
    void Form_Load() override;

  private:
    void createControls();
    // Checks the inputs in order; reports the first failure and returns false.
    bool validate();
    void save();
};
