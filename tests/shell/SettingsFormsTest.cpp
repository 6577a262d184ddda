#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <set>

#include "platform/Runtime.h"
#include "shell/frmSplash.h"
#include "shell/login_form.h"
#include "shell/system_jc_form.h"
#include "shell/system_pwd_form.h"
#include "shell/welcome_form.h"
#include "tests/support/ScriptedMsgBox.h"
#include "tests/support/TestDb.h"

using platform::MsgResult;

namespace {

std::string param(const TestDb& db, const char* key, const char* column = "valueFrom") {
    return db.scalar(std::string("select ") + column + " from defaultParameter where paramCd = ?",
                     {std::string(key)});
}

// Shows the password form, types the three passwords and presses 修改.
void changePassword(system_pwd_form& form, const char* oldPwd, const char* newPwd,
                    const char* confirm) {
    form.Show();
    form.txtOldPwd->setText(oldPwd);
    form.txtNewPwd->setText(newPwd);
    form.txtNewPwd01->setText(confirm);
    QTest::mouseClick(form.cmdChangePwd, Qt::LeftButton);
}

struct SettingsCase {
    const char* company;
    const char* maker;
    int serial;
    const char* from;
    const char* to;
    const char* message;  // nullptr: saved
    const char* focus;
};

}  // namespace

TEST(system_jc_form, LoadFillsTheControlsFromTheSettings) {
    TestDb db;
    db.exec("update defaultParameter set valueFrom = '华北机械厂' where paramCd = 'cpyName'");
    db.exec("update defaultParameter set valueFrom = '3' where paramCd = 'serial'");
    system_jc_form form;
    form.Show();
    EXPECT_EQ(form.txtCompName->text(), "华北机械厂");
    EXPECT_EQ(form.cbSerial->currentText(), "季度");
    EXPECT_EQ(form.txtYearFrom->text(), "2003");
    EXPECT_EQ(form.txtYearTo->text(), "2005");
    EXPECT_EQ(form.Width(), 11000);
    EXPECT_EQ(form.Height(), 6500);
    form.resize(300, 200);
    EXPECT_EQ(form.Width(), 11000);
    EXPECT_EQ(form.Height(), 6500);
}

TEST(system_jc_form, OddStoredValuesLeaveTheControlsEmpty) {
    TestDb db;
    for (const char* serial : {"0", "5", "x", "", "1e999"}) {
        db.exec("update defaultParameter set valueFrom = ? where paramCd = 'serial'",
                {std::string(serial)});
        db.exec(
            "update defaultParameter set valueFrom = NULL, valueTo = NULL where paramCd = "
            "'yearFromTo'");
        system_jc_form form;
        form.Load();
        EXPECT_EQ(form.cbSerial->currentIndex(), -1) << serial;
        EXPECT_EQ(form.txtYearFrom->text(), "");
    }
}

