// Mouse input for the window tests: events delivered straight to a widget, as the platform
// would deliver them, and a wait that keeps the event loop running.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
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
