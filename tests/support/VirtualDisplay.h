// An X server of the test's own (Xvfb), for runs of the program on a real display: the window
// system's events come late there, in an order of their own, as on a user's desktop; the window
// manager openbox, where installed, activates windows later still.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

class VirtualDisplay {
  public:
    // None when Xvfb is not installed.
    VirtualDisplay() {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty()) return;
        // Xvfb picks a free display and writes its number once it takes connections.
        server_.start("Xvfb",
                      {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"});
        name_ = ":" + QString::fromLatin1(saidOnce(server_, "\n").trimmed());
        if (name_ == ":" || QStandardPaths::findExecutable("openbox").isEmpty()) return;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", name_);
        windowManager_.setProcessEnvironment(env);
        // It runs the startup command once it manages the screen.
        windowManager_.start("openbox", {"--startup", "echo managing"});
        saidOnce(windowManager_, "managing");
    }
    ~VirtualDisplay() {
        for (QProcess* p : {&windowManager_, &server_}) {
            p->kill();
            p->waitForFinished();
        }
    }
    bool available() const { return name_.size() > 1; }
    QString name() const { return name_; }  // for DISPLAY

  private:
    // What the process wrote on its output until `mark` (5 s at most).
    static QByteArray saidOnce(QProcess& p, const char* mark) {
        QByteArray said;
        while (!said.contains(mark) && p.waitForReadyRead(5000)) said += p.readAllStandardOutput();
        return said;
    }

    QProcess server_, windowManager_;
    QString name_;
};
