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

TEST(MessageBox, LongLinesAreBrokenAtBlanks) {
    const std::string text = "The pronouncing dictionary has no word \"Zqxv\", so this exercise is marked only by "
                             "comparing the pupil with your recording.\nA short line.\n/a/path/longer/than/the/width/" +
                             std::string(80, 'x') + " end";
    const std::string wrapped = WrapForBox(text, 40);
    std::string joined = wrapped;
    for (char& c : joined)
        if (c == '\n') c = ' ';
    std::string plain = text;
    for (char& c : plain)
        if (c == '\n') c = ' ';
    EXPECT_EQ(joined, plain);  // only blanks became line breaks
    size_t start = 0, longest = 0, lines = 0;
    for (size_t end; (end = wrapped.find('\n', start)) != std::string::npos || start <= wrapped.size(); start = end + 1) {
        if (end == std::string::npos) end = wrapped.size();
        const std::string line = wrapped.substr(start, end - start);
        if (line.find(' ') != std::string::npos) longest = std::max(longest, line.size());
        ++lines;
        if (end == wrapped.size()) break;
    }
    EXPECT_LE(longest, 40u) << wrapped;
    EXPECT_GE(lines, 5u) << wrapped;
    EXPECT_NE(wrapped.find("\nA short line.\n"), std::string::npos) << wrapped;
    EXPECT_NE(wrapped.find("\n/a/path/longer/than/the/width/"), std::string::npos) << wrapped;  // kept whole
    EXPECT_EQ(WrapForBox("\xc4\x8c" + std::string(9, 'a') + " b", 12), "\xc4\x8c" + std::string(9, 'a') + " b");  // Č is one character
}
