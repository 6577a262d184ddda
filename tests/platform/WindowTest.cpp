#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTemporaryDir>

#include "platform/Fonts.h"
#include "platform/Settings.h"
#include "platform/Window.h"
#include "tests/support/GuiEvents.h"

namespace {

TEST(WindowTest, DragFollowsThePointerUntilRelease) {
    QWidget window;
    platform::MakeBorderless(&window);
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 200, 100);
    window.show();
    QCursor::setPos(110, 110);
    auto post = [&](QEvent::Type type, QPoint global, Qt::MouseButtons held) {
        QApplication::postEvent(
            &window, new QMouseEvent(type, QPointF(10, 10), QPointF(global),
                                     type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                                     held, Qt::NoModifier));
    };
    post(QEvent::MouseMove, {130, 115}, Qt::LeftButton);
    post(QEvent::MouseMove, {160, 90}, Qt::LeftButton);
    post(QEvent::MouseButtonRelease, {160, 90}, Qt::NoButton);
    platform::DragWindow(&window);
    EXPECT_EQ(window.pos(), QPoint(150, 80));

    // Called with the button already up (the strip's second drag, of the docked form): a
    // hover does not move the window and the call ends by itself.
    post(QEvent::MouseMove, {400, 400}, Qt::NoButton);
    platform::DragWindow(&window);
    EXPECT_EQ(window.pos(), QPoint(150, 80));

    window.showMaximized();
    gui::pump(20);
    const QPoint maximised = window.pos();
    post(QEvent::MouseMove, {300, 300}, Qt::LeftButton);
    platform::DragWindow(&window);
    gui::pump(20);
    EXPECT_EQ(window.pos(), maximised);
}

TEST(WindowTest, RegionAndWindowQueries) {
    QWidget window;
    window.setGeometry(300, 200, 120, 80);
    platform::SetWindowRegionRect(&window, 120, 80);
    EXPECT_EQ(window.mask(), QRegion(0, 0, 120, 80));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(gui::waitFor([&] { return platform::ActiveWindow() == &window; }, 2000));
    EXPECT_EQ(platform::TopLevelAt({350, 230}), &window);
    EXPECT_EQ(platform::TopLevelAt({10, 10}), nullptr);
    QCursor::setPos(33, 44);
    EXPECT_EQ(platform::PointerPosition(), QPoint(33, 44));
    EXPECT_TRUE(platform::AvailableScreenArea().contains(QPoint(300, 200)));

    QWidget popup;
    platform::MakeFloatingPopup(&popup);
    EXPECT_TRUE(popup.windowFlags() & Qt::X11BypassWindowManagerHint);
    EXPECT_TRUE(popup.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(popup.testAttribute(Qt::WA_ShowWithoutActivating));
}

TEST(SettingsTest, ValuesLiveInTheChosenIniFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("settings.ini");
    platform::SetSettingsFile(file);
    EXPECT_EQ(platform::SettingsFile("PraveltaKVT"), file);
    EXPECT_EQ(platform::ReadSetting("PraveltaKVT", "Options", "Current Skin", "Blue"), "Blue");
    platform::WriteSetting("PraveltaKVT", "Options", "Current Skin", "蓝色");
    EXPECT_EQ(platform::ReadSetting("PraveltaKVT", "Options", "Current Skin", "Blue"), "蓝色");
    EXPECT_EQ(platform::ReadSetting("PraveltaKVT", "Other", "Current Skin"), "");
    QFile ini(file);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("[Options]"));
    platform::SetSettingsFile(QString());
    EXPECT_NE(platform::SettingsFile("PraveltaKVT"), file);
}

TEST(FontsTest, WindowsFontsMapToInstalledFamilies) {
    platform::InstallFontSubstitutions();
    for (const char* family :
         {"Arial", "MS Sans Serif", "Tahoma", "Times New Roman", "Courier New"}) {
        const QStringList subs = QFont::substitutes(family);
        ASSERT_FALSE(subs.isEmpty()) << family;
        EXPECT_TRUE(QFontDatabase::hasFamily(subs.front()))
            << family << " -> " << subs.front().toStdString();
    }
    for (const char* song : {"宋体", "SimSun"}) {
        EXPECT_EQ(QFont::substitutes(song).value(0).toLower(), "noto serif cjk sc") << song;
        EXPECT_EQ(QFontInfo(QFont(song)).family().toLower(), "noto serif cjk sc") << song;
    }
}

}  // namespace
