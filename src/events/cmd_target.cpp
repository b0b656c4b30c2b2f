#include "events/cmd_target.h"

vCmdTarget_c::vCmdTarget_c() : vListItemArray_c(kChainCount) {}

vCmdTarget_c::~vCmdTarget_c() = default;

vCmdTarget_c* vCmdTarget_c::NextInChain(Chain chain) const {
    return static_cast<vCmdTarget_c*>(Next(static_cast<int>(chain)));
}

vCmdTarget_c* vCmdTarget_c::ChainHead(Chain chain) const {
    const vListItemArray_c* item = this;
    while (vListItemArray_c* prev = item->Prev(static_cast<int>(chain))) item = prev;
    return const_cast<vCmdTarget_c*>(static_cast<const vCmdTarget_c*>(item));
}

void vCmdTarget_c::JoinChain(Chain chain, vCmdTarget_c& window) { InsertAfter(static_cast<int>(chain), window); }

void vCmdTarget_c::LeaveChain(Chain chain) { Unlink(static_cast<int>(chain)); }

template <class... Args>
vCmdTarget_c::Result vCmdTarget_c::PassOn(Chain chain, Result (vCmdTarget_c::*operation)(Args...), Args... args) {
    if (vCmdTarget_c* next = NextInChain(chain)) return (next->*operation)(args...);
    return ChainHead(chain)->DefaultProcessing();
}

vCmdTarget_c::Result vCmdTarget_c::DefaultProcessing(platform::MessageId, std::uintptr_t, std::intptr_t) { return 0; }
vCmdTarget_c::Result vCmdTarget_c::DefaultProcessing() { return 0; }

vCmdTarget_c::Result vCmdTarget_c::OnSetCursor(platform::WindowHandle window, unsigned hitTest,
                                               platform::MessageId mouseMessage) {
    return PassOn(Chain::SetCursor, &vCmdTarget_c::OnSetCursor, window, hitTest, mouseMessage);
}
vCmdTarget_c::Result vCmdTarget_c::OnPaint() { return PassOn(Chain::Paint, &vCmdTarget_c::OnPaint); }
vCmdTarget_c::Result vCmdTarget_c::OnKeyDown(std::uintptr_t key, unsigned repeat, unsigned flags) {
    return PassOn(Chain::KeyDown, &vCmdTarget_c::OnKeyDown, key, repeat, flags);
}
vCmdTarget_c::Result vCmdTarget_c::OnKeyUp(std::uintptr_t key, unsigned repeat, unsigned flags) {
    return PassOn(Chain::KeyUp, &vCmdTarget_c::OnKeyUp, key, repeat, flags);
}
vCmdTarget_c::Result vCmdTarget_c::OnChar(std::uintptr_t character, unsigned repeat, unsigned flags) {
    return PassOn(Chain::Char, &vCmdTarget_c::OnChar, character, repeat, flags);
}

#define LORVANO_MOUSE_OPERATION(Name)                                                       \
    vCmdTarget_c::Result vCmdTarget_c::On##Name(int x, int y, std::uintptr_t keyFlags) {   \
        return PassOn(Chain::Name, &vCmdTarget_c::On##Name, x, y, keyFlags);               \
    }
LORVANO_MOUSE_OPERATION(MouseMove)
LORVANO_MOUSE_OPERATION(LeftDouble)
LORVANO_MOUSE_OPERATION(LeftDown)
LORVANO_MOUSE_OPERATION(LeftUp)
LORVANO_MOUSE_OPERATION(MiddleDouble)
LORVANO_MOUSE_OPERATION(MiddleDown)
LORVANO_MOUSE_OPERATION(MiddleUp)
LORVANO_MOUSE_OPERATION(RightDouble)
LORVANO_MOUSE_OPERATION(RightDown)
LORVANO_MOUSE_OPERATION(RightUp)
#undef LORVANO_MOUSE_OPERATION

vCmdTarget_c::Result vCmdTarget_c::OnCommand(unsigned id, unsigned notification, std::intptr_t control) {
    return PassOn(Chain::Command, &vCmdTarget_c::OnCommand, id, notification, control);
}
vCmdTarget_c::Result vCmdTarget_c::OnDestroy() { return PassOn(Chain::Destroy, &vCmdTarget_c::OnDestroy); }
vCmdTarget_c::Result vCmdTarget_c::OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    return PassOn(Chain::Message, &vCmdTarget_c::OnMessage, id, p1, p2);
}
vCmdTarget_c::Result vCmdTarget_c::OnUserMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    return PassOn(Chain::UserMessage, &vCmdTarget_c::OnUserMessage, id, p1, p2);
}
