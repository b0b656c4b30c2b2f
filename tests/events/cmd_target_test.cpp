#include "events/cmd_target.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "events/window.h"
#include "platform/message_queue.h"

using namespace platform;

namespace {

// Records which operation saw what, then passes the event on (or not).
struct Recorder : vCmdTarget_c {
    explicit Recorder(std::string name, std::vector<std::string>* log, bool handles = false)
        : name(std::move(name)), log(log), handles(handles) {}

    std::string name;
    std::vector<std::string>* log;
    bool handles;

    // Logs first, so the log shows the order in which the chain was walked.
    template <class PassOn>
    Result Note(const std::string& what, PassOn passOn) {
        log->push_back(name + ":" + what);
        return handles ? Result{7} : passOn();
    }
#define PASS_OR_HANDLE(call) [&] { return vCmdTarget_c::call; }
    Result OnSetCursor(WindowHandle w, unsigned hit, MessageId m) override {
        return Note("setcursor " + std::to_string(w) + " " + std::to_string(hit) + " " + std::to_string(m),
                    PASS_OR_HANDLE(OnSetCursor(w, hit, m)));
    }
    Result OnPaint() override { return Note("paint", PASS_OR_HANDLE(OnPaint())); }
    Result OnKeyDown(std::uintptr_t k, unsigned r, unsigned f) override {
        return Note("keydown " + std::to_string(k) + " " + std::to_string(r) + " " + std::to_string(f),
                    PASS_OR_HANDLE(OnKeyDown(k, r, f)));
    }
    Result OnKeyUp(std::uintptr_t k, unsigned r, unsigned f) override {
        return Note("keyup " + std::to_string(k) + " " + std::to_string(r) + " " + std::to_string(f),
                    PASS_OR_HANDLE(OnKeyUp(k, r, f)));
    }
    Result OnChar(std::uintptr_t c, unsigned r, unsigned f) override {
        return Note("char " + std::to_string(c) + " " + std::to_string(r) + " " + std::to_string(f),
                    PASS_OR_HANDLE(OnChar(c, r, f)));
    }
#define MOUSE(Op, text)                                                                               \
    Result On##Op(int x, int y, std::uintptr_t k) override {                                          \
        return Note(std::string(text) + " " + std::to_string(x) + "," + std::to_string(y) + " " +     \
                        std::to_string(k),                                                            \
                    PASS_OR_HANDLE(On##Op(x, y, k)));                                                 \
    }
    MOUSE(MouseMove, "move")
    MOUSE(LeftDouble, "ldouble")
    MOUSE(LeftDown, "ldown")
    MOUSE(LeftUp, "lup")
    MOUSE(MiddleDouble, "mdouble")
    MOUSE(MiddleDown, "mdown")
    MOUSE(MiddleUp, "mup")
    MOUSE(RightDouble, "rdouble")
    MOUSE(RightDown, "rdown")
    MOUSE(RightUp, "rup")
#undef MOUSE
    Result OnCommand(unsigned id, unsigned n, std::intptr_t c) override {
        return Note("command " + std::to_string(id) + " " + std::to_string(n) + " " + std::to_string(c),
                    PASS_OR_HANDLE(OnCommand(id, n, c)));
    }
    Result OnDestroy() override { return Note("destroy", PASS_OR_HANDLE(OnDestroy())); }
    Result OnMessage(MessageId id, std::uintptr_t p1, std::intptr_t p2) override {
        return Note("message " + std::to_string(id) + " " + std::to_string(p1) + " " + std::to_string(p2),
                    PASS_OR_HANDLE(OnMessage(id, p1, p2)));
    }
    Result OnUserMessage(MessageId id, std::uintptr_t p1, std::intptr_t p2) override {
        return Note("user " + std::to_string(id) + " " + std::to_string(p1) + " " + std::to_string(p2),
                    PASS_OR_HANDLE(OnUserMessage(id, p1, p2)));
    }
#undef PASS_OR_HANDLE
};

// A window object without a platform window: messages are handed to
// OnMessage directly, and default processing is recorded.
struct TestWindow : vWindow_c {
    explicit TestWindow(std::vector<std::string>* log) : log(log) {}
    std::vector<std::string>* log;
    Result DefaultProcessing(MessageId id, std::uintptr_t, std::intptr_t) override {
        log->push_back("default " + std::to_string(id));
        return 99;
    }
};

void DrainQueue() {
    Message m;
    while (TakePending(m)) {
    }
}

class Chains : public testing::Test {
protected:
    void SetUp() override { DrainQueue(); }
    void TearDown() override { DrainQueue(); }
    std::vector<std::string> log;
    TestWindow window{&log};
};

}  // namespace

TEST_F(Chains, MostRecentlyJoinedIsAskedFirstAndPassesOnToTheEarlierOne) {
    Recorder earlier("earlier", &log), later("later", &log);
    earlier.JoinChain(Chain::MouseMove, window);
    later.JoinChain(Chain::MouseMove, window);
    EXPECT_EQ(window.OnMessage(msg::kMouseMove, 0x09, PackPoint(-5, 300)), 99);
    EXPECT_EQ(log, (std::vector<std::string>{"later:move -5,300 9", "earlier:move -5,300 9", "default 512"}));
}

TEST_F(Chains, AnObjectThatHandlesTheEventStopsIt) {
    Recorder earlier("earlier", &log), later("later", &log, true);
    earlier.JoinChain(Chain::MouseMove, window);
    later.JoinChain(Chain::MouseMove, window);
    EXPECT_EQ(window.OnMessage(msg::kMouseMove, 0, PackPoint(1, 2)), 7);
    EXPECT_EQ(log, (std::vector<std::string>{"later:move 1,2 0"}));
}

TEST_F(Chains, AnEmptyChainGoesStraightToDefaultProcessing) {
    EXPECT_EQ(window.OnMessage(msg::kLeftDown, 0, 0), 99);
    EXPECT_EQ(log, (std::vector<std::string>{"default 513"}));
}

TEST_F(Chains, LeavingOrDestroyingAMemberKeepsTheRestOfTheChain) {
    Recorder first("first", &log);
    first.JoinChain(Chain::Paint, window);
    {
        Recorder gone("gone", &log);
        gone.JoinChain(Chain::Paint, window);
        Recorder left("left", &log);
        left.JoinChain(Chain::Paint, window);
        left.LeaveChain(Chain::Paint);
        EXPECT_FALSE(left.InChain(Chain::Paint));
    }
    window.OnMessage(msg::kPaint, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"first:paint", "default 15"}));
}

