// The application's last guard: a handler that throws shows a box and the program goes on.
// The guard is the application object, so this program makes its own.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "platform/GuardedApplication.h"
#include "platform/Runtime.h"
#include "tests/support/ScriptedMsgBox.h"

namespace {

// A button whose click handler throws on the first click and counts the clicks after it.
class ThrowingButton : public QPushButton {
  public:
    explicit ThrowingButton(std::function<void()> raise) : raise_(std::move(raise)) {
        connect(this, &QPushButton::clicked, this, [this] {
            if (clicks_++ == 0) raise_();
        });
    }
    int clicks() const { return clicks_; }

  private:
    std::function<void()> raise_;
    int clicks_ = 0;
};

}  // namespace

TEST(GuardedApplication, AHandlerThatThrowsIsReportedAndTheProgramGoesOn) {
    struct Case {
        std::function<void()> raise;
        const char* said;
    };
    const Case cases[] = {
        {[] { throw platform::RuntimeError("类型不匹配"); }, "类型不匹配"},
        {[] { throw std::out_of_range("vector::_M_range_check"); },
         "程序出现意外错误，刚才的操作没有完成。"},
        {[] { throw 42; }, "程序出现意外错误，刚才的操作没有完成。"},
    };
    for (const Case& c : cases) {
        ScriptedMsgBox boxes;
        boxes.answer(platform::MsgResult::OK);
        ThrowingButton button(c.raise);
        button.show();
        // A click from the event loop, as the user's would come; then one more.
        QEventLoop loop;
        QTimer::singleShot(0, &button, [&] { QTest::mouseClick(&button, Qt::LeftButton); });
        QTimer::singleShot(0, &loop, [&] { QTest::mouseClick(&button, Qt::LeftButton); });
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
        loop.exec();
        EXPECT_EQ(boxes.prompts(), std::vector<std::string>{c.said}) << c.said;
        EXPECT_EQ(button.clicks(), 2) << c.said;
    }
}

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    platform::GuardedApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    testing::InitGoogleTest(&argc, argv);
    InstallFailingMsgAnswerer();
    return RUN_ALL_TESTS();
}
