// The help viewer: one window showing the program's HTML help pages.
#pragma once

#include <QRect>
#include <QString>
#include <QTextBrowser>

namespace platform {

// The help window. Esc or Ctrl+W closes it, as in other help viewers. It is placed by its frame,
// title bar included: the program opens it under its strip, which stays on top of every window,
// and a title bar under the strip could be neither grabbed nor closed.
class HelpViewer : public QTextBrowser {
  public:
    HelpViewer();
    // Centres the window's frame on `over`, no higher than its top and on the screen: a window
    // too wide gives up width, one too tall for the room below gives up height before it moves
    // up. Placed before it is shown, the window is placed again by its real frame once the window
    // manager has framed it.
    void placeOver(QRect over);

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool event(QEvent* e) override;

  private:
    // The area the window was placed over, while its frame is not known yet.
    QRect over_;
};

// Opens (or brings forward) the help window at `topic`, a page of the help folder. A missing
// page shows the viewer's own notice. A new window opens placed over `over` (see
// HelpViewer::placeOver) when it is given; a window already open stays where the user put it.
void ShowHelpPage(const QString& helpFolder, const QString& topic, const QRect& over = {});
// The help window while it is open, else nullptr.
QWidget* HelpWindow();

}  // namespace platform
