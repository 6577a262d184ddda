#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "platform/Fonts.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Window.h"
#include "shell/MessageBox.h"
#include "shell/frmMsgBox.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/GuiEvents.h"
#include "tests/support/ScriptedMsgBox.h"

namespace {

frmMsgBox* shownBox() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<frmMsgBox*>(w);
        if (box != nullptr && box->isVisible()) return box;
    }
    return nullptr;
}

class MessageBoxTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::InstallFontSubstitutions(); }

    // Shows a box and runs `inspect` on it while it is shown; inspect must close it. A box
    // still open after two seconds is closed with a failure.
    void showAndInspect(const QString& prompt, long style, const QString& title,
                        const std::function<void(frmMsgBox*)>& inspect) {
        bool inspected = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (inspected || shownBox() == nullptr) return;
            inspected = true;
            inspect(shownBox());
        });
        poll.start(10);
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (frmMsgBox* box = shownBox()) {
                ADD_FAILURE() << "the box was left open";
                box->cmdOK()->click();
            }
        });
        guard.start(2000);
        ShowMsgBox(prompt, style, title);
        EXPECT_TRUE(inspected);
        EXPECT_EQ(shownBox(), nullptr);
    }

    TempProgramFolder folder;
};

TEST_F(MessageBoxTest, IconByStyle) {
    const struct {
        long style;
        MsgBoxIcon icon;
    } cases[] = {{0, MsgBoxIcon::Exclamation},
                 {16, MsgBoxIcon::Stop},
                 {32, MsgBoxIcon::Exclamation},
                 {48, MsgBoxIcon::Exclamation},
                 {64, MsgBoxIcon::Information}};
    for (const auto& c : cases) EXPECT_EQ(MsgBoxIconFor(c.style), c.icon) << c.style;
}

TEST_F(MessageBoxTest, OneLinePromptSizesTheBoxAroundIt) {
    showAndInspect("找不到文件", 64, "", [](frmMsgBox* box) {
        const QRect label = box->lblMessage()->geometry();
        const QRect button = box->cmdOK()->geometry();
        EXPECT_EQ(box->chrome().lblTitle->text(), "PraveltaKVT");
        EXPECT_EQ(box->windowTitle(), "PraveltaKVT");
        EXPECT_EQ(box->Icon(), MsgBoxIcon::Information);
        EXPECT_EQ(box->lblMessage()->text(), "找不到文件");
        EXPECT_EQ(label.topLeft(), QPoint(72, 40));
        EXPECT_EQ(box->height(), label.bottom() + 1 + button.height() + 40);
        EXPECT_EQ(button.top(), label.bottom() + 1 + button.height());
        EXPECT_LE(std::abs(button.left() - (box->width() - button.width()) / 2), 1);
        EXPECT_GE(box->width(), label.right() + 1 + frmMsgBox::kRightMargin);
        EXPECT_TRUE(platform::AvailableScreenArea(box->pos()).contains(box->geometry()));
        EXPECT_EQ(box->chrome().imgTitleClose->x(), box->width() - 22);
        EXPECT_TRUE(box->chrome().imgTitleClose->isVisible());
        EXPECT_FALSE(box->chrome().imgTitleMinimize->isVisible());
        EXPECT_TRUE(box->chrome().imgTitleClose->HasPicture()) << "skinned";
        box->cmdOK()->click();
    });
}

TEST_F(MessageBoxTest, LongTitleAndPromptStayOnScreenAndFit) {
    const QString title = "A rather long title for a message box";
    QString prompt;
    for (int i = 0; i < 40; ++i) prompt += "数据文件无法读取，请检查。";
    showAndInspect(prompt, 16, title, [&](frmMsgBox* box) {
        const QRect area = platform::AvailableScreenArea(box->pos());
        EXPECT_TRUE(area.contains(box->geometry()));
        EXPECT_EQ(box->chrome().lblTitle->text(), title);
        const QRect titleRect = box->chrome().lblTitle->geometry();
        EXPECT_GE(titleRect.left(), 13);
        EXPECT_LE(titleRect.right(), box->width() - 22);
        EXPECT_TRUE(box->lblMessage()->wordWrap());
        EXPECT_LE(box->lblMessage()->geometry().right(), box->width());
        EXPECT_EQ(box->height(),
                  box->lblMessage()->geometry().bottom() + 1 + box->cmdOK()->height() + 40);
        box->cmdOK()->click();
    });
}

TEST_F(MessageBoxTest, CloseImageClosesLikeTheButton) {
    showAndInspect("关闭", 0, "标题", [](frmMsgBox* box) {
        EXPECT_EQ(box->chrome().lblTitle->text(), "标题");
        EXPECT_EQ(box->Icon(), MsgBoxIcon::Exclamation);
        gui::click(box->chrome().imgTitleClose, {5, 5});
    });
}

// Dragged by its title, the box leaves the pointer free: OK lights up under it at once and one
// click on it closes the box.
TEST_F(MessageBoxTest, AfterADragByTheTitleOkAnswersThePointer) {
    showAndInspect("拖动", 0, "", [](frmMsgBox* box) {
        const QPoint start = box->pos();
        const QPoint grip = box->chrome().imgTitleMain->mapToGlobal(QPoint(20, 10));
        gui::systemDrag(box, grip, grip + QPoint(-30, 40));
        EXPECT_EQ(box->pos(), start + QPoint(-30, 40));
        QPushButton* ok = box->cmdOK();
        gui::systemMove(box, ok->mapToGlobal(ok->rect().center()));
        EXPECT_TRUE(ok->underMouse());
        gui::systemClick(box, ok->mapToGlobal(ok->rect().center()));
    });
}

TEST_F(MessageBoxTest, BoxAskedForWhileOneShowsGoesToTheStandardBox) {
    ScriptedMsgBox standard;
    standard.answer(platform::MsgResult::OK);
    showAndInspect("外层", 0, "", [&](frmMsgBox* outer) {
        ShowMsgBox("内层", 0, "");  // returns at once through the standard box
        EXPECT_EQ(shownBox(), outer);
        outer->cmdOK()->click();
    });
    ASSERT_EQ(standard.shown().size(), 1u);
    EXPECT_EQ(standard.shown()[0].prompt, "内层");
    EXPECT_EQ(standard.shown()[0].title, "PraveltaKVT");

    // The next box is a fresh window again.
    showAndInspect("再次", 0, "", [](frmMsgBox* box) {
        EXPECT_EQ(box->lblMessage()->text(), "再次");
        box->cmdOK()->click();
    });
}

TEST_F(MessageBoxTest, UnskinnedBoxStillOpensAndCloses) {
    QFile::remove(folder.skinFile("Blue", "imgTitleClose"));
    showAndInspect("无皮肤", 0, "", [](frmMsgBox* box) {
        EXPECT_FALSE(box->chrome().imgTitleClose->HasPicture());
        box->cmdOK()->click();
    });
}

}  // namespace
