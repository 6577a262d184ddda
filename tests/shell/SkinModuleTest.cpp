#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "platform/Fonts.h"
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Settings.h"
#include "platform/Window.h"
#include "shell/SkinModule.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/shell/TestStrip.h"
#include "tests/support/GuiEvents.h"

namespace {

// A window with the whole chrome and, optionally, the menu-bar picture.
class ChromeForm : public platform::Form {
  public:
    explicit ChromeForm(bool withImage2 = true) : platform::Form("frmChrome") {
        platform::MakeBorderless(this);
        chrome = CreateSkinChrome(this);
        if (withImage2) {
            auto* image2 = new platform::ImageControl(this);
            image2->setObjectName("Image2");
            image2->setGeometry(2, 24, 10, 18);
        }
    }
    QWidget* find(const char* name) const { return findChild<QWidget*>(name); }
    SkinChrome chrome;
};

class SkinModuleTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::InstallFontSubstitutions(); }
    TempProgramFolder folder;
    MsgBoxWatcher boxes;
};

TEST_F(SkinModuleTest, ChromeLayoutInPixels) {
    ChromeForm form;
    form.chrome.lblTitle->setCaption("0123456789");  // 10 characters
    form.Move(1500, 1500, 400 * 15, 300 * 15);
    ArrangeSkinChrome(&form, false);

    EXPECT_EQ(form.windowTitle(), "0123456789");
    EXPECT_EQ(form.chrome.lblTitle->pos(), QPoint(125, 5));
    EXPECT_EQ(form.find("Image2")->width(), 395);
    const struct {
        const char* name;
        int top, left;
        int width, height;  // -1: not set by the layout
    } cases[] = {
        {"imgTitleLeft", 0, 0, -1, -1},
        {"imgTitleRight", 0, 390, -1, -1},
        {"imgTitleMain", 0, 13, 387, -1},
        {"imgWindowLeft", 22, 0, -1, 300},
        {"imgWindowBottomLeft", 278, 2, -1, -1},
        {"imgWindowBottom", 278, 13, 374, -1},
        {"imgWindowBottomRight", 278, 387, -1, -1},
        {"imgWindowRight", 22, 397, -1, 300},
        {"imgTitleClose", 0, 378, -1, -1},
        {"imgTitleMaxRestore", 0, 361, -1, -1},
        {"imgTitleMinimize", 0, 344, -1, -1},
        {"imgTitleHelp", 0, 327, -1, -1},
    };
    for (const auto& c : cases) {
        QWidget* w = form.find(c.name);
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->y(), c.top) << c.name;
        EXPECT_EQ(w->x(), c.left) << c.name;
        if (c.width >= 0) {
            EXPECT_EQ(w->width(), c.width) << c.name;
        }
        if (c.height >= 0) {
            EXPECT_EQ(w->height(), c.height) << c.name;
        }
    }
    EXPECT_EQ(form.mask().boundingRect(), QRect(0, 0, 400, 300));
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(SkinModuleTest, EdgeLayoutInTwips) {
    ChromeForm form;
    form.Move(0, 0, 9000, 6000);
    ArrangeSkinEdges(&form, false);
    auto* bottom = form.find("imgWindowBottom");
    EXPECT_EQ(platform::TwipsTop(bottom), 5865);
    EXPECT_EQ(platform::TwipsLeft(bottom), 90);
    EXPECT_EQ(platform::TwipsWidth(bottom), 8805);
    EXPECT_EQ(form.find("imgWindowLeft")->geometry(), QRect(0, 0, 3, 400));
    EXPECT_EQ(form.find("imgWindowBottomLeft")->pos(), QPoint(0, 391));
    EXPECT_EQ(form.find("imgWindowBottomRight")->pos(), QPoint(593, 391));
    EXPECT_EQ(form.find("imgWindowRight")->pos(), QPoint(597, 1));
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(SkinModuleTest, ResizeFormEdgeMovesEachEdge) {
    const QRect start(200, 200, 400, 300);  // pixels
    // From (100, 100) to (90, 80): dx = -150, dy = -300 twips, i.e. -10 and -20 pixels.
    const struct {
        int code;
        QRect expected;
    } cases[] = {
        {kEdgeLeft, {190, 200, 410, 300}},
        {kEdgeRight, {200, 200, 390, 300}},
        {kEdgeTop, {200, 180, 400, 320}},
        {kEdgeBottom, {200, 200, 400, 280}},
        {kEdgeBottomRight, {200, 200, 390, 280}},
        {kEdgeBottomLeft, {190, 200, 410, 280}},
        {kEdgeTopRight, {200, 180, 390, 320}},
        {kEdgeTopLeft, {190, 180, 410, 320}},
        {8, start},
    };
    for (const auto& c : cases) {
        ChromeForm form;
        form.setGeometry(start);
        ResizeFormEdge(&form, {100, 100}, {90, 80}, c.code);
        EXPECT_EQ(form.geometry(), c.expected) << "edge " << c.code;
        EXPECT_EQ(form.find("imgTitleClose")->x(), c.expected.width() - 22) << "laid out again";
    }
}

TEST_F(SkinModuleTest, LoadSkinFillsEveryImgControlFromTheSkinFolder) {
    ChromeForm form;
    form.resize(400, 300);
    QPixmap design(5, 5);
    design.fill(Qt::red);
    auto* image2 = static_cast<platform::ImageControl*>(form.find("Image2"));
    image2->setPicture(design);
    // A picture of its own for imgTitleMaxRestore, which must give way to the maximise one.
    QFile::remove(folder.skinFile("Blue", "imgTitleMaxRestore"));
    QFile::copy(folder.skinFile("Blue", "imgTitleClose"),
                folder.skinFile("Blue", "imgTitleMaxRestore"));

    LoadSkin(&form);
    for (auto* image : form.findChildren<platform::ImageControl*>()) {
        if (image == image2) continue;
        EXPECT_TRUE(image->HasPicture()) << image->objectName().toStdString();
    }
    EXPECT_EQ(image2->Picture().toImage(), design.toImage()) << "Image2 is not a skin picture";
    EXPECT_EQ(form.chrome.imgTitleMaxRestore->Picture().toImage(),
              form.chrome.imgTitleMaximize->Picture().toImage());
    EXPECT_EQ(form.chrome.imgTitleClose->size(), QSize(16, 22)) << "sized to its picture";
    EXPECT_EQ(form.chrome.imgTitleLeft->size(), QSize(13, 22));
    EXPECT_EQ(form.chrome.imgTitleRight->size(), QSize(10, 22));
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(SkinModuleTest, BlueHasAPictureOfTheRightSizeForEveryChromeControl) {
    ChromeForm form;
    for (auto* image : form.findChildren<platform::ImageControl*>()) {
        const QString name = image->objectName();
        if (name == "Image2") continue;
        const QImage picture(QString(SKIN_SOURCE_DIR) + "/Blue/" + name + ".gif");
        ASSERT_FALSE(picture.isNull()) << name.toStdString();
        if (name.startsWith("imgTitle")) {
            EXPECT_EQ(picture.height(), 22) << name.toStdString();
        }
        if (name.startsWith("imgTitle") && name != "imgTitleLeft" && name != "imgTitleRight" &&
            name != "imgTitleMain") {
            EXPECT_EQ(picture.width(), 16) << "17 pixels apart: " << name.toStdString();
        }
        if (name == "imgWindowLeft" || name == "imgWindowRight") {
            EXPECT_EQ(picture.width(), 3) << name.toStdString();
        }
        if (name.startsWith("imgWindowBottom")) {
            EXPECT_EQ(picture.height(), 22) << "fills the bottom 22 pixels: " << name.toStdString();
        }
    }
    const QImage menuBar(":/shell/Image2.gif");
    ASSERT_FALSE(menuBar.isNull());
    EXPECT_EQ(menuBar.height(), 18);
}

TEST_F(SkinModuleTest, SkinNameComesFromTheSettingsWithBlueAsDefault) {
    EXPECT_EQ(CurrentSkinName(), "Blue");
    platform::WriteSetting("PraveltaKVT", "Options", "Current Skin", "Green");
    EXPECT_EQ(CurrentSkinName(), "Green");
    EXPECT_EQ(SkinPicturePath("Green", "imgTitleClose"),
              folder.path() + "/Skinz/Green/imgTitleClose.gif");
}

TEST_F(SkinModuleTest, MissingCorruptOrAbsentSkinLeavesDesignedPicturesSilently) {
    QPixmap design(7, 7);
    design.fill(Qt::green);
    folder.writeFile("Skinz/Blue/imgTitleMain.gif", "GIF89a not really a picture");
    QFile::remove(folder.skinFile("Blue", "imgTitleClose"));
    {
        ChromeForm form;
        form.chrome.imgTitleClose->setPicture(design);
        form.chrome.imgTitleMain->setPicture(design);
        LoadSkin(&form);
        EXPECT_EQ(form.chrome.imgTitleClose->Picture().toImage(), design.toImage());
        EXPECT_EQ(form.chrome.imgTitleMain->Picture().toImage(), design.toImage());
        EXPECT_TRUE(form.chrome.imgTitleLeft->HasPicture());
    }
    platform::WriteSetting("PraveltaKVT", "Options", "Current Skin", "NoSuchSkin");
    ChromeForm form;
    form.chrome.imgTitleLeft->setPicture(design);
    form.resize(300, 100);
    ArrangeSkinChrome(&form, false);
    LoadSkin(&form);
    form.Show();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.chrome.imgTitleLeft->Picture().toImage(), design.toImage());
    EXPECT_FALSE(form.chrome.imgWindowLeft->HasPicture());
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(SkinModuleTest, WindowWithoutImage2IsLaidOutInFull) {
    ChromeForm form(false);
    form.resize(300, 200);
    ArrangeSkinChrome(&form, false);
    EXPECT_EQ(form.chrome.imgTitleHelp->pos(), QPoint(227, 0));
    EXPECT_EQ(form.chrome.imgWindowRight->pos(), QPoint(297, 22));
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(SkinModuleTest, MissingControlIsReportedAndStopsTheLayout) {
    ChromeForm form;
    form.resize(300, 200);
    delete form.chrome.imgWindowBottomRight;
    form.chrome.imgTitleClose->move(1, 1);
    ArrangeSkinChrome(&form, false);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_NE(boxes.seen()[0].prompt.indexOf("imgWindowBottomRight"), -1);
    EXPECT_EQ(boxes.seen()[0].title, "PraveltaKVT");
    EXPECT_EQ(form.chrome.imgWindowBottom->pos(), QPoint(13, 178)) << "laid out before the gap";
    EXPECT_EQ(form.chrome.imgTitleClose->pos(), QPoint(1, 1)) << "not laid out after it";
}

TEST_F(SkinModuleTest, DragByTheTitleBarFollowsThePointerUnlessMaximised) {
    TestStrip strip;
    strip.Show();
    strip.move(100, 100);
    QCursor::setPos(130, 105);
    QWidget* title = strip.chrome().imgTitleMain;
    // The moves and the release are waiting when the press starts the drag.
    QApplication::postEvent(
        title, new QMouseEvent(QEvent::MouseMove, QPointF(40, 15), QPointF(170, 145), Qt::NoButton,
                               Qt::LeftButton, Qt::NoModifier));
    QApplication::postEvent(
        title, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(40, 15), QPointF(170, 145),
                               Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    gui::press(title, {17, 5});
    EXPECT_EQ(strip.pos(), QPoint(140, 140));

    strip.showMaximized();
    gui::pump(20);
    const QPoint before = strip.pos();
    DragForm(&strip);
    EXPECT_EQ(strip.pos(), before);
}

}  // namespace
