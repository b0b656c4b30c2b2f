#include "events/window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../support/temp_dir.h"
#include "platform/message_box.h"
#include "platform/message_queue.h"
#include "platform/pointer.h"
#include "settings/settings.h"

using namespace platform;

namespace {

void DrainQueue() {
    Message m;
    while (TakePending(m)) {
    }
}

// Sees every box and answers it.
class BoxHook {
public:
    explicit BoxHook(BoxAnswer answer = BoxAnswer::Ok) {
        SetMessageBoxHook([this, answer](const MessageBoxRecord& box) {
            boxes.push_back(box);
            return answer;
        });
    }
    ~BoxHook() { SetMessageBoxHook({}); }
    std::vector<MessageBoxRecord> boxes;
};

class Windows : public testing::Test {
protected:
    void SetUp() override { DrainQueue(); }
    void TearDown() override { DrainQueue(); }
};

// Closes itself as soon as it exists, so that Run ends by itself.
struct SelfClosing : vWindow_c {
    std::vector<MessageId> seen;
    Result OnMessage(MessageId id, std::uintptr_t p1, std::intptr_t p2) override {
        seen.push_back(id);
        if (id == msg::kCreate) {
            EXPECT_NE(Handle(), kNoWindow) << "bound before the first message is handled";
            Post(Handle(), msg::kClose);
        }
        return vWindow_c::OnMessage(id, p1, p2);
    }
};

}  // namespace

TEST_F(Windows, RunOpensTheWindowAndEndsWithZeroWhenItIsClosed) {
    SelfClosing w;
    w.SetTitle("Run test");
    EXPECT_EQ(w.Run(), 0);
    ASSERT_GE(w.seen.size(), 3u);
    EXPECT_EQ(w.seen.front(), msg::kCreate);
    EXPECT_NE(std::find(w.seen.begin(), w.seen.end(), msg::kClose), w.seen.end());
    EXPECT_EQ(w.seen.back(), msg::kDestroy);
    EXPECT_EQ(w.Handle(), kNoWindow);
}

TEST_F(Windows, MessagesReachTheObjectOfTheirWindow) {
    struct Target : vWindow_c {
        std::vector<std::string> got;
        Result OnUserMessage(MessageId id, std::uintptr_t p1, std::intptr_t) override {
            got.push_back("user " + std::to_string(id) + " " + std::to_string(p1));
            return 5;
        }
        Result OnPaint() override {
            got.push_back("paint");
            return 0;
        }
    } a, b;
    a.Create(10, 10, 200, 100);
    b.Create();
    ASSERT_NE(a.Handle(), b.Handle());
    int w = 0, h = 0;
    ClientSize(a.Handle(), w, h);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 100);

    Post(b.Handle(), msg::kUser + 2, 2);
    Post(a.Handle(), msg::kUser + 1, 1);
    EXPECT_TRUE(PumpPending());
    EXPECT_EQ(a.got, (std::vector<std::string>{"user 1025 1", "paint"}));
    EXPECT_EQ(b.got, (std::vector<std::string>{"user 1026 2", "paint"}));
    EXPECT_EQ(Dispatch({a.Handle(), msg::kUser + 9, 0, 0}), 5);
}

TEST_F(Windows, AMessageForAWindowWithoutObjectRaises) {
    WindowOptions options;
    options.procedure = vWindow_c::Procedure();
    try {
        OpenWindow(options);
        FAIL() << "no object was being created";
    } catch (const vException_c& e) {
        EXPECT_EQ(e.Code(), 0);
    }
}

TEST_F(Windows, PumpingLeavesTheQuitMessageForTheMainLoop) {
    struct Counter : vWindow_c {
        int users = 0;
        Result OnUserMessage(MessageId, std::uintptr_t, std::intptr_t) override { return ++users; }
    } w;
    w.Create();
    Post(w.Handle(), msg::kUser);
    EXPECT_TRUE(PumpOne());
    EXPECT_EQ(w.users, 1);
    Post(w.Handle(), msg::kUser);
    PostQuit(3);
    Post(w.Handle(), msg::kUser);
    EXPECT_FALSE(PumpPending());
    EXPECT_EQ(w.users, 2) << "nothing after the quit message is dispatched";
    EXPECT_FALSE(PumpOne());
    EXPECT_EQ(w.MessageLoop(), 3);
}

TEST_F(Windows, DestroyingTheObjectRemovesItsWindowWithoutPostingQuit) {
    WindowHandle handle;
    {
        vWindow_c w;
        w.Create();
        handle = w.Handle();
        EXPECT_TRUE(WindowExists(handle));
    }
    EXPECT_FALSE(WindowExists(handle));
    EXPECT_EQ(RemovePending(msg::kQuit).size(), 0u);
}

