#include "shell/login_form.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

#include "platform/EventGuard.h"
#include "platform/FormHelpers.h"
#include "platform/QtText.h"
#include "platform/Window.h"
#include "platform/storage/Database.h"
#include "shell/LoginPassword.h"

using namespace platform;

namespace {

// The decoration beside the inputs: a small bar chart in the program's blue.
QPixmap loginPicture(int w, int h) {
    QPixmap pm(w, h);
    pm.fill(QColor(0xE8, 0xF0, 0xFB));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const int bars[] = {35, 55, 45, 75, 90};
    const int bw = w / 8;
    for (int i = 0; i < 5; ++i) {
        const int bh = h * bars[i] / 110;
        p.fillRect(bw / 2 + i * (bw + bw / 2), h - bh - 6, bw, bh, QColor(0x2F, 0x5F, 0xB3));
    }
    p.setPen(QPen(QColor(0xF0, 0x90, 0x20), 2));
    p.drawLine(4, h - 10, w - 6, 10);
    return pm;
}

}  // namespace

login_form::login_form(QWidget* parent) : Form("login_form", parent) {
    setCaption("PraveltaKVT-登录");
    // The window opens in the middle of the screen, where the user looks at start.
    const QRect area = platform::AvailableScreenArea();
    const int width = 6300, height = 3600;
    Move(platform::PixelsToTwips(area.x() + (area.width() - platform::TwipsToPixels(width)) / 2),
         platform::PixelsToTwips(area.y() + (area.height() - platform::TwipsToPixels(height)) / 2),
         width, height);
    auto* picture = MakeControl<QLabel>(this, "Picture1", 240, 240, 1800, 2700);
    picture->setPixmap(loginPicture(picture->width(), picture->height()));
    QLabel* title = MakeLabel(this, "Label3", "PraveltaKVT", 2300, 240, 3700, 500);
    QFont titleFont("Arial", 16, QFont::Bold);
    title->setFont(titleFont);
    title->setStyleSheet("color: #2F5FB3;");
    MakeLabel(this, "Label1", "企业名称：", 2300, 1000, 1200, 300);
    txtUserName = MakeControl<QLineEdit>(this, "txtUserName", 3500, 950, 2500, 360);
    txtUserName->setText("administrator");
    MakeLabel(this, "Label2", "口   令：", 2300, 1600, 1200, 300);
    txtUserPwd = MakeControl<QLineEdit>(this, "txtUserPwd", 3500, 1550, 2500, 360);
    txtUserPwd->setEchoMode(QLineEdit::Password);
    Command1 =
        MakeButton(this, "Command1", "登录", 3000, 2500, 1300, 420, [this] { Command1_Click(); });
    Command2 =
        MakeButton(this, "Command2", "关闭", 4600, 2500, 1300, 420, [this] { Command2_Click(); });

    connect(txtUserName, &QLineEdit::returnPressed, this,
            [this] { RunGuarded([this] { txtUserName_KeyPress(13); }); });
    connect(txtUserPwd, &QLineEdit::returnPressed, this,
            [this] { RunGuarded([this] { txtUserPwd_KeyPress(13); }); });
}

bool login_form::checkLogin() {
    const QString user = TrimQ(txtUserName->text());
    const QString pwd = TrimQ(txtUserPwd->text());
    if (!RunChecks({{user.isEmpty(), "请输入用户名！", txtUserName}}, "")) return false;
    if (!RunChecks({{pwd.isEmpty(), "请输入口令！", txtUserPwd},
                    {CharCount(pwd) > kMaxPasswordLength, "口令长度不能大于8！", txtUserPwd}},
                   "错误"))
        return false;
    Connection conn;
    OpenProgramDatabase(conn);
    const QString stored = Q(ReadLoginPassword(conn));
    return RunChecks({{stored != pwd, "请输入正确口令！", txtUserPwd}}, "错误");
}

void login_form::Command1_Click() {
    // The main window's start yields to the event loop: a second click or Enter there is no
    // second login, and a close there deletes this window before the start returns.
    if (loggingIn_ || !checkLogin()) return;
    loggingIn_ = true;
    const QPointer<login_form> self(this);
    emit loggedIn();
    if (self) Unload();
}

void login_form::Command2_Click() {
    Unload();
}

void login_form::txtUserName_KeyPress(int KeyAscii) {
    if (KeyAscii == 13) txtUserPwd->setFocus();
}

void login_form::txtUserPwd_KeyPress(int KeyAscii) {
    if (KeyAscii == 13) Command1_Click();
}
