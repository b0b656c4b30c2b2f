// Windows of the platform layer under SDL's offscreen driver: creation and
// removal messages, procedures, default processing, the event source's
// translation of SDL input, and posting while the user-interface thread
// sleeps in SDL's event wait.

#include "platform/native_window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/exception.h"
#include "platform/message_queue.h"

using namespace platform;

namespace {

struct Recorded {
    std::vector<Message> messages;
    static MessageResult Procedure(void* context, const Message& m) {
        static_cast<Recorded*>(context)->messages.push_back(m);
        return DefaultProcessing(m);
    }
    std::vector<MessageId> Ids() const {
        std::vector<MessageId> ids;
        for (const Message& m : messages) ids.push_back(m.id);
        return ids;
    }
};

class PlatformWindow : public testing::Test {
protected:
    void SetUp() override {
        Drain();
        WindowOptions options;
        options.width = 320;
        options.height = 200;
        options.title = "platform test";
        options.doubleClicks = DoubleClicks();
        options.procedure = {&Recorded::Procedure, &recorded};
        window = OpenWindow(options);
        Drain();  // the first paint and whatever SDL reported while opening
        recorded.messages.clear();
    }
    void TearDown() override {
        RemoveWindow(window);
        Drain();
    }
    virtual bool DoubleClicks() const { return false; }
    static void Drain() {
        Message m;
        while (TakePending(m)) Dispatch(m);
    }
    void Push(SDL_Event e) {
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    SDL_Event Button(Uint32 type, Uint8 button, int x, int y, Uint8 clicks = 1) {
        SDL_Event e{};
        e.type = type;
        e.button.windowID = window;
        e.button.button = button;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = clicks;
        e.button.x = x;
        e.button.y = y;
        return e;
    }
    SDL_Event Key(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE, bool repeat = false) {
        SDL_Event e{};
        e.type = type;
        e.key.windowID = window;
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        return e;
    }

    Recorded recorded;
    WindowHandle window = kNoWindow;
};

class DoubleClickWindow : public PlatformWindow {
    bool DoubleClicks() const override { return true; }
};

}  // namespace

TEST(PlatformWindows, OpeningSendsCreateAndRemovingSendsDestroy) {
    Recorded r;
    WindowOptions options;
    options.procedure = {&Recorded::Procedure, &r};
    const WindowHandle w = OpenWindow(options);
    ASSERT_NE(w, kNoWindow);
    EXPECT_EQ(r.Ids(), std::vector<MessageId>{msg::kCreate});
    EXPECT_NE(SdlWindowOf(w), nullptr);
    EXPECT_NE(RendererOf(w), nullptr);
    RemoveWindow(w);
    EXPECT_EQ(r.Ids(), (std::vector<MessageId>{msg::kCreate, msg::kDestroy}));
    EXPECT_FALSE(WindowExists(w));
    EXPECT_EQ(SdlWindowOf(w), nullptr);
    RemoveWindow(w);  // a second time: nothing
    EXPECT_EQ(r.messages.size(), 2u);
}

TEST(PlatformWindows, AFailingCreateLeavesNoWindow) {
    struct Refuses {
        static MessageResult Procedure(void*, const Message&) { throw vException_c(5); }
    };
    WindowOptions options;
    options.procedure = {&Refuses::Procedure, nullptr};
    EXPECT_THROW(OpenWindow(options), vException_c);
    int windows = 0;
    for (WindowHandle h = 1; h < 64; ++h) windows += WindowExists(h);
    EXPECT_EQ(windows, 0);
}

TEST_F(PlatformWindow, TheFirstMessageAfterOpeningIsAPaint) {
    RequestPaint(window);
    RequestPaint(window);
    Message m;
    ASSERT_TRUE(TakePending(m));
    EXPECT_EQ(m.id, msg::kPaint);
    EXPECT_EQ(m.window, window);
    EXPECT_FALSE(TakePending(m)) << "one paint however often it was asked for";
}

TEST_F(PlatformWindow, APaintWaitsForQueuedMessages) {
    RequestPaint(window);
    Post(window, msg::kUser);
    Message m;
    ASSERT_TRUE(TakePending(m));
    EXPECT_EQ(m.id, msg::kUser);
    ASSERT_TRUE(TakePending(m));
    EXPECT_EQ(m.id, msg::kPaint);
}

TEST_F(PlatformWindow, ReplacingTheProcedureKeepsThePreviousOne) {
    Recorded other;
    const WindowProcedure previous = ReplaceProcedure(window, {&Recorded::Procedure, &other});
    EXPECT_EQ(previous.context, &recorded);
    Dispatch({window, msg::kUser, 1, 2});
    EXPECT_EQ(other.Ids(), std::vector<MessageId>{msg::kUser});
    EXPECT_TRUE(recorded.messages.empty());
    CallProcedure(previous, {window, msg::kUser + 1, 0, 0});
    EXPECT_EQ(recorded.Ids(), std::vector<MessageId>{msg::kUser + 1});
    ReplaceProcedure(window, previous);
    EXPECT_THROW(ReplaceProcedure(window + 1000, previous), vException_c);
}

TEST_F(PlatformWindow, TitleAndSize) {
    SetWindowTitle(window, "Renamed");
    EXPECT_EQ(WindowTitle(window), "Renamed");
    int w = 0, h = 0;
    ClientSize(window, w, h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 200);
    FillWindow(window, {128, 128, 128});
}

TEST_F(PlatformWindow, ButtonsArriveWithThePointAndTheButtonsHeld) {
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 12, 34));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 300, 5));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 13, 35));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 13, 35));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 1, 2));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 1, 2));
    Drain();
    const std::vector<Message>& m = recorded.messages;
    ASSERT_EQ(recorded.Ids(), (std::vector<MessageId>{msg::kSetCursor, msg::kLeftDown, msg::kSetCursor,
                                                      msg::kRightDown, msg::kLeftUp, msg::kRightUp,
                                                      msg::kSetCursor, msg::kMiddleDown, msg::kMiddleUp}));
    EXPECT_EQ(m[0].p1, window);
    EXPECT_EQ(m[0].p2, 1 | (msg::kLeftDown << 16));
    EXPECT_EQ(PointX(m[1].p2), 12);
    EXPECT_EQ(PointY(m[1].p2), 34);
    EXPECT_EQ(m[1].p1, static_cast<std::uintptr_t>(KeyFlag::LeftButton));
    EXPECT_EQ(m[3].p1, static_cast<std::uintptr_t>(KeyFlag::LeftButton) | static_cast<std::uintptr_t>(KeyFlag::RightButton));
    EXPECT_EQ(m[3].p2, PackPoint(300, 5));
    EXPECT_EQ(m[4].p1, static_cast<std::uintptr_t>(KeyFlag::RightButton)) << "the released button is no longer held";
    EXPECT_EQ(m[5].p1, 0u);
    EXPECT_EQ(m[7].p1, static_cast<std::uintptr_t>(KeyFlag::MiddleButton));
}

