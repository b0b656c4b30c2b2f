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

std::string WrapForBox(const std::string& text, size_t width) {
    std::string out;
    size_t lastBlank = std::string::npos;  // in out, on the current line
    size_t length = 0;                      // characters on the current line
    for (char c : text) {
        if (c == '\n') {
            out += c;
            lastBlank = std::string::npos;
            length = 0;
            continue;
        }
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++length;  // not a continuation byte
        if (c == ' ') lastBlank = out.size();
        out += c;
        if (length > width && lastBlank != std::string::npos) {
            out[lastBlank] = '\n';
            length = 0;
            for (size_t i = lastBlank + 1; i < out.size(); ++i)
                if ((static_cast<unsigned char>(out[i]) & 0xC0) != 0x80) ++length;
            lastBlank = std::string::npos;
        }
    }
    return out;
}

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
    const std::string message = WrapForBox(box.text);
    data.message = message.c_str();
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