TEST_F(Windows, RunShowsAnExceptionFromCreationAsFatalAndReturnsMinusOne) {
    struct Failing : vWindow_c {
        std::vector<int> severities;
        std::string text;
        void Create() override { throw vTextException_c("no window today", 4); }
        void ShowException(const vException_c& e, int severity) override {
            severities.push_back(severity);
            text = e.Message();
        }
    } w;
    EXPECT_EQ(w.Run(), -1);
    EXPECT_EQ(w.severities, std::vector<int>{vWindow_c::kFatal});
    EXPECT_EQ(w.text, "Exception [no window today] occured with error code: 4.\n");
}

TEST_F(Windows, RunShowsAnExceptionFromTheLoopAsFatal) {
    struct Throwing : vWindow_c {
        std::vector<int> severities;
        Result OnUserMessage(MessageId, std::uintptr_t, std::intptr_t) override { throw vException_c(12); }
        Result OnMessage(MessageId id, std::uintptr_t p1, std::intptr_t p2) override {
            if (id == msg::kCreate) Post(Handle(), msg::kUser);
            return vWindow_c::OnMessage(id, p1, p2);
        }
        void ShowException(const vException_c&, int severity) override { severities.push_back(severity); }
    } w;
    EXPECT_EQ(w.Run(), -1);
    EXPECT_EQ(w.severities, std::vector<int>{vWindow_c::kFatal});
}

TEST(ShowException, CaptionsAndIconsBySeverity) {
    struct Expect {
        int severity;
        const char* caption;
        BoxIcon icon;
    };
    const Expect table[] = {
        {0, "The following informational exception occured:", BoxIcon::Information},
        {1, "The following warning exception occured:", BoxIcon::Exclamation},
        {2, "The following error exception occured:", BoxIcon::Stop},
        {4, "The following problem occured:", BoxIcon::Information},
        {5, "The following exception occured:", BoxIcon::Information},
        {-1, "The following exception occured:", BoxIcon::Information},
    };
    vWindow_c w;
    const vTextException_c e("Disk on fire", 3);
    for (const Expect& x : table) {
        BoxHook hook;
        w.ShowException(e, x.severity);
        ASSERT_EQ(hook.boxes.size(), 1u);
        EXPECT_EQ(hook.boxes[0].caption, x.caption) << "severity " << x.severity;
        EXPECT_EQ(hook.boxes[0].icon, x.icon) << "severity " << x.severity;
        EXPECT_EQ(hook.boxes[0].buttons, BoxButtons::Ok);
        EXPECT_EQ(hook.boxes[0].text, x.severity == 4 ? "Disk on fire" : e.Message());
    }
}

TEST(ShowException, TheDebugPromptAsksYesOrNoExceptForProblems) {
    vWindow_c w;
    w.SetDebugPrompt(true);
    const vException_c e(9);
    {
        BoxHook hook(BoxAnswer::No);
        w.ShowException(e, vWindow_c::kError);
        ASSERT_EQ(hook.boxes.size(), 1u);
        EXPECT_EQ(hook.boxes[0].text, "Exception occured with error code: 9.\n\nDo you whish to debug?");
        EXPECT_EQ(hook.boxes[0].buttons, BoxButtons::YesNo);
    }
    {
        BoxHook hook;
        w.ShowException(e, vWindow_c::kProblem);
        ASSERT_EQ(hook.boxes.size(), 1u);
        EXPECT_EQ(hook.boxes[0].text, "Exception occured with error code: 9.\n");
        EXPECT_EQ(hook.boxes[0].buttons, BoxButtons::Ok);
    }
}

TEST(ShowException, LongTextsAreCutAt1000Characters) {
    vWindow_c w;
    BoxHook hook;
    w.ShowException(vTextException_c(std::string(3000, 'x')), vWindow_c::kWarning);
    ASSERT_EQ(hook.boxes.size(), 1u);
    EXPECT_EQ(hook.boxes[0].text.size(), 1000u);
}

TEST(ShowExceptionDeathTest, AFatalBoxEndsTheProcessWithMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            vWindow_c w;
            w.ShowException(vTextException_c("fatal"), vWindow_c::kFatal);
        },
        testing::ExitedWithCode(255), "The following fatal exception occured:: Exception \\[fatal\\]");
}

TEST(ShowExceptionDeathTest, RunEndsTheProcessWhenCreationFails) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Failing : vWindow_c {
        void Create() override { throw vException_c(77); }
    };
    EXPECT_EXIT(
        {
            Failing w;
            w.Run();
        },
        testing::ExitedWithCode(255), "error code: 77");
}