TEST(system_jc_form, CheckChainAndSave) {
    std::string longName;
    for (int i = 0; i < 400; ++i) longName += "很长的公司名称";
    const SettingsCase cases[] = {
        {"", "张三", 0, "2003", "2005", "公司名称必须输入", "txtCompName"},
        {"   ", "张三", 0, "2003", "2005", "公司名称必须输入", "txtCompName"},
        {"厂", " ", 0, "2003", "2005", "制表人必须输入", "txtTableUserName"},
        {"厂", "张三", -1, "2003", "2005", "默认周期必须选择", "cbSerial"},
        {"厂", "张三", 1, "", "2005", "起始年必须输入", "txtYearFrom"},
        {"厂", "张三", 1, "二〇〇三", "2005", "起始年必须为数字", "txtYearFrom"},
        {"厂", "张三", 1, "2003", "  ", "结束年必须输入", "txtYearTo"},
        {"厂", "张三", 1, "2003", "abc", "结束年必须为数字", "txtYearTo"},
        {"厂", "张三", 1, "2005", "2003", "结束年不能小于起始年", "txtYearTo"},
        // Default years are what the period panels take: digits and a sign, four at most.
        {"厂", "张三", 1, "1e5", "2003", "起始年必须为数字", "txtYearFrom"},
        {"厂", "张三", 1, "2003.7", "2003", "时间年不能大于四位数", "txtYearFrom"},
        {"厂", "张三", 1, "20031", "2003", "时间年不能大于四位数", "txtYearFrom"},
        {"厂", "张三", 1, "2003", "2003.", "时间年不能大于四位数", "txtYearTo"},
        {"厂", "张三", 1, "2003", "2e3", "结束年必须为数字", "txtYearTo"},
        {"厂", "张三", 1, "2003", "2003", nullptr, nullptr},
        {"  O'Brien 公司 ", " 李'四 ", 3, " 2003 ", "2004", nullptr, nullptr},
        {longName.c_str(), "x", 0, "-5", "+7", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.company) + "|" + c.maker + "|" + c.from + "|" + c.to);
        TestDb db;
        ScriptedMsgBox box;
        if (c.message) box.answer(MsgResult::OK);
        system_jc_form form;
        form.Show();
        form.txtCompName->setText(QString::fromUtf8(c.company));
        form.txtTableUserName->setText(QString::fromUtf8(c.maker));
        form.cbSerial->setCurrentIndex(c.serial);
        form.txtYearFrom->setText(QString::fromUtf8(c.from));
        form.txtYearTo->setText(QString::fromUtf8(c.to));
        QTest::mouseClick(form.Command1, Qt::LeftButton);
        if (c.message) {
            ASSERT_EQ(box.shown().size(), 1u);
            EXPECT_EQ(box.shown()[0].prompt, c.message);
            EXPECT_EQ(box.shown()[0].title, "错误");
            EXPECT_EQ(form.focusWidget()->objectName(), c.focus);
            EXPECT_EQ(param(db, "cpyName"), "");
            EXPECT_EQ(param(db, "serial"), "1");
        } else {
            EXPECT_TRUE(box.shown().empty());
            EXPECT_EQ(param(db, "cpyName"), platform::Trim(c.company));
            EXPECT_EQ(param(db, "tableUserName"), platform::Trim(c.maker));
            EXPECT_EQ(param(db, "serial"), std::to_string(c.serial + 1));
            EXPECT_EQ(param(db, "yearFromTo"), platform::Trim(c.from));
            EXPECT_EQ(param(db, "yearFromTo", "valueTo"), platform::Trim(c.to));
            EXPECT_EQ(param(db, "loginPwd"), "123456");
            EXPECT_TRUE(form.isVisible());
        }
    }
}

// Texts copied from spreadsheet cells end with a line break; a settings box keeps one line, so
// no line break is stored with the company name and a pasted year is taken as a year.
TEST(system_jc_form, TextsPastedFromASpreadsheetAreStoredWithoutTheirLineBreak) {
    TestDb db;
    ScriptedMsgBox box;
    system_jc_form form;
    form.Show();
    const std::pair<QLineEdit*, const char*> pasted[] = {{form.txtCompName, "某某公司\r\n"},
                                                         {form.txtTableUserName, "张三\n"},
                                                         {form.txtYearFrom, "2004\r\n"},
                                                         {form.txtYearTo, "2006\r\n"}};
    for (const auto& [edit, text] : pasted) {
        edit->clear();
        QApplication::clipboard()->setText(QString::fromUtf8(text));
        edit->paste();
    }
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    EXPECT_TRUE(box.shown().empty());
    EXPECT_EQ(param(db, "cpyName"), "某某公司");
    EXPECT_EQ(param(db, "tableUserName"), "张三");
    EXPECT_EQ(param(db, "yearFromTo"), "2004");
    EXPECT_EQ(param(db, "yearFromTo", "valueTo"), "2006");
}

TEST(system_jc_form, FailedSaveChangesNothingAndIsReported) {
    TestDb db;
    db.exec(
        "create trigger refuse before update of valueTo on defaultParameter begin "
        "select raise(abort, 'refused by test'); end");
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    system_jc_form form;
    form.Show();
    form.txtCompName->setText("新公司");
    form.txtTableUserName->setText("王五");
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    ASSERT_EQ(box.shown().size(), 1u);
    EXPECT_EQ(box.shown()[0].prompt, db.message("语句执行失败"));
    EXPECT_EQ(param(db, "cpyName"), "");
    EXPECT_EQ(param(db, "tableUserName"), "");
}

