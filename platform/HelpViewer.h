// The help viewer: one window showing the program's HTML help pages.
#pragma once

#include <QRect>
#include <QString>

class QWidget;

namespace platform {

// Opens (or brings forward) the help window at `topic`, a page of the help folder. A missing
// page shows the viewer's own notice. A new window opens centred over `over` when it is given,
// no higher than its top and kept on the screen; a window already open stays where the user
// put it.
void ShowHelpPage(const QString& helpFolder, const QString& topic, const QRect& over = {});
// The help window while it is open, else nullptr.
QWidget* HelpWindow();

}  // namespace platform
