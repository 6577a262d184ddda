#include "platform/HelpViewer.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

namespace platform {
namespace {
QPointer<QTextBrowser> viewer;
}  // namespace

void ShowHelpPage(const QString& helpFolder, const QString& topic) {
    if (!viewer) {
        viewer = new QTextBrowser;
        viewer->setObjectName("HelpViewer");
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->setOpenExternalLinks(false);
        viewer->resize(760, 560);
    }
    viewer->setWindowTitle("帮助");
    viewer->setSearchPaths({helpFolder});
    const QString page = QDir(helpFolder).filePath(topic);
    if (QFileInfo::exists(page)) {
        viewer->setSource(QUrl::fromLocalFile(page));
    } else {
        viewer->setHtml("<p>找不到帮助页面：" + page.toHtmlEscaped() + "</p>");
    }
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
}

QWidget* HelpWindow() { return viewer.data(); }

}  // namespace platform
