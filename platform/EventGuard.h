// Event handlers run their body through RunGuarded: an exception never leaves a handler; its
// description is shown in the standard message box and the rest of the body is skipped.
#pragma once

#include <exception>

#include "platform/MsgBox.h"

namespace platform {

template <typename Body>
void RunGuarded(Body&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        MsgBox(e.what());
    } catch (...) {
        MsgBox("未知错误");
    }
}

}  // namespace platform
