#include "events/window.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/message_box.h"
#include "platform/message_queue.h"
#include "platform/pointer.h"
#include "settings/settings.h"

namespace {

// Held from registering a window object until its window's first message
// binds it. Recursive: a window may open another one while it is created.
std::recursive_mutex gCreationLock;
vWindow_c* gCreating = nullptr;

constexpr std::size_t kMaxExceptionText = 1000;

struct Caption {
    const char* text;
    platform::BoxIcon icon;
};

Caption CaptionFor(int severity) {
    using platform::BoxIcon;
    switch (severity) {
        case vWindow_c::kInformation: return {"The following informational exception occured:", BoxIcon::Information};
        case vWindow_c::kWarning: return {"The following warning exception occured:", BoxIcon::Exclamation};
        case vWindow_c::kError: return {"The following error exception occured:", BoxIcon::Stop};
        case vWindow_c::kFatal: return {"The following fatal exception occured:", BoxIcon::Stop};
        case vWindow_c::kProblem: return {"The following problem occured:", BoxIcon::Information};
        default: return {"The following exception occured:", BoxIcon::Information};
    }
}

unsigned Low(std::uintptr_t v) { return static_cast<unsigned>(v & 0xFFFF); }
unsigned High(std::uintptr_t v) { return static_cast<unsigned>((v >> 16) & 0xFFFF); }

}  // namespace

vWindow_c::vWindow_c() { mSpec.procedure = Procedure(); }

vWindow_c::~vWindow_c() {
    if (mHandle == platform::kNoWindow || !platform::WindowExists(mHandle)) return;
    if (mTakenOver) {
        if (mSubclassed) platform::ReplaceProcedure(mHandle, mPrevious);
        return;
    }
    // The object is going away: the window's last messages get default processing.
    platform::ReplaceProcedure(mHandle, {});
    platform::RemoveWindow(mHandle);
}

platform::WindowProcedure vWindow_c::Procedure() { return {&vWindow_c::Deliver, nullptr}; }

vCmdTarget_c::Result vWindow_c::Deliver(void* context, const platform::Message& message) {
    auto* self = static_cast<vWindow_c*>(context);
    if (!self) {
        if (!gCreating) throw vException_c(0);
        self = std::exchange(gCreating, nullptr);
        self->mHandle = message.window;
        platform::SetProcedureContext(message.window, self);
    }
    return self->OnMessage(message.id, message.p1, message.p2);
}

vCmdTarget_c::Result vWindow_c::OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    // A handler may cause further messages (closing sends destroy); the outer
    // one is the current message again once they are done.
    const platform::Message outer = mMessage;
    mMessage = platform::Message{mHandle, id, p1, p2};
    struct Restore {
        vWindow_c& w;
        platform::Message m;
        ~Restore() { w.mMessage = m; }
    } restore{*this, outer};
    return DispatchCurrent();
}

vCmdTarget_c::Result vWindow_c::DispatchCurrent() {
    namespace msg = platform::msg;
    const platform::MessageId id = mMessage.id;
    const std::uintptr_t p1 = mMessage.p1;
    const std::intptr_t p2 = mMessage.p2;
    const int x = platform::PointX(p2);
    const int y = platform::PointY(p2);
    const auto p2bits = static_cast<std::uintptr_t>(p2);
    if (id >= msg::kUser && id <= msg::kUserLast) return OnUserMessage(id, p1, p2);
    switch (id) {
        case msg::kDestroy: {
            const Result r = OnDestroy();
            mHandle = platform::kNoWindow;
            platform::PostQuit(0);
            return r;
        }
        case msg::kPaint: return OnPaint();
        case msg::kSetCursor: return OnSetCursor(static_cast<platform::WindowHandle>(p1), Low(p2bits), High(p2bits));
        case msg::kKeyDown: return OnKeyDown(p1, Low(p2bits), High(p2bits));
        case msg::kKeyUp: return OnKeyUp(p1, Low(p2bits), High(p2bits));
        case msg::kChar: return OnChar(p1, Low(p2bits), High(p2bits));
        case msg::kCommand: return OnCommand(Low(p1), High(p1), p2);
        case msg::kMouseMove: return OnMouseMove(x, y, p1);
        case msg::kLeftDouble: return OnLeftDouble(x, y, p1);
        case msg::kLeftDown: return OnLeftDown(x, y, p1);
        case msg::kLeftUp: return OnLeftUp(x, y, p1);
        case msg::kMiddleDouble: return OnMiddleDouble(x, y, p1);
        case msg::kMiddleDown: return OnMiddleDown(x, y, p1);
        case msg::kMiddleUp: return OnMiddleUp(x, y, p1);
        case msg::kRightDouble: return OnRightDouble(x, y, p1);
        case msg::kRightDown: return OnRightDown(x, y, p1);
        case msg::kRightUp: return OnRightUp(x, y, p1);
        default: return vCmdTarget_c::OnMessage(id, p1, p2);
    }
}

