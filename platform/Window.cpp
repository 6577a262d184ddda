#include "platform/Window.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QTimer>

namespace platform {
namespace {

// Follows the pointer while the mouse button is held, for DragWindow.
class MoveTracker : public QObject {
  public:
    MoveTracker(QWidget* window, QEventLoop* loop)
        : window_(window),
          loop_(loop),
          startPointer_(PointerPosition()),
          startPos_(window->pos()) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        (void)watched;
        switch (e->type()) {
            case QEvent::MouseMove: {
                // Only a move with the button held drags; a hover after an early release
                // neither moves the window nor is kept from the widgets.
                auto* me = static_cast<QMouseEvent*>(e);
                if (!(me->buttons() & Qt::LeftButton)) return false;
                if (window_)
                    window_->move(startPos_ + me->globalPosition().toPoint() - startPointer_);
                return true;
            }
            case QEvent::MouseButtonRelease:
                // The release goes on: Qt sends every pointer event to the pressed widget
                // until it sees the button let go, so a swallowed release would keep the
                // pointer held by the title bar (no hover, no menu) until the next click.
                loop_->quit();
                return false;
            default:
                return false;
        }
    }

  private:
    QPointer<QWidget> window_;
    QEventLoop* loop_;
    QPoint startPointer_;
    QPoint startPos_;
};

}  // namespace

void MakeBorderless(QWidget* window) {
    window->setWindowFlag(Qt::FramelessWindowHint, true);
}

void MakeFloatingPopup(QWidget* window) {
    window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    window->setFocusPolicy(Qt::NoFocus);
}

void SetWindowRegionRect(QWidget* window, int width, int height) {
    window->setMask(QRegion(0, 0, std::max(0, width), std::max(0, height)));
}

bool IsWindowMaximized(const QWidget* window) {
    return window->isMaximized();
}
bool IsWindowMinimized(const QWidget* window) {
    return window->isMinimized();
}

void DragWindow(QWidget* window) {
    if (window == nullptr || IsWindowMaximized(window)) return;
    QEventLoop loop;
    MoveTracker tracker(window, &loop);
    qApp->installEventFilter(&tracker);
    // The drag also ends if the button was let go where no release reached us (pointer grab
    // lost to another program).
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&loop] {
        if (QGuiApplication::mouseButtons() == Qt::NoButton) loop.quit();
    });
    poll.start(50);
    loop.exec();
    qApp->removeEventFilter(&tracker);
}

QWidget* ActiveWindow() {
    return QApplication::activeWindow();
}

QWidget* TopLevelAt(const QPoint& screenPos) {
    return QApplication::topLevelAt(screenPos);
}

QPoint PointerPosition() {
    return QCursor::pos();
}

QRect AvailableScreenArea(const QPoint& screenPos) {
    QScreen* screen = QGuiApplication::screenAt(screenPos);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 800, 600);
}

}  // namespace platform
