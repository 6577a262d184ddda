#include <gtest/gtest.h>

#include <QClipboard>
#include <QMenu>
#include <QTest>
#include <algorithm>
#include <memory>

#include "platform/QtTranslations.h"
#include "platform/TextBox.h"
#include "tests/support/GridInput.h"

using platform::TextBox;

namespace {

class TextBoxTest : public testing::Test {
  protected:
    void SetUp() override {
        host.resize(300, 100);
        other = new TextBox(&host);
        box = new TextBox(&host);
        box->move(0, 40);
        host.show();
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    }

    QWidget host;
    TextBox* other = nullptr;
    TextBox* box = nullptr;
};

TEST_F(TextBoxTest, KeyPressGivesCharacterCodesAndZeroSwallowsTheKey) {
    std::vector<int> codes;
    QObject::connect(box, &TextBox::KeyPress, [&](int& k) {
        codes.push_back(k);
        if (k == 27 || k == 13) k = 0;
        if (k == 'x') k = 'y';
    });
    box->setFocus();
    QTest::keyClicks(box, "1.5x");
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Escape);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(codes, (std::vector<int>{'1', '.', '5', 'x', 13, 27, 8}));
    EXPECT_EQ(box->Text(), "1.5") << "x typed as y, then erased by Backspace";
}

TEST_F(TextBoxTest, KeyUpGivesKeyCodeAndShiftState) {
    std::vector<std::pair<int, int>> ups;
    QObject::connect(box, &TextBox::KeyUp, [&](int code, int shift) {
        ups.push_back({code, shift});
    });
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Escape);
    QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_7, Qt::ControlModifier);
    // The modifier keys are released too, each after the key it modified.
    const std::vector<std::pair<int, int>> want{{65, 0}, {13, 0}, {27, 0}, {37, 1},
                                                {16, 0}, {55, 2}, {17, 0}};
    EXPECT_EQ(ups, want);
}

TEST_F(TextBoxTest, GotFocusLetsTheHandlerSelectAllText) {
    int got = 0;
    QObject::connect(box, &TextBox::GotFocus, [&] {
        ++got;
        box->setSelStart(0);
        box->setSelLength(999);
    });
    box->setText("1234.5");
    other->setFocus();
    box->setFocus();
    EXPECT_EQ(got, 1);
    EXPECT_EQ(box->SelStart(), 0);
    EXPECT_EQ(box->SelLength(), 6);
    box->setSelStart(2);
    box->setSelLength(2);
    EXPECT_EQ(box->selectedText(), "34");
}

// A spreadsheet cell comes to the clipboard with a line end: the box keeps the first line.
TEST_F(TextBoxTest, PastedTextKeepsOnlyItsFirstLine) {
    const struct {
        const char* before;
        int cursor;
        const char* clip;
        const char* after;
    } cases[] = {{"", 0, "100\r\n", "100"},
                 {"12", 1, "3\r\n9", "132"},
                 {"12", 2, "\n5", "12"},
                 {"7", 1, "8\n9\r\n", "78"},
                 {"5", 1, "0", "50"}};
    QString edited;
    QObject::connect(box, &QLineEdit::textEdited, [&](const QString& t) { edited = t; });
    box->setFocus();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clip);
        QApplication::clipboard()->setText(c.clip);
        for (bool byMenu : {true, false}) {
            box->setText(c.before);
            box->setCursorPosition(c.cursor);
            if (byMenu)
                ASSERT_NO_FATAL_FAILURE(gui::PasteByMenu(box));
            else
                QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(box->text(), c.after);
            EXPECT_EQ(edited, c.after) << "what the form is told is what the box shows";
        }
    }
}

}  // namespace

TEST(QtChineseTranslations, ATextBoxContextMenuSpeaksChinese) {
    ASSERT_TRUE(platform::InstallQtChineseTranslations());
    TextBox box;
    const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
    int named = 0;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        ++named;
        const QString text = action->text();
        EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](QChar c) {
            return c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff;
        })) << text.toStdString();
    }
    EXPECT_GE(named, 6);  // undo, redo, cut, copy, paste, delete, select all
}
