#pragma once
// vWindow_c: a window of the platform layer with its handler chains, the main
// loop, the exception box and the platform pointer with its pointer stack.
//
// The window object binds itself to its platform window while the window is
// being created: Create registers the object in a global under the creation
// lock, and the first message for the new window (sent before the platform's
// OpenWindow returns) takes it from there. Every message then reaches
// OnMessage, which dispatches it to the event operations of the chains.
//
// Owns its platform window (removed by the destructor) unless the window was
// taken over from someone else, in which case the destructor hands it back.
// User-interface thread only.

#include <cstdint>
#include <string>

#include "events/cmd_target.h"
#include "platform/exception.h"
#include "platform/native_window.h"
#include "settings/setting.h"

class vWindow_c : public vCmdTarget_c {
public:
    // Whether a window taken over gets this object's procedure.
    static constexpr vBoolSetting_c kDoSubClass{"Application/DoSubClass", true};

    // Severity of an exception shown by ShowException.
    static constexpr int kInformation = 0;
    static constexpr int kWarning = 1;
    static constexpr int kError = 2;
    static constexpr int kFatal = 3;    // the process ends with -1 after the box
    static constexpr int kProblem = 4;  // the exception's short text only
    // GetCursorIndex of a pointer that is none of the twelve shapes.
    static constexpr int kCustomCursor = 14;

    vWindow_c();
    ~vWindow_c() override;

    // Stores the message as the current one, then: ids 1024..32767 go to
    // OnUserMessage; destroy to OnDestroy, after which the quit message (0)
    // is posted; paint, set-cursor, key down/up, character, command, mouse
    // move and the nine button messages to their operations; everything else
    // to chain 0 (vCmdTarget_c::OnMessage).
    Result OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override;
    // The platform's default processing; for a taken-over window the
    // procedure it had before.
    Result DefaultProcessing(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override;
    Result DefaultProcessing() override;

    // A message box with the exception's message (at most 1000 characters)
    // and a caption and icon chosen by severity (kInformation..kProblem; any
    // other value gets a generic caption). The pointer is shown meanwhile.
    // With the debug prompt on (and severity other than kProblem) the box asks
    // whether to debug; yes stops in the debugger. After a kFatal box the
    // process ends with exit code -1.
    virtual void ShowException(const vException_c& exception, int severity);
    // Prepares the window system once per process; fails with vException_c.
    virtual void RegisterWindowClass();
    // Attaches this object to a window that already exists. With
    // "Application/DoSubClass" (default true) the window's messages come to
    // this object from then on, and what it does not handle goes to the
    // window's previous procedure; without it the object only keeps the handle.
    virtual void TakeOver(platform::WindowHandle window);
    // Opens the window with the stored title, position, size and screen mode.
    virtual void Create();
    // Dispatches messages until the quit message; returns its exit code.
    virtual int MessageLoop();
    // Removes the window (which sends the destroy message).
    virtual void Destroy();
    // Create, then the message loop. A vException_c escaping either is shown
    // with kFatal and -1 is returned.
    virtual int Run();
    // Pointer index 1..12 (platform::PointerShape).
    virtual void SetCursor(int index);
    // 1..12, or kCustomCursor.
    virtual int GetCursorIndex();
    // Saves the current pointer on the stack and shows index; a custom
    // pointer cannot be saved.
    virtual void PushCursor(int index);
    // Shows the most recently saved pointer again.
    virtual void PopCursor();
    virtual void Create(int x, int y, int width, int height);

    // The procedure every window of vWindow_c has; binds on the first message.
    static platform::WindowProcedure Procedure();

    platform::WindowHandle Handle() const { return mHandle; }
    const platform::Message& CurrentMessage() const { return mMessage; }
    bool TakenOver() const { return mTakenOver; }

    // Stored for Create, and applied at once to an open window.
    void SetTitle(const std::string& title);
    const std::string& Title() const { return mSpec.title; }
    // Both take effect with the next Create.
    void SetScreenMode(platform::ScreenMode mode) { mSpec.mode = mode; }
    void SetPosition(int x, int y, int width, int height);
    platform::ScreenMode ScreenMode() const { return mSpec.mode; }

    void SetDebugPrompt(bool on) { mDebugPrompt = on; }
    bool DebugPrompt() const { return mDebugPrompt; }

private:
    static Result Deliver(void* context, const platform::Message& message);
    Result DispatchCurrent();

    platform::WindowHandle mHandle = platform::kNoWindow;
    platform::Message mMessage;
    std::string mCursorStack;  // one character per saved pointer index, most recent first
    platform::WindowOptions mSpec;
    platform::WindowProcedure mPrevious;  // of a taken-over window
    bool mTakenOver = false;
    bool mSubclassed = false;
    bool mDebugPrompt = false;
};
