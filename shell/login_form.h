// The first window: asks for a user name and the system's password.
#pragma once

#include "platform/Form.h"

class QLabel;
class QLineEdit;
class QPushButton;

class login_form : public platform::Form {
    Q_OBJECT
  public:
    explicit login_form(QWidget* parent = nullptr);

    QLineEdit* txtUserName;
    QLineEdit* txtUserPwd;
    QPushButton* Command1;
    QPushButton* Command2;

    void Command1_Click();
    void Command2_Click();
    void txtUserName_KeyPress(int KeyAscii);
    void txtUserPwd_KeyPress(int KeyAscii);

  signals:
    // The password was right: the main window is to be shown (this window unloads itself).
    void loggedIn();

  private:
    bool checkLogin();

    bool loggingIn_ = false;
};
