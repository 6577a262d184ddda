// The popup window of one clsXPMenu: shows the menu's picture, follows the pointer, turns a
// click into a command for the owner and closes the menus by its timers' rules.
//
// The popup is a floating tool window that the window manager does not manage and that never
// becomes active, so the window that was active when it opened (the owner) stays active. It
// closes when another window becomes active, when the mouse is pressed anywhere outside the
// popups, or when its menu is unloaded.
#pragma once

#include <QPixmap>
#include <QPointer>

#include "platform/Form.h"
#include "shell/IMenuOwner.h"

class clsXPMenu;
namespace platform {
class Timer;
}

class frmXPMenu : public platform::Form {
    Q_OBJECT
  public:
    // The mark of every popup menu window, in its "Tag" property.
    static constexpr const char* kTag = "XPMenu";

    explicit frmXPMenu(clsXPMenu* owner);
    ~frmXPMenu() override;

    clsXPMenu* XPMenuClass = nullptr;
    double upY = 0;  // y of the last mouse release, pixels
    IMenuOwner* loParent = nullptr;

    void setPicture(const QPixmap& picture);
    // The window's tag; "XPMenu" marks a shown popup menu.
    void setTag(const QString& tag);
    QString Tag() const;
    // Starts or stops the two timers and the watch for clicks elsewhere.
    void setWatching(bool on);
    // Remembers the window that is active now: the popup stays open while it stays active.
    void rememberActiveWindow();

    platform::Timer* tmrActive() const { return tmrActive_; }
    platform::Timer* tmrHover() const { return tmrHover_; }

    // True when w is a shown popup menu window.
    static bool IsMenuWindow(const QWidget* w);

    // The timers' rules, run on each tick.
    void tmrActive_Timer();
    void tmrHover_Timer();

  protected:
    void Form_Unload(bool& cancel) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void Form_MouseMove(double y);
    void Form_Click();
    // Closes this popup's menu and its submenus.
    void closeOwnMenu();

    QPixmap picture_;
    platform::Timer* tmrActive_;
    platform::Timer* tmrHover_;
    QPointer<QWidget> activeAtShow_;
    bool watching_ = false;
    bool pressed_ = false;
};
