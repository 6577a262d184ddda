#include "tests/support/ScriptedMsgBox.h"

#include <gtest/gtest.h>

namespace {

platform::MsgResult refuse(const std::string& prompt, platform::MsgButtons buttons,
                           const std::string& title) {
    ADD_FAILURE() << "unexpected message box [" << title << "] " << prompt;
    return buttons == platform::MsgButtons::OK      ? platform::MsgResult::OK
           : buttons == platform::MsgButtons::YesNo ? platform::MsgResult::No
                                                    : platform::MsgResult::Cancel;
}

}  // namespace

ScriptedMsgBox::ScriptedMsgBox() {
    previous_ = platform::SetMsgAnswerer(
        [this](const std::string& prompt, platform::MsgButtons buttons, const std::string& title) {
            shown_.push_back({prompt, buttons, title});
            if (answers_.empty()) return refuse(prompt, buttons, title);
            platform::MsgResult r = answers_.front();
            answers_.pop_front();
            return r;
        });
}

ScriptedMsgBox::~ScriptedMsgBox() {
    platform::SetMsgAnswerer(previous_);
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answer(s) never used";
}

ScriptedMsgBox& ScriptedMsgBox::answer(platform::MsgResult result, int count) {
    for (int i = 0; i < count; ++i) answers_.push_back(result);
    return *this;
}

std::vector<std::string> ScriptedMsgBox::prompts() const {
    std::vector<std::string> out;
    for (const auto& b : shown_) out.push_back(b.prompt);
    return out;
}

void InstallFailingMsgAnswerer() { platform::SetMsgAnswerer(refuse); }
