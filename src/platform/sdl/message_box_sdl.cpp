#include "platform/message_box.h"

#include <SDL.h>

#include "platform/sdl/sdl_internal.h"

#include <cstdio>

namespace platform {
namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

const char* IconName(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Exclamation: return "warning";
        case BoxIcon::Stop: return "error";
        case BoxIcon::Information: break;
    }
    return "information";
}

BoxAnswer Headless(const MessageBoxRecord& box) {
    std::fprintf(stderr, "[%s] %s: %s\n", IconName(box.icon), box.caption.c_str(), box.text.c_str());
    return box.buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
}

Uint32 SdlFlags(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Exclamation: return SDL_MESSAGEBOX_WARNING;
        case BoxIcon::Stop: return SDL_MESSAGEBOX_ERROR;
        case BoxIcon::Information: break;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

BoxAnswer ShowMessageBox(const MessageBoxRecord& box) {
    if (Hook()) return Hook()(box);
    // A real box needs a display SDL can reach.
    if (!sdl::HaveDisplay()) return Headless(box);

    SDL_MessageBoxButtonData ok{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                                static_cast<int>(BoxAnswer::Ok), "OK"};
    SDL_MessageBoxButtonData yesNo[2] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, static_cast<int>(BoxAnswer::Yes), "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, static_cast<int>(BoxAnswer::No), "No"},
    };
    SDL_MessageBoxData data{};
    data.flags = SdlFlags(box.icon);
    data.title = box.caption.c_str();
    data.message = box.text.c_str();
    if (box.buttons == BoxButtons::YesNo) {
        data.numbuttons = 2;
        data.buttons = yesNo;
    } else {
        data.numbuttons = 1;
        data.buttons = &ok;
    }
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0 || pressed < 0) return Headless(box);
    return static_cast<BoxAnswer>(pressed);
}

}  // namespace platform