TEST(system_pwd_form, CheckChainThenChangeAndLoginWithTheNewPassword) {
    TestDb db;
    struct Case {
        const char *oldPwd, *newPwd, *confirm, *message, *focus;
    } cases[] = {
        {"", "abc", "abc", "旧口令必须输入", "txtOldPwd"},
        {"1", "   ", "abc", "新口令必须输入且不能为空格", "txtNewPwd"},
        {"1", "123456789", "abc", "新口令长度不能大于8！", "txtNewPwd"},
        {"1", "abc", "", "确认新口令必须输入且不能为空格", "txtNewPwd01"},
        {"1", "abc", "abcdefghi", "确认新口令长度不能大于8！", "txtNewPwd01"},
        {"1", "abc", "ABC", "确认新口令不一致！", "txtNewPwd"},
        {"654321", "abc", "abc", "旧口令输入不正确！", "txtOldPwd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ScriptedMsgBox box;
        box.answer(MsgResult::OK);
        system_pwd_form form;
        changePassword(form, c.oldPwd, c.newPwd, c.confirm);
        ASSERT_EQ(box.shown().size(), 1u);
        EXPECT_EQ(box.shown()[0].prompt, c.message);
        EXPECT_EQ(box.shown()[0].title, "错误");
        EXPECT_EQ(form.focusWidget()->objectName(), c.focus);
        EXPECT_EQ(param(db, "loginPwd"), "123456");
    }
    {
        ScriptedMsgBox box;
        system_pwd_form form;
        changePassword(form, " 123456 ", " 新'口令8 ", "新'口令8   ");
        EXPECT_TRUE(box.shown().empty());
        EXPECT_EQ(param(db, "loginPwd"), "新'口令8");
        EXPECT_EQ(form.txtNewPwd->text(), " 新'口令8 ");
    }
    ScriptedMsgBox box;
    box.answer(MsgResult::OK);
    login_form login;
    QSignalSpy loggedIn(&login, &login_form::loggedIn);
    login.txtUserPwd->setText("123456");
    login.Command1_Click();
    EXPECT_EQ(box.prompts(), std::vector<std::string>{"请输入正确口令！"});
    login.txtUserPwd->setText("新'口令8");
    login.Command1_Click();
    EXPECT_EQ(loggedIn.count(), 1);
}

TEST(system_pwd_form, AStoredPasswordWithBlanksAroundItIsTheOldPassword) {
    TestDb db;
    db.exec("update defaultParameter set valueFrom = ' pass1234 ' where paramCd = 'loginPwd'");
    ScriptedMsgBox box;
    system_pwd_form form;
    changePassword(form, "pass1234", "abc", "abc");
    EXPECT_TRUE(box.shown().empty());
    EXPECT_EQ(param(db, "loginPwd"), "abc");
}

TEST(welcome_form, DateLine) {
    EXPECT_EQ(WelcomeDateLine(QDate(2026, 12, 6)), "2026年12月06日 星期日");
    EXPECT_EQ(WelcomeDateLine(QDate(2027, 3, 1)), "2027年03月01日 星期一");
    EXPECT_EQ(WelcomeDateLine(QDate(2026, 12, 7)), "2026年12月07日 星期一");
    welcome_form form;
    form.today = QDate(2026, 1, 31);
    EXPECT_EQ(form.lblTime->text(), "日期");
    form.Load();
    EXPECT_EQ(form.lblTime->text(), "2026年01月31日 星期六");
}

// Each window draws at its fixed size with visible content; with KVT_GRAB_DIR set the pictures
// are saved there for a look.
TEST(ShellForms, DrawAtTheirSize) {
    TestDb db;
    db.exec("update defaultParameter set valueFrom = '华北机械厂' where paramCd = 'cpyName'");
    system_jc_form settings;
    system_pwd_form password;
    welcome_form welcome;
    login_form login;
    frmSplash about;
    const std::vector<std::pair<platform::Form*, const char*>> forms = {
        {&settings, "system_jc_form"},
        {&password, "system_pwd_form"},
        {&welcome, "welcome_form"},
        {&login, "login_form"},
        {&about, "frmSplash"}};
    for (auto [form, name] : forms) {
        form->Show();
        const QImage image = form->grab().toImage();
        EXPECT_EQ(image.size(), form->size()) << name;
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 8u) << name;  // text and pictures, not a blank window
        if (const char* dir = std::getenv("KVT_GRAB_DIR"))
            image.save(QString("%1/%2.png").arg(dir, name));
    }
}
