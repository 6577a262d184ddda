// The help viewer: one window showing the program's HTML help pages.
#pragma once

#include <QString>

class QWidget;

namespace platform {

// Opens (or brings forward) the help window at `topic`, a page of the help folder. A missing
// page shows the viewer's own notice.
void ShowHelpPage(const QString& helpFolder, const QString& topic);
// The help window while it is open, else nullptr.
QWidget* HelpWindow();

}  // namespace platform
