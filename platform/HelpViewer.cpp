#include "platform/HelpViewer.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QUrl>
#include <algorithm>

namespace platform {
namespace {
QPointer<HelpViewer> viewer;

constexpr int kLeastHeight = 400;

// The frame's rectangle, of size `frame`, by the rule of HelpViewer::placeOver: a frame too tall
// for the room below gives up height (down to kLeastHeight) before it moves up; one too wide for
// the screen gives up width.
QRect frameOver(const QRect& over, QSize frame) {
    const QScreen* screen = QGuiApplication::screenAt(over.center());
    const QRect room = screen ? screen->availableGeometry() : QRect();
    if (screen) frame.setWidth(std::min(frame.width(), room.width()));
    QRect r(QPoint(), frame);
    r.moveCenter(over.center());
    r.moveTop(std::max(r.top(), over.top()));
    if (screen) {
        r.setBottom(std::min(r.bottom(), std::max(room.bottom(), r.top() + kLeastHeight - 1)));
        r.moveLeft(
            std::clamp(r.left(), room.left(), std::max(room.left(), room.right() - r.width())));
        r.moveTop(
            std::clamp(r.top(), room.top(), std::max(room.top(), room.bottom() - r.height())));
    }
    return r;
}

// The window manager's frame around the window; none before it has framed the window.
QMargins frameMarginsOf(const QWidget& window) {
    const QRect inner = window.geometry(), outer = window.frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}
}  // namespace

HelpViewer::HelpViewer() {
    setObjectName("HelpViewer");
    setAttribute(Qt::WA_DeleteOnClose);
    setOpenExternalLinks(false);
    resize(760, 560);
}

void HelpViewer::placeOver(QRect over) {
    const QMargins margins = frameMarginsOf(*this);
    // Until the window manager has framed the window, the frame's size is a guess.
    over_ = margins.isNull() ? over : QRect();
    const QRect frame = frameOver(over, size().grownBy(margins));
    resize(frame.size().shrunkBy(margins));
    // A window's move places its frame's top left corner, also before the window is framed.
    move(frame.topLeft());
}

void HelpViewer::keyPressEvent(QKeyEvent* e) {
    if (e->keyCombination() == QKeyCombination(Qt::Key_Escape) ||
        e->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_W)) {
        close();
        return;
    }
    QTextBrowser::keyPressEvent(e);
}

bool HelpViewer::event(QEvent* e) {
    // The window manager moves the window as it frames it.
    if (e->type() == QEvent::Move && over_.isValid() && !frameMarginsOf(*this).isNull())
        placeOver(over_);
    return QTextBrowser::event(e);
}

void ShowHelpPage(const QString& helpFolder, const QString& topic, const QRect& over) {
    if (!viewer) {
        viewer = new HelpViewer;
        if (over.isValid()) viewer->placeOver(over);
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
