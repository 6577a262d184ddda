// The pieces every window shares: a kept size and the guarded step that reports its error.
#include <gtest/gtest.h>

#include <QApplication>
#include <stdexcept>
#include <vector>

#include "platform/storage/Database.h"
#include "platform/EventGuard.h"
#include "platform/Form.h"
#include "platform/Printer.h"
#include "platform/Runtime.h"
#include "tests/support/ScriptedMsgBox.h"

namespace {

class KeptForm : public platform::Form {
  public:
    KeptForm() : Form("KeptForm") {}

  protected:
    void Form_Load() override { keepSize(9000, 6000); }
};

TEST(FormTest, AKeptSizeComesBackAfterAResizeUnlessRolledUp) {
    KeptForm form;
    form.Show();
    EXPECT_EQ(form.Width(), 9000);
    EXPECT_EQ(form.Height(), 6000);
    form.setWidth(4000);
    form.Move(300, 300, 12000, 7000);
    EXPECT_EQ(form.Width(), 9000);
    EXPECT_EQ(form.Height(), 6000);
    EXPECT_EQ(form.Left(), 300);
    form.setHeight(300);  // rolled up to its title bar
    EXPECT_EQ(form.Height(), 300);
}

TEST(EventGuardTest, AStepThatFailsShowsWhyUnderItsTitleAndSaysSo) {
    const struct {
        std::function<void()> body;
        const char* title;
        bool done;
        const char* prompt;  // null: no box
        const char* shownTitle;
    } cases[] = {
        {[] {}, "错误", true, nullptr, nullptr},
        {[] { throw platform::DbError("数据库文件已损坏"); }, "错误", false, "数据库文件已损坏",
         "错误"},
        {[] { throw platform::RuntimeError("溢出"); }, "", false, "溢出", platform::kAppTitle},
        {[] { throw platform::PrinterError("没有可打印的图像。"); }, "", false,
         "没有可打印的图像。", platform::kAppTitle},
        // Another library's text (English) is for the developer; the user gets one sentence.
        {[] { static_cast<void>(std::vector<int>().at(3)); }, "错误", false,
         platform::kUnexpectedError, "错误"},
        {[] { throw std::runtime_error("数据库文件已损坏"); }, "", false,
         platform::kUnexpectedError, platform::kAppTitle},
        {[] { throw 7; }, "错误", false, platform::kUnexpectedError, "错误"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prompt ? c.prompt : "no error");
        ScriptedMsgBox box;
        if (c.prompt) box.answer(platform::MsgResult::OK);
        int after = 0;
        EXPECT_EQ(platform::Attempt(
                      [&] {
                          c.body();
                          ++after;
                      },
                      c.title),
                  c.done);
        EXPECT_EQ(after, c.done ? 1 : 0) << "the rest of a failed step is skipped";
        ASSERT_EQ(box.shown().size(), c.prompt ? 1u : 0u);
        if (!c.prompt) continue;
        EXPECT_EQ(box.shown()[0].prompt, c.prompt);
        EXPECT_EQ(box.shown()[0].title, c.shownTitle);
    }
}

}  // namespace
