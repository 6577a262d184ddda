#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/QtMsgBox.h"

namespace {

// Answers the next standard box by pressing the button whose text is `pick` (Esc when pick is
// empty), recording what the box showed.
class BoxAnswerer {
  public:
    explicit BoxAnswerer(const QString& pick) {
        QObject::connect(&poll_, &QTimer::timeout, [this, pick] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            poll_.stop();
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            for (QAbstractButton* b : box->buttons()) buttons << b->text();
            buttons.sort();
            if (pick.isEmpty()) box->reject();
            for (QAbstractButton* b : box->buttons())
                if (!pick.isEmpty() && b->text() == pick) b->click();
        });
        poll_.start(10);
    }
    QString title;
    QString text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::Warning;

  private:
    QTimer poll_;
};

TEST(QtMsgBoxTest, ButtonSetsAnswerAndEscIsTheCautiousAnswer) {
    const platform::MsgAnswerer previous = platform::SetMsgAnswerer(platform::ShowStandardMsgBox);
    const struct {
        platform::MsgButtons buttons;
        QString pick;
        platform::MsgResult result;
        QStringList texts;  // sorted
    } cases[] = {
        {platform::MsgButtons::OK, "确定", platform::MsgResult::OK, {"确定"}},
        {platform::MsgButtons::OK, "", platform::MsgResult::OK, {"确定"}},
        {platform::MsgButtons::YesNo, "是(&Y)", platform::MsgResult::Yes, {"否(&N)", "是(&Y)"}},
        {platform::MsgButtons::YesNo, "", platform::MsgResult::No, {"否(&N)", "是(&Y)"}},
        {platform::MsgButtons::OKCancel, "确定", platform::MsgResult::OK, {"取消", "确定"}},
        {platform::MsgButtons::OKCancel, "", platform::MsgResult::Cancel, {"取消", "确定"}},
    };
    for (const auto& c : cases) {
        BoxAnswerer answerer(c.pick);
        const platform::MsgResult result = platform::MsgBox("请输入口令！", c.buttons, "");
        EXPECT_EQ(result, c.result) << c.pick.toStdString();
        EXPECT_EQ(answerer.title, "PraveltaKVT");
        EXPECT_EQ(answerer.text, "请输入口令！");
        EXPECT_EQ(answerer.icon, QMessageBox::NoIcon);
        QStringList expected = c.texts;
        expected.sort();
        EXPECT_EQ(answerer.buttons, expected);
    }
    BoxAnswerer titled("确定");
    platform::MsgBox("x", platform::MsgButtons::OK, "错误");
    EXPECT_EQ(titled.title, "错误");
    platform::SetMsgAnswerer(previous);
}

}  // namespace
