#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "platform/Window.h"
#include "shell/login_form.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

using platform::MsgResult;

namespace {

struct LoginCase {
    const char* user;
    const char* password;
    const char* message;  // nullptr: the login succeeds
    const char* title;
    const char* focus;
};

}  // namespace

TEST(login_form, CheckChainReportsTheFirstFailure) {
    TestDb db;
    db.exec("update defaultParameter set valueFrom = ' pass1234 ' where paramCd = 'loginPwd'");
    const LoginCase cases[] = {
        {"", "pass1234", "请输入用户名！", "PraveltaKVT", "txtUserName"},
        {"   ", "", "请输入用户名！", "PraveltaKVT", "txtUserName"},
        {"admin", "", "请输入口令！", "错误", "txtUserPwd"},
        {"admin", "    ", "请输入口令！", "错误", "txtUserPwd"},
        {"admin", "123456789", "口令长度不能大于8！", "错误", "txtUserPwd"},
        {"admin", "口令口令口令口令口", "口令长度不能大于8！", "错误", "txtUserPwd"},
        {"admin", "PASS1234", "请输入正确口令！", "错误", "txtUserPwd"},
        {"admin", "pass'123", "请输入正确口令！", "错误", "txtUserPwd"},
        {"admin", "pass1234", nullptr, nullptr, nullptr},
        {"任何人", "  pass1234  ", nullptr, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.user) + "/" + c.password);
        ScriptedMsgBox box;
        if (c.message) box.answer(MsgResult::OK);
        auto* form = new login_form;
        QPointer<login_form> alive(form);
        form->Show();
        QSignalSpy loggedIn(form, &login_form::loggedIn);
        form->txtUserName->setText(QString::fromUtf8(c.user));
        form->txtUserPwd->setText(QString::fromUtf8(c.password));
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        if (c.message) {
            ASSERT_EQ(box.shown().size(), 1u);
            EXPECT_EQ(box.shown()[0].prompt, c.message);
            EXPECT_EQ(box.shown()[0].title, c.title);
            EXPECT_EQ(form->focusWidget()->objectName(), c.focus);
            EXPECT_EQ(loggedIn.count(), 0);
            EXPECT_EQ(form->txtUserPwd->text(), QString::fromUtf8(c.password));
            form->Unload();
        } else {
            EXPECT_TRUE(box.shown().empty());
            EXPECT_EQ(loggedIn.count(), 1);
            EXPECT_FALSE(form->isVisible());
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(alive.isNull());
    }
}

TEST(login_form, EnterMovesToThePasswordThenLogsIn) {
    TestDb db;
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    login_form form;
    form.Show();
    QSignalSpy loggedIn(&form, &login_form::loggedIn);
    form.txtUserName->setFocus();
    QTest::keyClick(form.txtUserName, Qt::Key_Return);
    EXPECT_EQ(form.focusWidget(), form.txtUserPwd);
    EXPECT_TRUE(box.shown().empty());

    QTest::keyClicks(form.txtUserPwd, "wrong");
    QTest::keyClick(form.txtUserPwd, Qt::Key_Return);
    EXPECT_EQ(box.prompts(), std::vector<std::string>{"请输入正确口令！"});
    EXPECT_EQ(form.txtUserPwd->text(), "wrong");
    EXPECT_EQ(loggedIn.count(), 0);

    form.txtUserPwd->setText("123456");
    QTest::keyClick(form.txtUserPwd, Qt::Key_Enter);
    EXPECT_EQ(loggedIn.count(), 1);
}

// The main window's start yields to the event loop: a second click there is no second login, and
// a close there (which deletes the login window) leaves the first click nothing to trip on.
TEST(login_form, ASecondClickOrACloseWhileTheMainWindowStartsDoesNoHarm) {
    TestDb db;
    auto* form = new login_form;
    form->txtUserPwd->setText("123456");
    int logins = 0;
    QObject::connect(form, &login_form::loggedIn, [&logins, form] {
        ++logins;
        QTimer::singleShot(0, form, [form] {
            form->Command1_Click();
            form->Command2_Click();
        });
        QCoreApplication::processEvents();
    });
    form->Command1_Click();
    EXPECT_EQ(logins, 1);
}

TEST(login_form, OpensCentredOnTheScreen) {
    TestDb db;
    login_form form;
    form.Show();
    // Within the window frame's few pixels.
    const QPoint offset = form.frameGeometry().center() - platform::AvailableScreenArea().center();
    EXPECT_LE(offset.manhattanLength(), 6) << offset.x() << "," << offset.y();
}

TEST(login_form, MissingPasswordRowRefusesEveryLogin) {
    TestDb db;
    db.exec("delete from defaultParameter where paramCd = 'loginPwd'");
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    login_form form;
    form.txtUserPwd->setText("123456");
    form.Command1_Click();
    EXPECT_EQ(box.prompts(), std::vector<std::string>{"请输入正确口令！"});
}

TEST(login_form, DatabaseErrorIsShownNotThrown) {
    TestDb db;
    std::filesystem::remove(db.path());
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    login_form form;
    form.Show();
    QSignalSpy loggedIn(&form, &login_form::loggedIn);
    form.txtUserPwd->setText("123456");
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    ASSERT_EQ(box.shown().size(), 1u);
    EXPECT_NE(box.shown()[0].prompt.find(db.path()), std::string::npos);
    EXPECT_EQ(box.shown()[0].title, "PraveltaKVT");
    EXPECT_EQ(loggedIn.count(), 0);
}
