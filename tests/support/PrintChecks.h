// Checks on a window that prints its own picture: the document it sends, and a print that
// fails. The window's state before and after stays for the test to compare.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/MsgBox.h"
#include "platform/Printer.h"
#include "tests/support/ScriptedMsgBox.h"

// Runs print() on a recording printer. The document must be one picture from the page's
// top-left corner, then EndDoc; returns that picture (an empty operation otherwise).
inline platform::PrintOp PrintedPicture(const std::function<void()>& print) {
    platform::RecordingPrinter printer;
    print();
    const std::vector<platform::PrintOp>& ops = printer.ops();
    EXPECT_EQ(ops.size(), 2u);
    if (ops.size() != 2u) return {};
    EXPECT_EQ(ops[0].kind, platform::PrintOp::Picture);
    EXPECT_EQ(ops[0].x1, 0);
    EXPECT_EQ(ops[0].y1, 0);
    EXPECT_EQ(ops[1].kind, platform::PrintOp::EndDoc);
    return ops[0];
}

// Runs print() on a printer that fails at its first operation: one box titled with the
// program's name says why, and the document is abandoned.
inline void ExpectFailedPrintReported(const std::function<void()>& print) {
    platform::RecordingPrinter printer;
    printer.failAfter(0);
    ScriptedMsgBox box;
    box.answer(platform::MsgResult::OK);
    print();
    ASSERT_EQ(box.shown().size(), 1u);
    EXPECT_FALSE(box.shown()[0].prompt.empty());
    EXPECT_EQ(box.shown()[0].title, platform::kAppTitle);
    ASSERT_FALSE(printer.ops().empty());
    EXPECT_EQ(printer.ops().back().kind, platform::PrintOp::KillDoc);
}
