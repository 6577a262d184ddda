// The standard message box on screen: a modal Qt dialog without an icon showing OK, Yes/No or
// OK/Cancel. The application installs it as the answerer of platform::MsgBox.
#pragma once

#include <string>

#include "platform/MsgBox.h"

namespace platform {

// Shows the box and waits for the user's answer. Closing the box with Esc or the window's
// close box answers OK, No or Cancel.
MsgResult ShowStandardMsgBox(const std::string& prompt, MsgButtons buttons,
                             const std::string& title);

// Makes platform::MsgBox show ShowStandardMsgBox.
void InstallQtMsgAnswerer();

}  // namespace platform
