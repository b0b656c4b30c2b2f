#pragma once
// Event targets. Everything that reacts to the user or to a device (menus,
// buttons, exercises, capture and playback) is a vCmdTarget_c hung into the
// handler chains of the window that receives the messages. There is one chain
// per event operation; the window heads every chain, and an object joins a
// chain by being inserted directly after the window, so the most recently
// joined object is asked first. An operation that an object does not handle
// itself (the implementations here) passes the event to the next object of
// the same chain; after the last one the window's default processing of the
// current message runs.
//
// Every operation returns the message's result. User-interface thread only.

#include <cstdint>

#include "events/list_item_array.h"
#include "platform/message.h"
#include "platform/native_window.h"

// The chains, one per event operation, numbered as the lists of vListItemArray_c.
enum class Chain : int {
    Message = 0,   // OnMessage: any message without a chain of its own
    SetCursor,
    Paint,
    KeyDown,
    KeyUp,
    Command,
    Destroy,
    UserMessage,   // OnUserMessage: ids 1024..32767
    MouseMove,
    LeftDouble,
    LeftDown,
    LeftUp,
    MiddleDouble,
    MiddleDown,
    MiddleUp,
    RightDouble,
    RightDown,
    RightUp,
    Char,
};
inline constexpr int kChainCount = 19;

class vCmdTarget_c : public vListItemArray_c {
public:
    using Result = platform::MessageResult;

    vCmdTarget_c();
    ~vCmdTarget_c() override;

    // Default processing of an explicit message, and of the message being
    // handled. A window sends them to the platform; a bare event target has
    // none and gives 0.
    virtual Result DefaultProcessing(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2);
    virtual Result DefaultProcessing();

    // hitTest and mouseMessage come from the set-cursor message's second parameter.
    virtual Result OnSetCursor(platform::WindowHandle window, unsigned hitTest, platform::MessageId mouseMessage);
    virtual Result OnPaint();
    // flags are the high half of the key message's second parameter (platform::KeyState).
    virtual Result OnKeyDown(std::uintptr_t key, unsigned repeat, unsigned flags);
    virtual Result OnKeyUp(std::uintptr_t key, unsigned repeat, unsigned flags);
    virtual Result OnChar(std::uintptr_t character, unsigned repeat, unsigned flags);
    // x and y in client pixels; keyFlags are platform::KeyFlag bits.
    virtual Result OnMouseMove(int x, int y, std::uintptr_t keyFlags);
    virtual Result OnLeftDouble(int x, int y, std::uintptr_t keyFlags);
    virtual Result OnLeftDown(int x, int y, std::uintptr_t keyFlags);
    virtual Result OnLeftUp(int x, int y, std::uintptr_t keyFlags);
    virtual Result OnMiddleDouble(int x, int y, std::uintptr_t keyFlags);
    virtual Result OnMiddleDown(int x, int y, std::uintptr_t keyFlags);
    virtual Result OnMiddleUp(int x, int y, std::uintptr_t keyFlags);
    virtual Result OnRightDouble(int x, int y, std::uintptr_t keyFlags);
    virtual Result OnRightDown(int x, int y, std::uintptr_t keyFlags);
    virtual Result OnRightUp(int x, int y, std::uintptr_t keyFlags);
    virtual Result OnCommand(unsigned id, unsigned notification, std::intptr_t control);
    virtual Result OnDestroy();
    virtual Result OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2);
    virtual Result OnUserMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2);

    // Joins the chain of the window (or other head) directly after it, so
    // that this object is asked before everything that joined earlier.
    void JoinChain(Chain chain, vCmdTarget_c& window);
    void LeaveChain(Chain chain);
    bool InChain(Chain chain) const { return IsLinked(static_cast<int>(chain)); }
    vCmdTarget_c* NextInChain(Chain chain) const;

protected:
    // The first object of the chain this object is in (itself when it heads
    // it or is in no chain).
    vCmdTarget_c* ChainHead(Chain chain) const;

private:
    template <class... Args>
    Result PassOn(Chain chain, Result (vCmdTarget_c::*operation)(Args...), Args... args);
};
