#include "shell/helpCenter.h"

#include <QDir>

#include "platform/AppPath.h"
#include "platform/HelpViewer.h"
#include "platform/QtText.h"

namespace helpCenter {

void ShowHelp(const QRect& over) {
    platform::ShowHelpPage(QDir(platform::Q(platform::AppPath())).filePath("hlp"), "index.htm",
                           over);
}

}  // namespace helpCenter
