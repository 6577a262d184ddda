#include "shell/system_pwd_form.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "platform/storage/Database.h"
#include "platform/FormHelpers.h"
#include "platform/QtText.h"
#include "shell/LoginPassword.h"

using namespace platform;

system_pwd_form::system_pwd_form(QWidget* parent) : Form("system_pwd_form", parent) {
    setCaption("系统设置－修改口令");
    Move(0, 0, 11000, 6500);
    const int labelLeft = 2400, boxLeft = 3900, top = 700, row = 700;
    auto box = [&](const char* label, const char* caption, const char* name, int r) {
        MakeLabel(this, label, caption, labelLeft, top + r * row + 60, 1500, 300);
        auto* edit = MakeControl<QLineEdit>(this, name, boxLeft, top + r * row, 3000, 360);
        edit->setEchoMode(QLineEdit::Password);
        MakeLabel(this, "Label2", "*", boxLeft + 3100, top + r * row + 60, 200, 300)
            ->setStyleSheet("color: red;");
        return edit;
    };
    txtOldPwd = box("Label1", "旧 口令：", "txtOldPwd", 0);
    txtNewPwd = box("Label3", "新 口令：", "txtNewPwd", 1);
    txtNewPwd01 = box("Label4", "确认口令：", "txtNewPwd01", 2);

    auto* hints = MakeControl<QGroupBox>(this, "Frame1", 1200, 3000, 8600, 1700);
    hints->setTitle("提示");
    MakeLabel(hints, "Label5", "请记住口令，否则将无法使用本系统！", 300, 400, 8000, 300);
    MakeLabel(hints, "Label6", "输入正确的旧口令，并输入两次新口令，将立即修改用户的口令。", 300,
              800, 8000, 300);
    MakeLabel(hints, "Label7",
              "本系统的默认口令为" + Q(kDefaultPassword) + "，安装系统后请立即修改口令。    ", 300,
              1200, 8000, 300);

    cmdChangePwd = MakeButton(this, "cmdChangePwd", "修改口令", 6800, 5200, 1300, 420,
                              [this] { cmdChangePwd_Click(); });
    Command1 =
        MakeButton(this, "Command1", "关闭", 8400, 5200, 1300, 420, [this] { Command1_Click(); });
}

void system_pwd_form::cmdChangePwd_Click() {
    const QString oldPwd = TrimQ(txtOldPwd->text());
    const QString newPwd = TrimQ(txtNewPwd->text());
    const QString confirm = TrimQ(txtNewPwd01->text());
    const bool inputOk = RunChecks(
        {
            {oldPwd.isEmpty(), "旧口令必须输入", txtOldPwd},
            {newPwd.isEmpty(), "新口令必须输入且不能为空格", txtNewPwd},
            {CharCount(newPwd) > kMaxPasswordLength, "新口令长度不能大于8！", txtNewPwd},
            {confirm.isEmpty(), "确认新口令必须输入且不能为空格", txtNewPwd01},
            {CharCount(confirm) > kMaxPasswordLength, "确认新口令长度不能大于8！", txtNewPwd01},
            {confirm != newPwd, "确认新口令不一致！", txtNewPwd},
        },
        "错误");
    if (!inputOk) return;
    Connection conn;
    OpenProgramDatabase(conn);
    if (!RunChecks({{ReadLoginPassword(conn) != S(oldPwd), "旧口令输入不正确！", txtOldPwd}},
                   "错误"))
        return;
    conn.Execute("update defaultParameter set valueFrom = ? where paramCd = 'loginPwd'",
                 {S(newPwd)});
}

void system_pwd_form::Command1_Click() {
    Unload();
}
