#include "shell/frmXPMenu.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "platform/EventGuard.h"
#include "platform/Timer.h"
#include "platform/Window.h"
#include "shell/clsXPMenu.h"

namespace {

// No exception leaves an event handler: it is shown and the handler ends.
}  // namespace

frmXPMenu::frmXPMenu(clsXPMenu* owner)
    : platform::Form("frmXPMenu"),
      XPMenuClass(owner),
      tmrActive_(new platform::Timer(this, "tmrActive", 100, false)),
      tmrHover_(new platform::Timer(this, "tmrHover", 50, false)) {
    platform::MakeFloatingPopup(this);
    setMouseTracking(true);
    setFont(clsXPMenu::MenuFont());
    connect(tmrActive_, &platform::Timer::Tick, this,
            [this] { platform::RunGuarded([this] { tmrActive_Timer(); }); });
    connect(tmrHover_, &platform::Timer::Tick, this,
            [this] { platform::RunGuarded([this] { tmrHover_Timer(); }); });
}

frmXPMenu::~frmXPMenu() {
    setWatching(false);
}

void frmXPMenu::Form_Unload(bool& cancel) {
    (void)cancel;
    setTag(QString());
    setWatching(false);
}

void frmXPMenu::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void frmXPMenu::setTag(const QString& tag) {
    setProperty("Tag", tag);
}
QString frmXPMenu::Tag() const {
    return property("Tag").toString();
}

bool frmXPMenu::IsMenuWindow(const QWidget* w) {
    auto* menu = qobject_cast<const frmXPMenu*>(w);
    return menu != nullptr && menu->Tag() == kTag;
}

void frmXPMenu::setWatching(bool on) {
    tmrActive_->setEnabled(on);
    tmrHover_->setEnabled(on);
    if (on == watching_) return;
    watching_ = on;
    if (on) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
    }
}

void frmXPMenu::rememberActiveWindow() {
    QWidget* active = platform::ActiveWindow();
    if (!IsMenuWindow(active)) activeAtShow_ = active;
}

void frmXPMenu::closeOwnMenu() {
    clsXPMenu* menu = XPMenuClass;
    if (menu == nullptr) {
        setWatching(false);
        Unload();
        return;
    }
    menu->KillPopupMenus();
    menu->UnloadMenu();
}

void frmXPMenu::tmrActive_Timer() {
    // The menus stay while one of them is active (where the platform activates popups) or
    // while the window that was active when they opened still is; any other window becoming
    // active, or the program losing activation, closes them.
    QWidget* active = platform::ActiveWindow();
    if (IsMenuWindow(active)) return;
    if (active == activeAtShow_.data()) return;
    closeOwnMenu();
}

void frmXPMenu::tmrHover_Timer() {
    if (XPMenuClass == nullptr) return;
    QWidget* under = platform::TopLevelAt(platform::PointerPosition());
    if (under != this && !XPMenuClass->PopupShown()) XPMenuClass->setHilightedItem(-1);
}

void frmXPMenu::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), clsXPMenu::kBackColor);
    p.drawPixmap(0, 0, picture_);
}

void frmXPMenu::mouseMoveEvent(QMouseEvent* e) {
    const double y = e->position().y();
    platform::RunGuarded([this, y] { Form_MouseMove(y); });
}

void frmXPMenu::mousePressEvent(QMouseEvent* e) {
    pressed_ = e->button() == Qt::LeftButton;
}

void frmXPMenu::mouseReleaseEvent(QMouseEvent* e) {
    upY = e->position().y();
    const bool click = pressed_ && e->button() == Qt::LeftButton;
    pressed_ = false;
    if (click) platform::RunGuarded([this] { Form_Click(); });
}

void frmXPMenu::Form_MouseMove(double y) {
    if (XPMenuClass == nullptr) return;
    const int index = XPMenuClass->GetHilightedItem(y);
    if (index != XPMenuClass->GetHilightNum()) XPMenuClass->setHilightedItem(index);
}

void frmXPMenu::Form_Click() {
    clsXPMenu* menu = XPMenuClass;
    if (menu == nullptr) return;
    const int index = menu->GetHilightedItem(upY);
    if (!menu->IsTextItem(index)) return;
    IMenuOwner* owner = loParent;
    const QString name = menu->GetMenuName();
    const QString text = menu->GetItemText(index);
    clsXPMenu::KillAllMenus();
    if (owner != nullptr) owner->HandleMenuClick(name, index, text);
}

bool frmXPMenu::eventFilter(QObject* watched, QEvent* e) {
    // A mouse press outside the popup menus closes them, as activating that window would.
    if (e->type() == QEvent::MouseButtonPress ||
        e->type() == QEvent::NonClientAreaMouseButtonPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w != nullptr && qobject_cast<frmXPMenu*>(w->window()) == nullptr) {
            platform::RunGuarded([this] { closeOwnMenu(); });
        }
    }
    return false;
}