TEST_F(Chains, RejoiningMovesAnObjectToTheFront) {
    Recorder a("a", &log), b("b", &log);
    a.JoinChain(Chain::Char, window);
    b.JoinChain(Chain::Char, window);
    a.JoinChain(Chain::Char, window);
    window.OnMessage(msg::kChar, 'x', 1);
    EXPECT_EQ(log, (std::vector<std::string>{"a:char 120 1 0", "b:char 120 1 0", "default 258"}));
}

// Every message reaches the operation of its own chain with its parameters
// unpacked, and no other chain.
TEST_F(Chains, EachMessageReachesItsOwnChainOnly) {
    struct Case {
        MessageId id;
        std::uintptr_t p1;
        std::intptr_t p2;
        Chain chain;
        std::string seen;
    };
    const std::intptr_t point = PackPoint(640, 17);
    const std::vector<Case> cases = {
        {msg::kSetCursor, 3, 1 | (msg::kMouseMove << 16), Chain::SetCursor, "setcursor 3 1 512"},
        {msg::kPaint, 0, 0, Chain::Paint, "paint"},
        {msg::kKeyDown, key::kEscape, 1 | (0x4000 << 16), Chain::KeyDown, "keydown 27 1 16384"},
        {msg::kKeyUp, 'A', 1 | (0xC000 << 16), Chain::KeyUp, "keyup 65 1 49152"},
        {msg::kCommand, 5 | (2 << 16), 77, Chain::Command, "command 5 2 77"},
        {msg::kUser + 4, 11, -12, Chain::UserMessage, "user 1028 11 -12"},
        {msg::kMouseMove, 1, point, Chain::MouseMove, "move 640,17 1"},
        {msg::kLeftDouble, 1, point, Chain::LeftDouble, "ldouble 640,17 1"},
        {msg::kLeftDown, 1, point, Chain::LeftDown, "ldown 640,17 1"},
        {msg::kLeftUp, 0, point, Chain::LeftUp, "lup 640,17 0"},
        {msg::kMiddleDouble, 0x10, point, Chain::MiddleDouble, "mdouble 640,17 16"},
        {msg::kMiddleDown, 0x10, point, Chain::MiddleDown, "mdown 640,17 16"},
        {msg::kMiddleUp, 0, point, Chain::MiddleUp, "mup 640,17 0"},
        {msg::kRightDouble, 2, point, Chain::RightDouble, "rdouble 640,17 2"},
        {msg::kRightDown, 2, point, Chain::RightDown, "rdown 640,17 2"},
        {msg::kRightUp, 0, point, Chain::RightUp, "rup 640,17 0"},
        {msg::kChar, 0x00E9, 1, Chain::Char, "char 233 1 0"},
        {msg::kHelp, 0, 0, Chain::Message, "message 83 0 0"},
        {955, 1, 2, Chain::Message, "message 955 1 2"},
    };
    std::vector<std::unique_ptr<Recorder>> targets;
    for (int k = 0; k < kChainCount; ++k) {
        targets.push_back(std::make_unique<Recorder>(std::to_string(k), &log));
        targets.back()->JoinChain(static_cast<Chain>(k), window);
    }
    for (const Case& c : cases) {
        log.clear();
        window.OnMessage(c.id, c.p1, c.p2);
        const std::string chain = std::to_string(static_cast<int>(c.chain));
        EXPECT_EQ(log, (std::vector<std::string>{chain + ":" + c.seen, "default " + std::to_string(c.id)}))
            << "message " << c.id;
    }
}