TEST(Pointer, PushThenPopRestoresTheShape) {
    vWindow_c w;
    w.SetCursor(2);
    EXPECT_EQ(w.GetCursorIndex(), 2);
    w.PushCursor(12);
    EXPECT_EQ(w.GetCursorIndex(), 12);
    w.PushCursor(4);
    EXPECT_EQ(w.GetCursorIndex(), 4);
    w.PopCursor();
    EXPECT_EQ(w.GetCursorIndex(), 12);
    w.PopCursor();
    EXPECT_EQ(w.GetCursorIndex(), 2);
}

TEST(Pointer, PoppingAnEmptyStackRaises) {
    vWindow_c w;
    try {
        w.PopCursor();
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Cursor stack is empty!");
    }
}

TEST(Pointer, ACustomPointerCannotBeSaved) {
    vWindow_c w;
    const std::uint32_t pixels[4] = {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000};
    SetCustomPointer(pixels, 2, 2, 0, 0);
    EXPECT_EQ(w.GetCursorIndex(), vWindow_c::kCustomCursor);
    try {
        w.PushCursor(12);
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Cannot save custom cursor in stack!");
    }
    EXPECT_THROW(w.PopCursor(), vTextException_c) << "nothing was saved";
    w.SetCursor(2);
}

TEST(Pointer, AFailedPushSavesNothing) {
    vWindow_c w;
    w.SetCursor(3);
    EXPECT_THROW(w.PushCursor(13), vException_c);
    EXPECT_THROW(w.SetCursor(0), vException_c);
    EXPECT_EQ(w.GetCursorIndex(), 3);
    EXPECT_THROW(w.PopCursor(), vTextException_c);
}

namespace {

// A window opened by someone else, with its own procedure.
struct ForeignWindow {
    static MessageResult Procedure(void* context, const Message& m) {
        static_cast<ForeignWindow*>(context)->seen.push_back(m.id);
        return 42;
    }
    ForeignWindow() {
        WindowOptions options;
        options.procedure = {&Procedure, this};
        handle = OpenWindow(options);
        seen.clear();
    }
    ~ForeignWindow() { RemoveWindow(handle); }
    WindowHandle handle;
    std::vector<MessageId> seen;
};

class TakeOver : public Windows {
protected:
    void UseSetting(const char* doSubClass) {
        std::ofstream(ini) << "[Application]\n" << (doSubClass ? std::string("DoSubClass=") + doSubClass : "") << "\n";
        gSettings.SetFileName(ini.c_str());
    }
    void TearDown() override {
        gSettings.SetFileName(nullptr);
        Windows::TearDown();
    }
    // A folder of its own: ctest runs these tests in parallel processes.
    lorvano_test::TempDir dir;
    std::string ini = dir.File("takeover_test.ini");
};

struct Taker : vWindow_c {
    std::vector<MessageId> users;
    Result OnUserMessage(MessageId id, std::uintptr_t, std::intptr_t) override {
        users.push_back(id);
        return 1;
    }
};

}  // namespace

TEST_F(TakeOver, BySubclassingWhenTheSettingIsMissing) {
    UseSetting(nullptr);
    ForeignWindow foreign;
    {
        Taker t;
        t.TakeOver(foreign.handle);
        EXPECT_TRUE(t.TakenOver());
        EXPECT_EQ(t.Handle(), foreign.handle);
        EXPECT_EQ(Dispatch({foreign.handle, msg::kUser + 3, 0, 0}), 1);
        EXPECT_EQ(t.users, std::vector<MessageId>{msg::kUser + 3});
        EXPECT_EQ(Dispatch({foreign.handle, 955, 0, 0}), 42) << "unhandled messages reach the old procedure";
        EXPECT_EQ(foreign.seen, std::vector<MessageId>{955});
    }
    EXPECT_TRUE(WindowExists(foreign.handle)) << "a taken-over window is not the object's to remove";
    EXPECT_EQ(Dispatch({foreign.handle, msg::kUser + 3, 0, 0}), 42) << "the old procedure is back";
}

TEST_F(TakeOver, WithoutSubclassingTheMessagesStayWithTheOldProcedure) {
    UseSetting("FALSE");
    ForeignWindow foreign;
    Taker t;
    t.TakeOver(foreign.handle);
    EXPECT_TRUE(t.TakenOver());
    EXPECT_EQ(t.Handle(), foreign.handle);
    EXPECT_EQ(Dispatch({foreign.handle, msg::kUser + 3, 0, 0}), 42);
    EXPECT_TRUE(t.users.empty());
}

TEST_F(TakeOver, AnUnknownWindowRaises) {
    UseSetting(nullptr);
    Taker t;
    EXPECT_THROW(t.TakeOver(12345), vException_c);
    EXPECT_FALSE(t.TakenOver());
}
