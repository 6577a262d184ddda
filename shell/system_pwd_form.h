// The password window: checks the old password and stores a new one.
#pragma once

#include "platform/Form.h"

class QLineEdit;
class QPushButton;

class system_pwd_form : public platform::Form {
    Q_OBJECT
  public:
    explicit system_pwd_form(QWidget* parent = nullptr);

    QLineEdit* txtOldPwd;
    QLineEdit* txtNewPwd;
    QLineEdit* txtNewPwd01;
    QPushButton* cmdChangePwd;
    QPushButton* Command1;

    void cmdChangePwd_Click();
    void Command1_Click();
};