vCmdTarget_c::Result vWindow_c::DefaultProcessing(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    // The window may already be gone (destroy is the last message it gets).
    const platform::Message m{mMessage.window, id, p1, p2};
    if (mSubclassed) return platform::CallProcedure(mPrevious, m);
    return platform::DefaultProcessing(m);
}

vCmdTarget_c::Result vWindow_c::DefaultProcessing() { return DefaultProcessing(mMessage.id, mMessage.p1, mMessage.p2); }

void vWindow_c::ShowException(const vException_c& exception, int severity) {
    const Caption caption = CaptionFor(severity);
    platform::MessageBoxRecord box;
    box.caption = caption.text;
    box.icon = caption.icon;
    box.text = severity == kProblem ? exception.ShortText() : exception.Message();
    if (box.text.size() > kMaxExceptionText) box.text.resize(kMaxExceptionText);
    const bool askToDebug = mDebugPrompt && severity != kProblem;
    if (askToDebug) {
        box.text += "\nDo you whish to debug?";
        box.buttons = platform::BoxButtons::YesNo;
    }
    const bool pointerWasShown = platform::ShowPointer(true);
    const platform::BoxAnswer answer = platform::ShowMessageBox(box);
    platform::ShowPointer(pointerWasShown);
    if (askToDebug && answer == platform::BoxAnswer::Yes) std::raise(SIGTRAP);
    if (severity == kFatal) {
        // Nothing may run after a fatal error: no destructors of objects whose
        // state is unknown, only the buffered output is written.
        std::fflush(nullptr);
        std::_Exit(-1);
    }
}

void vWindow_c::RegisterWindowClass() {
    static bool registered = false;
    if (registered) return;
    platform::StartWindowSystem();
    registered = true;
}

void vWindow_c::TakeOver(platform::WindowHandle window) {
    if (!platform::WindowExists(window)) throw vException_c(0);
    mHandle = window;
    mTakenOver = true;
    mSpec.title = platform::WindowTitle(window);
    if (kDoSubClass.Read()) {
        mPrevious = platform::ReplaceProcedure(window, {&vWindow_c::Deliver, this});
        mSubclassed = true;
    }
}

void vWindow_c::Create() {
    std::lock_guard lock(gCreationLock);
    gCreating = this;
    try {
        platform::OpenWindow(mSpec);
    } catch (...) {
        gCreating = nullptr;
        throw;
    }
    gCreating = nullptr;
}

void vWindow_c::Create(int x, int y, int width, int height) {
    SetPosition(x, y, width, height);
    Create();
}

int vWindow_c::MessageLoop() {
    platform::Message m;
    while (platform::NextMessage(m)) platform::Dispatch(m);
    return static_cast<int>(static_cast<std::intptr_t>(m.p1));
}

void vWindow_c::Destroy() {
    if (mHandle != platform::kNoWindow) platform::RemoveWindow(mHandle);
    mHandle = platform::kNoWindow;
}

int vWindow_c::Run() {
    try {
        Create();
        return MessageLoop();
    } catch (const vException_c& e) {
        ShowException(e, kFatal);
        return -1;
    }
}

void vWindow_c::SetCursor(int index) {
    if (index < platform::kFirstPointerShape || index > platform::kLastPointerShape)
        throw vPrintException_c(0, "Unknown pointer index %d", index);
    platform::SetPointer(static_cast<platform::PointerShape>(index));
}

int vWindow_c::GetCursorIndex() {
    const std::optional<platform::PointerShape> shape = platform::CurrentPointer();
    return shape ? static_cast<int>(*shape) : kCustomCursor;
}

void vWindow_c::PushCursor(int index) {
    const int current = GetCursorIndex();
    if (current == kCustomCursor) throw vTextException_c("Cannot save custom cursor in stack!");
    mCursorStack.insert(mCursorStack.begin(), static_cast<char>(current));
    try {
        SetCursor(index);
    } catch (...) {
        mCursorStack.erase(0, 1);
        throw;
    }
}

void vWindow_c::PopCursor() {
    if (mCursorStack.empty()) throw vTextException_c("Cursor stack is empty!");
    SetCursor(mCursorStack.front());
    mCursorStack.erase(0, 1);
}

void vWindow_c::SetTitle(const std::string& title) {
    mSpec.title = title;
    if (mHandle != platform::kNoWindow) platform::SetWindowTitle(mHandle, title);
}

void vWindow_c::SetPosition(int x, int y, int width, int height) {
    mSpec.x = x;
    mSpec.y = y;
    mSpec.width = width;
    mSpec.height = height;
}
