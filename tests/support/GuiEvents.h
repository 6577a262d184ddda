// Mouse input for the window tests: events delivered straight to a widget, events that enter Qt
// as the window system's do, and a wait that keeps the event loop running.
#pragma once

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>

namespace gui {

inline void mouse(QWidget* w, QEvent::Type type, QPointF pos,
                  Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
    QMouseEvent e(type, pos, w->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button,
                  held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
inline void press(QWidget* w, QPointF pos) {
    mouse(w, QEvent::MouseButtonPress, pos);
}
inline void release(QWidget* w, QPointF pos) {
    mouse(w, QEvent::MouseButtonRelease, pos);
}
inline void move(QWidget* w, QPointF pos) {
    mouse(w, QEvent::MouseMove, pos);
}
inline void click(QWidget* w, QPointF pos) {
    press(w, pos);
    release(w, pos);
}

// A left-button event at a screen point as the window system reports it to the top-level window
// of `w`. Unlike an event sent to a widget, it takes Qt's whole way in, with the bookkeeping of
// a real pointer: which widget holds the pointer while the button is down, enter and leave.
inline void systemMouse(QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButtons held) {
    static int timestamp = 0;
    timestamp += 1000;  // far apart: two presses never make a double click
    QWindow* window = w->window()->windowHandle();
    qt_handleMouseEvent(window, window->mapFromGlobal(QPointF(global)), QPointF(global), held,
                        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, type,
                        Qt::NoModifier, timestamp);
}
inline void systemMove(QWidget* w, QPoint global) {
    systemMouse(w, QEvent::MouseMove, global, Qt::NoButton);
}
inline void systemClick(QWidget* w, QPoint global) {
    systemMouse(w, QEvent::MouseButtonPress, global, Qt::LeftButton);
    systemMouse(w, QEvent::MouseButtonRelease, global, Qt::NoButton);
}

// A user's drag on the window of `w`: the left button pressed at `from` (screen), the pointer
// moved to `to` in steps with the button held, the button let go there. A press handler that
// runs an event loop until the release (a window drag) gets the moves and the release inside
// it. Returns once the release has been handled.
inline void systemDrag(QWidget* w, QPoint from, QPoint to) {
    // The pointer is where the press happens, as the platform reports it.
    QCursor::setPos(from);
    QCoreApplication::processEvents();
    bool released = false;
    QTimer afterPress;
    afterPress.setSingleShot(true);
    QObject::connect(&afterPress, &QTimer::timeout, [&] {
        constexpr int kSteps = 5;
        for (int i = 1; i <= kSteps; ++i)
            systemMouse(w, QEvent::MouseMove, from + (to - from) * i / kSteps, Qt::LeftButton);
        systemMouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
        released = true;
    });
    afterPress.start(0);
    systemMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    while (!released) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Runs the event loop until done() holds or ms milliseconds have passed; returns done().
inline bool waitFor(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

// Runs the event loop for ms milliseconds.
inline void pump(int ms) {
    waitFor([] { return false; }, ms);
}

// Shows the window, has it repainted whole and runs the event loop until it has been painted
// (at most ms milliseconds), then handles what the painting posted: what the user would see.
// Returns whether it was painted.
inline bool showAndPaint(QWidget& window, int ms = 5000) {
    struct PaintSeen : QObject {
        bool seen = false;
        bool eventFilter(QObject*, QEvent* e) override {
            seen = seen || e->type() == QEvent::Paint;
            return false;
        }
    } paint;
    window.installEventFilter(&paint);
    window.show();
    window.update();
    QDeadlineTimer deadline(ms);
    while (!paint.seen && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    window.removeEventFilter(&paint);
    QCoreApplication::processEvents();
    return paint.seen;
}

}  // namespace gui