TEST_F(PlatformWindow, AQuickSecondClickIsAnotherDownUnlessTheWindowWantsDoubleClicks) {
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 1, 2));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1, 1, 2));
    Drain();
    EXPECT_EQ(recorded.Ids(), (std::vector<MessageId>{msg::kSetCursor, msg::kLeftDown, msg::kLeftUp}));
}

TEST_F(DoubleClickWindow, EvenClicksAreDoubleClicks) {
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 1, 1));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 1, 2));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 1, 2));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 1, 1, 4));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 1, 3));
    Drain();
    std::vector<MessageId> buttons;
    for (MessageId id : recorded.Ids())
        if (id != msg::kSetCursor) buttons.push_back(id);
    EXPECT_EQ(buttons, (std::vector<MessageId>{msg::kLeftDown, msg::kLeftDouble, msg::kRightDouble,
                                               msg::kMiddleDouble, msg::kLeftDown}));
}

TEST_F(PlatformWindow, MouseMovesComeAfterASetCursor) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window;
    e.motion.x = -3;
    e.motion.y = 150;
    Push(e);
    Drain();
    ASSERT_EQ(recorded.Ids(), (std::vector<MessageId>{msg::kSetCursor, msg::kMouseMove}));
    EXPECT_EQ(recorded.messages[0].p2, 1 | (msg::kMouseMove << 16));
    EXPECT_EQ(PointX(recorded.messages[1].p2), -3);
    EXPECT_EQ(PointY(recorded.messages[1].p2), 150);
}

