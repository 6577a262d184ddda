// Event handlers run their body through RunGuarded: an exception never leaves a handler; what it
// means for the user (UserMessageOf) is shown in the standard message box and the rest of the
// body is skipped.
#pragma once

#include <exception>
#include <string>

#include "platform/ErrorText.h"
#include "platform/MsgBox.h"

namespace platform {

// Runs `body`; an exception stops it, its message for the user is shown (OK button, `title`,
// the application's when empty) and the result is false.
template <typename Body>
bool Attempt(Body&& body, const std::string& title = std::string()) {
    try {
        body();
        return true;
    } catch (...) {
        MsgBox(UserMessageOf(std::current_exception()), MsgButtons::OK, title);
    }
    return false;
}

template <typename Body>
void RunGuarded(Body&& body) {
    Attempt(std::forward<Body>(body));
}

}  // namespace platform
