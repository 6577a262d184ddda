#include "platform/MsgBox.h"

#include <gtest/gtest.h>

#include "tests/support/ScriptedMsgBox.h"

using namespace platform;

TEST(MsgBox, EmptyTitleIsTheApplicationTitle) {
    ScriptedMsgBox box;
    box.answer(MsgResult::OK).answer(MsgResult::Yes);
    EXPECT_EQ(MsgBox("无效参数: 1"), MsgResult::OK);
    EXPECT_EQ(MsgBox("是否忽略？", MsgButtons::YesNo, "警告"), MsgResult::Yes);
    ASSERT_EQ(box.shown().size(), 2u);
    EXPECT_EQ(box.shown()[0].title, "PraveltaKVT");
    EXPECT_EQ(box.shown()[0].buttons, MsgButtons::OK);
    EXPECT_EQ(box.shown()[1].title, "警告");
    EXPECT_EQ(box.shown()[1].buttons, MsgButtons::YesNo);
}

TEST(MsgBox, WithoutAnAnswererTheCautiousButtonIsChosen) {
    MsgAnswerer saved = SetMsgAnswerer(nullptr);
    EXPECT_EQ(MsgBox("a", MsgButtons::OK), MsgResult::OK);
    EXPECT_EQ(MsgBox("b", MsgButtons::YesNo), MsgResult::No);
    EXPECT_EQ(MsgBox("c", MsgButtons::OKCancel), MsgResult::Cancel);
    SetMsgAnswerer(saved);
}
