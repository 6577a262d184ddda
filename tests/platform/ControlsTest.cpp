#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Timer.h"
#include "platform/TintedButton.h"
#include "tests/support/GuiEvents.h"

namespace {

const QString kGif = QString(SKIN_SOURCE_DIR) + "/Blue/imgTitleClose.gif";  // 16 x 22

// A tinted button looks as a button given the same background by a style sheet, in each state.
TEST(TintedButtonTest, LooksLikeAStyleSheetBackground) {
    QWidget window;
    platform::TintedButton tinted(&window);
    tinted.setTint(QColor(0xE0, 0xE0, 0xE0));
    QPushButton styled(&window);
    styled.setStyleSheet("background-color: #E0E0E0;");
    for (QPushButton* b : {static_cast<QPushButton*>(&tinted), &styled}) {
        b->setText("确定");
        b->resize(57, 20);
    }
    for (auto state : {+[](QPushButton*) {}, +[](QPushButton* b) { b->setDown(true); },
                       +[](QPushButton* b) { b->setEnabled(false); }}) {
        state(&tinted);
        state(&styled);
        EXPECT_EQ(tinted.grab().toImage(), styled.grab().toImage());
    }
}

TEST(ImageControlTest, AutoSizesToItsPictureUnlessStretched) {
    QWidget parent;
    platform::ImageControl image(&parent);
    image.setGeometry(0, 0, 100, 50);
    ASSERT_TRUE(image.LoadPicture(kGif));
    EXPECT_EQ(image.size(), QSize(16, 22));

    // Left half red, right half blue, stretched eightfold.
    QTemporaryDir dir;
    QImage halves(8, 4, QImage::Format_RGB32);
    halves.fill(Qt::red);
    for (int y = 0; y < 4; ++y)
        for (int x = 4; x < 8; ++x) halves.setPixelColor(x, y, Qt::blue);
    ASSERT_TRUE(halves.save(dir.filePath("halves.png")));
    platform::ImageControl stretched(&parent);
    stretched.setStretch(true);
    stretched.setGeometry(0, 0, 64, 32);
    ASSERT_TRUE(stretched.LoadPicture(dir.filePath("halves.png")));
    EXPECT_EQ(stretched.size(), QSize(64, 32));
    const QImage shown = stretched.grab().toImage();
    EXPECT_EQ(shown.pixelColor(4, 4), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(27, 28), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(37, 4), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(60, 28), QColor(Qt::blue));
}

TEST(ImageControlTest, MissingOrCorruptFileKeepsThePicture) {
    QTemporaryDir dir;
    QFile corrupt(dir.filePath("bad.gif"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("GIF89a\x10\x00garbage");
    corrupt.close();

    platform::ImageControl image;
    EXPECT_FALSE(image.HasPicture());
    EXPECT_FALSE(image.LoadPicture(dir.filePath("missing.gif")));
    EXPECT_FALSE(image.HasPicture());
    ASSERT_TRUE(image.LoadPicture(kGif));
    const QImage before = image.Picture().toImage();
    EXPECT_FALSE(image.LoadPicture(dir.filePath("bad.gif")));
    EXPECT_FALSE(image.LoadPicture(dir.filePath("missing.gif")));
    EXPECT_EQ(image.Picture().toImage(), before);
}

TEST(LabelTest, ClickNeedsPressAndReleaseOverTheControl) {
    QWidget parent;
    platform::Label label(&parent);
    label.setGeometry(0, 0, 50, 20);
    QSignalSpy clicks(&label, &platform::Label::clicked);
    QSignalSpy presses(&label, &platform::Label::mousePressed);
    QSignalSpy moves(&label, &platform::Label::mouseMoved);

    gui::click(&label, {10, 10});
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(presses.count(), 1);
    EXPECT_EQ(presses.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);

    gui::press(&label, {10, 10});
    gui::release(&label, {80, 10});  // let go outside
    EXPECT_EQ(clicks.count(), 1);

    gui::release(&label, {10, 10});  // a release without a press
    EXPECT_EQ(clicks.count(), 1);

    gui::move(&label, {5, 6});
    ASSERT_EQ(moves.count(), 1);
    EXPECT_EQ(moves.at(0).at(0).toPointF(), QPointF(5, 6));
}

TEST(LabelTest, AutoSizeFollowsTheCaption) {
    platform::Label label;
    label.setAutoSize(true);
    label.setCaption("x");
    const int narrow = label.width();
    label.setCaption("a much longer caption");
    EXPECT_GT(label.width(), narrow);
}

TEST(TimerTest, TicksOnlyWhileEnabledWithAnInterval) {
    QObject owner;
    platform::Timer timer(&owner, "Timer1", 5, false);
    EXPECT_EQ(timer.objectName(), "Timer1");
    int ticks = 0;
    QObject::connect(&timer, &platform::Timer::Tick, [&] { ++ticks; });
    gui::pump(40);
    EXPECT_EQ(ticks, 0);
    timer.setEnabled(true);
    EXPECT_TRUE(gui::waitFor([&] { return ticks >= 2; }, 1000));
    timer.setInterval(0);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(timer.IsRunning());
    const int stopped = ticks;
    gui::pump(40);
    EXPECT_EQ(ticks, stopped);
}

}  // namespace
