// An X server of the test's own (Xvfb), with the window manager openbox where it is installed, for
// runs of the program on a real display: the window system's events come late and in an order
// of their own there, as they do on a user's desktop (a window manager activates a window
// later still).
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

class VirtualDisplay {
  public:
    // Starts Xvfb on a display no other server uses (none when Xvfb is not installed), then
    // openbox on it.
    VirtualDisplay() {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty()) return;
        // Xvfb picks the display and writes its number once it takes connections.
        server_.start(xvfb,
                      {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"});
        const QByteArray number = firstLine(server_);
        if (number.isEmpty()) return;
        name_ = ":" + QString::fromLatin1(number);
        const QString openbox = QStandardPaths::findExecutable("openbox");
        if (openbox.isEmpty()) return;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", name_);
        windowManager_.setProcessEnvironment(env);
        windowManager_.setProcessChannelMode(QProcess::MergedChannels);
        // It runs the startup command once it manages the screen.
        windowManager_.start(openbox, {"--startup", "echo managing"});
        QByteArray said;
        while (!said.contains("managing") && windowManager_.waitForReadyRead(5000))
            said += windowManager_.readAll();
    }
    ~VirtualDisplay() {
        for (QProcess* p : {&windowManager_, &server_}) {
            p->kill();
            p->waitForFinished();
        }
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool available() const { return !name_.isEmpty(); }
    // The value for DISPLAY.
    QString name() const { return name_; }

  private:
    static QByteArray firstLine(QProcess& p) {
        while (!p.canReadLine() && p.waitForReadyRead(5000)) {
        }
        return p.readLine().trimmed();
    }

    QProcess server_;
    QProcess windowManager_;
    QString name_;
};
