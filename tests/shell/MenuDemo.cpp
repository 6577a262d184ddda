// Shows a skinned strip in a real window, opens a menu under it by moving the pointer over a
// menu label and onto an item, and saves a screenshot of the screen. Used by
// tools/screenshot-menu under a virtual X server.
//
//   shell_menu_demo <program folder> <menu.png> [<msgbox.png>]
#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "platform/AppPath.h"
#include "platform/Fonts.h"
#include "platform/Label.h"
#include "platform/QtMsgBox.h"
#include "shell/MessageBox.h"
#include "shell/frmMsgBox.h"
#include "shell/frmXPMenu.h"
#include "tests/shell/TestStrip.h"

namespace {

bool grabScreen(const QString& file) {
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    const bool ok = shot.save(file);
    std::printf("%s %s\n", ok ? "saved" : "could not save", qPrintable(file));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <program folder> <menu.png> [<msgbox.png>]\n", argv[0]);
        return 2;
    }
    platform::SetAppPath(argv[1]);
    platform::InstallFontSubstitutions();
    platform::InstallQtMsgAnswerer();
    const QString menuShot = argv[2];
    const QString boxShot = argc > 3 ? argv[3] : QString();

    TestStrip strip;
    strip.Move(1500, 750, 12000, 825);
    strip.Show();
    ArrangeSkinChrome(&strip, false);

    QWidget* label = strip.menuLabel(0);
    int status = 1;
    QTimer::singleShot(500, [&] {
        QCursor::setPos(label->mapToGlobal(QPoint(10, 6)));  // the real pointer: a hover
    });
    QTimer::singleShot(1000, [&] {
        frmXPMenu* popup = strip.XPMenu().PopupWindow();
        if (popup == nullptr) {
            std::fprintf(stderr, "no menu opened on hover\n");
            app.exit(1);
            return;
        }
        // Onto the third item ("周期转换").
        const int L = strip.XPMenu().LineHeight();
        QCursor::setPos(popup->mapToGlobal(QPoint(40, 3 + L + 8 + 9 + (L + 8) / 2)));
    });
    QTimer::singleShot(1600, [&] {
        status = grabScreen(menuShot) && strip.XPMenu().GetHilightNum() == 3 ? 0 : 1;
        if (strip.XPMenu().GetHilightNum() != 3)
            std::fprintf(stderr, "highlight is %d, not 3\n", strip.XPMenu().GetHilightNum());
        if (boxShot.isEmpty()) {
            app.exit(status);
            return;
        }
        clsXPMenu::KillAllMenus();
        QTimer::singleShot(600, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<frmMsgBox*>(w); box && box->isVisible()) {
                    if (!grabScreen(boxShot)) status = 1;
                    box->cmdOK()->click();
                }
            }
        });
        ShowMsgBox("皮肤文件读取失败：imgTitleMain.gif", 48, "");
        app.exit(status);
    });
    return app.exec();
}