TEST_F(Chains, UserMessagesStartAt1024AndEndAt32767) {
    Recorder user("u", &log, true), other("o", &log, true);
    user.JoinChain(Chain::UserMessage, window);
    other.JoinChain(Chain::Message, window);
    window.OnMessage(1023, 0, 0);
    window.OnMessage(1024, 0, 0);
    window.OnMessage(32767, 0, 0);
    window.OnMessage(32768, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"o:message 1023 0 0", "u:user 1024 0 0", "u:user 32767 0 0",
                                             "o:message 32768 0 0"}));
}

TEST_F(Chains, DestroyRunsTheDestroyChainThenPostsQuit) {
    Recorder d("d", &log);
    d.JoinChain(Chain::Destroy, window);
    window.OnMessage(msg::kDestroy, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"d:destroy", "default 2"}));
    Message m;
    ASSERT_TRUE(TakePending(m));
    EXPECT_EQ(m.id, msg::kQuit);
    EXPECT_EQ(m.p1, 0u);
}

TEST_F(Chains, TheCurrentMessageIsKeptDuringHandlingAndRestoredAfterANestedOne) {
    struct Nesting : vCmdTarget_c {
        TestWindow* w;
        std::vector<MessageId> seen;
        Result OnLeftDown(int, int, std::uintptr_t) override {
            seen.push_back(w->CurrentMessage().id);
            w->OnMessage(msg::kPaint, 0, 0);
            seen.push_back(w->CurrentMessage().id);
            return 1;
        }
    } nesting;
    nesting.w = &window;
    nesting.JoinChain(Chain::LeftDown, window);
    window.OnMessage(msg::kLeftDown, 0, 0);
    EXPECT_EQ(nesting.seen, (std::vector<MessageId>{msg::kLeftDown, msg::kLeftDown}));
}

TEST(ListItemArray, MembershipInSeveralListsAtOnce) {
    vListItemArray_c head(3), a(3), b(3);
    a.InsertAfter(0, head);
    b.InsertAfter(0, head);
    a.InsertAfter(2, head);
    EXPECT_EQ(head.Next(0), &b);
    EXPECT_EQ(b.Next(0), &a);
    EXPECT_EQ(a.Prev(0), &b);
    EXPECT_EQ(head.Next(2), &a);
    EXPECT_FALSE(b.IsLinked(2));
    EXPECT_FALSE(a.IsLinked(1));
    EXPECT_THROW(a.Next(3), vException_c);
    {
        vListItemArray_c c(3);
        c.InsertAfter(0, b);
        c.InsertAfter(2, a);
        EXPECT_EQ(a.Prev(0), &c);
    }
    EXPECT_EQ(b.Next(0), &a) << "destruction unlinks from every list";
    EXPECT_EQ(a.Prev(0), &b);
    EXPECT_EQ(a.Next(2), nullptr);
    a.InsertAfter(0, a);
    EXPECT_EQ(a.Prev(0), &b) << "inserting after itself is ignored";
}
