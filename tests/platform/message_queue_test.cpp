#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace platform;

namespace {

constexpr MessageId kData = msg::kUser + 100;
constexpr MessageId kOther = msg::kUser + 101;

void Drain() {
    Message m;
    while (TakePending(m)) {
    }
}

class MessageQueue : public testing::Test {
protected:
    void SetUp() override { Drain(); }
    void TearDown() override { Drain(); }
};

}  // namespace

TEST_F(MessageQueue, DeliversInPostingOrderWithParameters) {
    Post(1, kData, 7, -3);
    Post(2, kOther, 8, 4);
    PostQuit(-1);
    Message m;
    ASSERT_TRUE(NextMessage(m));
    EXPECT_EQ(m.window, 1u);
    EXPECT_EQ(m.id, kData);
    EXPECT_EQ(m.p1, 7u);
    EXPECT_EQ(m.p2, -3);
    ASSERT_TRUE(NextMessage(m));
    EXPECT_EQ(m.id, kOther);
    EXPECT_FALSE(NextMessage(m)) << "the quit message ends the loop";
    EXPECT_EQ(m.window, kNoWindow);
    EXPECT_EQ(static_cast<int>(static_cast<std::intptr_t>(m.p1)), -1);
    EXPECT_FALSE(TakePending(m));
}

TEST_F(MessageQueue, RemovePendingTakesOneIdAndKeepsTheRestInOrder) {
    Post(1, kData, 1);
    Post(1, kOther, 2);
    Post(2, kData, 3);
    Post(1, kOther, 4);
    Post(1, kData, 5);

    std::vector<Message> removed = RemovePending(1, kData);
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0].p1, 1u);
    EXPECT_EQ(removed[1].p1, 5u);

    removed = RemovePending(kData);
    ASSERT_EQ(removed.size(), 1u) << "window 2's message is left only by the per-window form";
    EXPECT_EQ(removed[0].window, 2u);

    EXPECT_TRUE(RemovePending(kData).empty());
    ASSERT_EQ(PendingCount(), 2u);
    Message m;
    ASSERT_TRUE(TakePending(m));
    EXPECT_EQ(m.p1, 2u);
    ASSERT_TRUE(TakePending(m));
    EXPECT_EQ(m.p1, 4u);
}

TEST_F(MessageQueue, PutBackMakesAMessageTheNextOne) {
    Post(1, kData, 1);
    Post(1, kData, 2);
    Message first;
    ASSERT_TRUE(TakePending(first));
    PutBack(first);
    Message m;
    ASSERT_TRUE(TakePending(m));
    EXPECT_EQ(m.p1, 1u);
    ASSERT_TRUE(TakePending(m));
    EXPECT_EQ(m.p1, 2u);
}

// The waiting side must wake for posts made while it sleeps, and no message
// may be lost or reordered however the two threads interleave.
TEST_F(MessageQueue, PostsFromOtherThreadsArriveWholeAndInOrder) {
    constexpr int kPerThread = 150000;
    constexpr int kThreads = 2;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([t] {
            for (int i = 0; i < kPerThread; ++i) Post(static_cast<WindowHandle>(t + 1), kData, i, t);
        });
    std::vector<std::uintptr_t> next(kThreads, 0);
    int received = 0;
    Message m;
    while (received < kThreads * kPerThread) {
        ASSERT_TRUE(NextMessage(m));
        ASSERT_EQ(m.id, kData);
        ASSERT_GE(m.p2, 0);
        ASSERT_LT(m.p2, kThreads);
        ASSERT_EQ(m.window, static_cast<WindowHandle>(m.p2 + 1));
        ASSERT_EQ(m.p1, next[m.p2]) << "message of thread " << m.p2 << " out of order";
        ++next[m.p2];
        ++received;
    }
    for (std::thread& p : posters) p.join();
    EXPECT_FALSE(TakePending(m)) << "nothing beyond what was posted";
}

TEST_F(MessageQueue, RemovalWhileAnotherThreadPostsLosesNothing) {
    constexpr int kCount = 100000;
    std::thread poster([] {
        for (int i = 0; i < kCount; ++i) Post(1, i % 2 ? kOther : kData, i);
    });
    std::vector<bool> seen(kCount, false);
    int got = 0;
    auto record = [&](const Message& m) {
        ASSERT_LT(m.p1, static_cast<std::uintptr_t>(kCount));
        ASSERT_FALSE(seen[m.p1]);
        seen[m.p1] = true;
        ++got;
    };
    while (got < kCount) {
        for (const Message& m : RemovePending(kOther)) record(m);
        Message m;
        if (TakePending(m)) record(m);
    }
    poster.join();
    EXPECT_EQ(PendingCount(), 0u);
}
