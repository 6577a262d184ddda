// Opening a window whose opening read fails: the error leaves its Load for the opener (the main
// window) to report, the window shows no box of its own and is not shown.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>

#include "platform/Form.h"
#include "tests/support/ScriptedMsgBox.h"

// Shows the window and returns the text of the error that failed its opening; "" and a test
// failure when it opened.
inline std::string OpeningFailure(platform::Form& window) {
    ScriptedMsgBox box;  // no answer queued: a box of the window's own fails the test
    try {
        window.Show();
    } catch (const std::exception& e) {
        EXPECT_FALSE(window.isVisible());
        return e.what();
    }
    ADD_FAILURE() << "the window opened";
    return {};
}
