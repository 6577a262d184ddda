// The application's last guard: a handler that throws shows a box and the program goes on.
// The guard is the application object, so this program makes its own.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <clocale>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "platform/storage/Database.h"
#include "platform/GuardedApplication.h"
#include "platform/Printer.h"
#include "platform/Runtime.h"
#include "tests/support/ScriptedMsgBox.h"

TEST(GuardedApplication, AHandlerThatThrowsIsReportedAndTheProgramGoesOn) {
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[] { throw platform::RuntimeError("类型不匹配"); }, "类型不匹配"},
        {[] { throw platform::DbError("数据库文件已损坏"); }, "数据库文件已损坏"},
        {[] { throw platform::PrinterError("没有可打印的图像。"); }, "没有可打印的图像。"},
        {[] { throw std::out_of_range("vector::_M_range_check"); },
         "程序出现意外错误，刚才的操作没有完成。"},
        {[] { throw 42; }, "程序出现意外错误，刚才的操作没有完成。"},
    };
    for (const auto& [raise, said] : cases) {
        ScriptedMsgBox boxes;
        boxes.answer(platform::MsgResult::OK);
        // A timer's handler throws; the loop goes on to the next event, which ends it.
        QEventLoop loop;
        bool wentOn = false;
        QTimer::singleShot(0, &loop, raise);
        QTimer::singleShot(0, &loop, [&] {
            wentOn = true;
            loop.quit();
        });
        loop.exec();
        EXPECT_EQ(boxes.prompts(), std::vector<std::string>{said}) << said;
        EXPECT_TRUE(wentOn) << said;
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
