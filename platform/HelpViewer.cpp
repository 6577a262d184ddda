#include "platform/HelpViewer.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <algorithm>

namespace platform {
namespace {
QPointer<QTextBrowser> viewer;

// Centres the window on `over`, its top no higher than the top of `over`, and keeps it on
// the screen: a window too tall for the room below gives up height (down to kLeastHeight)
// before it moves up.
constexpr int kLeastHeight = 400;

void placeOver(QWidget& window, const QRect& over) {
    QRect r(QPoint(), window.size());
    r.moveCenter(over.center());
    r.moveTop(std::max(r.top(), over.top()));
    if (const QScreen* screen = QGuiApplication::screenAt(over.center())) {
        const QRect room = screen->availableGeometry();
        r.setBottom(std::min(r.bottom(), std::max(room.bottom(), r.top() + kLeastHeight - 1)));
        r.moveLeft(
            std::clamp(r.left(), room.left(), std::max(room.left(), room.right() - r.width())));
        r.moveTop(
            std::clamp(r.top(), room.top(), std::max(room.top(), room.bottom() - r.height())));
    }
    window.setGeometry(r);
}
}  // namespace

void ShowHelpPage(const QString& helpFolder, const QString& topic, const QRect& over) {
    if (!viewer) {
        viewer = new QTextBrowser;
        viewer->setObjectName("HelpViewer");
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->setOpenExternalLinks(false);
        viewer->resize(760, 560);
        if (over.isValid()) placeOver(*viewer, over);
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

QWidget* HelpWindow() {
    return viewer.data();
}

}  // namespace platform
