// The program's application object, the last guard of every event handler: an exception that
// a handler lets escape is shown in a message box and the event is dropped, so the program goes
// on instead of ending. Handlers catch their own errors; this is for the one that was missed.
#pragma once

#include <QApplication>

namespace platform {

class GuardedApplication : public QApplication {
  public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace platform
