#include "shell/frmMsgBox.h"

#include <QApplication>
#include <QEventLoop>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "platform/EventGuard.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Window.h"

namespace {

constexpr int kButtonWidth = 75;
// Low enough to leave the bottom edge pictures (22 pixels) clear below it.
constexpr int kButtonHeight = 18;
constexpr int kIconSize = 32;

QStyle::StandardPixmap standardPixmapOf(MsgBoxIcon icon) {
    switch (icon) {
        case MsgBoxIcon::Stop:
            return QStyle::SP_MessageBoxCritical;
        case MsgBoxIcon::Information:
            return QStyle::SP_MessageBoxInformation;
        case MsgBoxIcon::Exclamation:
            break;
    }
    return QStyle::SP_MessageBoxWarning;
}

}  // namespace

frmMsgBox::frmMsgBox() : platform::Form("frmMsgBox") {
    platform::MakeBorderless(this);
    setCaption("Custom MsgBox with Icon");
    setAutoFillBackground(true);
    QPalette back = palette();
    back.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(back);
    resize(300, 140);

    chrome_ = CreateSkinChrome(this);
    chrome_.lblTitle->setCaption(Caption());
    for (QWidget* unused : {static_cast<QWidget*>(chrome_.imgTitleHelp),
                            static_cast<QWidget*>(chrome_.imgTitleMinimize),
                            static_cast<QWidget*>(chrome_.imgTitleMaximize),
                            static_cast<QWidget*>(chrome_.imgTitleMaxRestore),
                            static_cast<QWidget*>(chrome_.imgTitleRestore)})
        unused->hide();

    lblMessage_ = new platform::Label(this);
    lblMessage_->setObjectName("lblMessage");
    lblMessage_->move(kMessageLeft, kMessageTop);
    lblMessage_->setTextFormat(Qt::PlainText);
    lblMessage_->setAutoSize(true);

    cmdOK_ = new QPushButton("OK", this);
    cmdOK_->setObjectName("cmdOK");
    cmdOK_->resize(kButtonWidth, kButtonHeight);
    cmdOK_->setAutoDefault(true);

    connect(cmdOK_, &QPushButton::clicked, this,
            [this] { platform::RunGuarded([this] { Unload(); }); });
    connect(chrome_.imgTitleClose, &platform::Label::clicked, this,
            [this] { platform::RunGuarded([this] { Unload(); }); });
    OnTitleBarPressed(chrome_, this, [this] { platform::RunGuarded([this] { DragForm(this); }); });
}

void frmMsgBox::Form_Load() {
    ArrangeSkinChrome(this, true);
    chrome_.imgTitleMaxRestore->setPicture(chrome_.imgTitleMaximize->Picture());
    LoadSkin(this);
}

void frmMsgBox::fitMessage(const QString& prompt, int screenWidth) {
    lblMessage_->setWordWrap(false);
    lblMessage_->setCaption(prompt);
    const int widest = screenWidth - kMessageLeft - kRightMargin;
    if (lblMessage_->width() > widest) {
        lblMessage_->setWordWrap(true);
        lblMessage_->resize(widest, lblMessage_->heightForWidth(widest));
    }
}

int frmMsgBox::neededWidth() const {
    // The title label is centred on W / 2 - characters x 7.5 by the chrome layout; it must
    // clear the title bar's left end (13 pixels) and the close button (22 from the right).
    const int chars = chrome_.lblTitle->text().size();
    const int titleWidth = chrome_.lblTitle->sizeHint().width();
    const int forTitleLeft = 2 * 13 + 15 * chars;
    const int forTitleRight = static_cast<int>(std::ceil(2 * (titleWidth - 7.5 * chars + 22 + 2)));
    const int forMessage = kMessageLeft + lblMessage_->width() + kRightMargin;
    const int forButton = cmdOK_->width() + 2 * kIconLeft;
    return std::max({kMinWidth, forMessage, forTitleLeft, forTitleRight, forButton});
}

void frmMsgBox::Prepare(const QString& prompt, MsgBoxIcon icon, const QString& title) {
    icon_ = icon;
    QWidget* active = QApplication::activeWindow();
    const QRect area = platform::AvailableScreenArea(
        active != nullptr ? active->frameGeometry().center() : platform::PointerPosition());
    fitMessage(prompt, area.width());
    chrome_.lblTitle->setCaption(title);

    const int width = std::min(neededWidth(), area.width());
    const int height =
        std::min(lblMessage_->y() + lblMessage_->height() + cmdOK_->height() + 40, area.height());
    setWidth(platform::PixelsToTwips(width));
    setHeight(platform::PixelsToTwips(height));
    ArrangeSkinChrome(this, true);

    cmdOK_->move((width - cmdOK_->width()) / 2,
                 lblMessage_->y() + lblMessage_->height() + cmdOK_->height());
    const QPoint centred = area.center() - QPoint(width / 2, height / 2);
    move(std::clamp(centred.x(), area.left(), std::max(area.left(), area.right() - width + 1)),
         std::clamp(centred.y(), area.top(), std::max(area.top(), area.bottom() - height + 1)));
    cmdOK_->setFocus();
    update();
}

void frmMsgBox::ShowModal() {
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    bool closed = false;
    connect(this, &platform::Form::unloaded, &loop, [&] {
        closed = true;
        loop.quit();
    });
    Show();
    if (!closed) loop.exec();
}

void frmMsgBox::paintEvent(QPaintEvent* e) {
    platform::Form::paintEvent(e);
    QPainter p(this);
    const QIcon icon = QApplication::style()->standardIcon(standardPixmapOf(icon_));
    p.drawPixmap(kIconLeft, kIconTop, icon.pixmap(kIconSize, kIconSize));
}
