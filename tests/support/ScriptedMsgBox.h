// Answers message boxes from a script and records every box shown. A box with no scripted
// answer left fails the test; so does a scripted answer that was never used.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/MsgBox.h"

struct ShownBox {
    std::string prompt;
    platform::MsgButtons buttons;
    std::string title;
};

class ScriptedMsgBox {
public:
    ScriptedMsgBox();
    ~ScriptedMsgBox();
    ScriptedMsgBox(const ScriptedMsgBox&) = delete;
    ScriptedMsgBox& operator=(const ScriptedMsgBox&) = delete;

    // Queues the answer to the next box (count times).
    ScriptedMsgBox& answer(platform::MsgResult result, int count = 1);
    const std::vector<ShownBox>& shown() const { return shown_; }
    // The prompts shown, in order.
    std::vector<std::string> prompts() const;
    void clear() { shown_.clear(); }

private:
    std::deque<platform::MsgResult> answers_;
    std::vector<ShownBox> shown_;
    platform::MsgAnswerer previous_;
};

// Installed for a whole test program: any box that no ScriptedMsgBox expects fails the test.
void InstallFailingMsgAnswerer();
