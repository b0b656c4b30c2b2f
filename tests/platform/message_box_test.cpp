#include "platform/message_box.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(MessageBox, HookSeesTheBoxAndChoosesTheAnswer) {
    MessageBoxRecord seen;
    SetMessageBoxHook([&](const MessageBoxRecord& box) {
        seen = box;
        return BoxAnswer::Yes;
    });
    BoxAnswer a = ShowMessageBox({"Do it?", "Question", BoxIcon::Stop, BoxButtons::YesNo});
    SetMessageBoxHook({});
    EXPECT_EQ(a, BoxAnswer::Yes);
    EXPECT_EQ(seen.text, "Do it?");
    EXPECT_EQ(seen.caption, "Question");
    EXPECT_EQ(seen.icon, BoxIcon::Stop);
}

TEST(MessageBox, HeadlessAnswersWithTheDefault) {
    // The tests run with the offscreen driver: no box can be shown.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessageBox({"t", "c", BoxIcon::Information, BoxButtons::YesNo}), BoxAnswer::No);
    EXPECT_EQ(ShowMessageBox({"t", "c", BoxIcon::Information, BoxButtons::Ok}), BoxAnswer::Ok);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("c: t"), std::string::npos);
}
