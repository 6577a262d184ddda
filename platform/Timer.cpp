#include "platform/Timer.h"

namespace platform {

Timer::Timer(QObject* parent, const QString& name, int intervalMs, bool enabled)
    : QObject(parent), enabled_(enabled) {
    setObjectName(name);
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &Timer::Tick);
    restart();
}

void Timer::setEnabled(bool on) {
    enabled_ = on;
    restart();
}

void Timer::setInterval(int ms) {
    timer_.setInterval(ms);
    restart();
}

void Timer::restart() {
    if (enabled_ && timer_.interval() > 0) {
        timer_.start();
    } else {
        timer_.stop();
    }
}

}  // namespace platform