TEST_F(PlatformWindow, KeysCharactersAndHelp) {
    Push(Key(SDL_KEYDOWN, SDLK_a));
    Push(Key(SDL_KEYDOWN, SDLK_a, KMOD_NONE, true));
    Push(Key(SDL_KEYUP, SDLK_a));
    Push(Key(SDL_KEYDOWN, SDLK_RETURN));
    Push(Key(SDL_KEYDOWN, SDLK_F1));
    Push(Key(SDL_KEYDOWN, SDLK_F12));
    Push(Key(SDL_KEYDOWN, SDLK_KP_5));
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = window;
    SDL_strlcpy(text.text.text, "a\xC3\xA9\xE2\x82\xAC", sizeof text.text.text);  // a, e acute, euro
    Push(text);
    Drain();
    const std::vector<Message>& m = recorded.messages;
    ASSERT_EQ(recorded.Ids(), (std::vector<MessageId>{msg::kKeyDown, msg::kKeyDown, msg::kKeyUp, msg::kKeyDown,
                                                      msg::kChar, msg::kKeyDown, msg::kHelp, msg::kKeyDown,
                                                      msg::kKeyDown, msg::kChar, msg::kChar, msg::kChar}));
    EXPECT_EQ(m[0].p1, static_cast<std::uintptr_t>('A'));
    EXPECT_EQ(m[0].p2, 1);
    EXPECT_EQ(m[1].p2, 1 | (static_cast<std::intptr_t>(KeyState::WasDown) << 16));
    EXPECT_EQ(m[2].p2, 1 | (std::intptr_t{0xC000} << 16));
    EXPECT_EQ(m[3].p1, key::kReturn);
    EXPECT_EQ(m[4].p1, key::kReturn);
    EXPECT_EQ(m[5].p1, key::kF1);
    EXPECT_EQ(m[7].p1, key::kF1 + 11);
    EXPECT_EQ(m[8].p1, 0x65u);
    EXPECT_EQ(m[9].p1, static_cast<std::uintptr_t>('a'));
    EXPECT_EQ(m[10].p1, 0xE9u);
    EXPECT_EQ(m[11].p1, 0x20ACu);
}

TEST_F(PlatformWindow, ClosingByTheWindowSystemOrAltF4RemovesTheWindow) {
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = window;
    Push(close);
    Drain();
    EXPECT_EQ(recorded.Ids(), (std::vector<MessageId>{msg::kClose, msg::kDestroy}));
    EXPECT_FALSE(WindowExists(window));

    Recorded second;
    WindowOptions options;
    options.procedure = {&Recorded::Procedure, &second};
    window = OpenWindow(options);
    Drain();
    second.messages.clear();
    Push(Key(SDL_KEYDOWN, SDLK_F4, KMOD_LALT));
    Drain();
    EXPECT_EQ(second.Ids(), (std::vector<MessageId>{msg::kClose, msg::kDestroy}));
    EXPECT_FALSE(WindowExists(window));
}

// With the window system running the user-interface thread sleeps in SDL's
// event wait; posts from another thread must wake it, in order, none lost.
TEST_F(PlatformWindow, PostsWakeTheUserInterfaceThreadOutOfItsWait) {
    constexpr int kCount = 300000;
    std::thread poster([this] {
        for (int i = 0; i < kCount; ++i) {
            Post(window, msg::kUser + 7, static_cast<std::uintptr_t>(i));
            if (i % 50000 == 0) std::this_thread::yield();
        }
    });
    Message m;
    std::uintptr_t expected = 0;
    while (expected < kCount) {
        ASSERT_TRUE(NextMessage(m));
        if (m.id != msg::kUser + 7) continue;  // what the window system reports meanwhile
        ASSERT_EQ(m.p1, expected);
        ++expected;
    }
    poster.join();
}

TEST_F(PlatformWindow, PumpOneWaitsForAPostFromAnotherThread) {
    std::thread poster([this] { Post(window, msg::kUser + 3, 9); });
    while (recorded.messages.empty()) ASSERT_TRUE(PumpOne());
    poster.join();
    Drain();
    ASSERT_FALSE(recorded.messages.empty());
    EXPECT_EQ(recorded.messages.back().id, msg::kUser + 3);
    EXPECT_EQ(recorded.messages.back().p1, 9u);
}
