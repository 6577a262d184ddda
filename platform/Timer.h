// The timer control: fires Timer every Interval milliseconds while Enabled. An interval of 0
// keeps it silent even when enabled.
#pragma once

#include <QObject>
#include <QTimer>

namespace platform {

class Timer : public QObject {
    Q_OBJECT
  public:
    Timer(QObject* parent, const QString& name, int intervalMs, bool enabled);

    void setEnabled(bool on);
    bool Enabled() const { return enabled_; }
    void setInterval(int ms);
    int Interval() const { return timer_.interval(); }
    // True while ticks are being delivered.
    bool IsRunning() const { return timer_.isActive(); }

  signals:
    void Tick();

  private:
    void restart();

    QTimer timer_;
    bool enabled_ = false;
};

}  // namespace platform
