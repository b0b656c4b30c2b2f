// Turns SDL's input and window events into the messages of message.h.

#include <SDL.h>

#include "platform/native_window.h"
#include "platform/sdl/sdl_internal.h"

namespace platform::sdl {
namespace {

// Buttons held, as the mouse messages report them; kept from the button
// events themselves so that a button-down message already has its button set
// and a button-up message no longer has it.
std::uintptr_t gButtons = 0;

std::uintptr_t Bit(KeyFlag flag) { return static_cast<std::uintptr_t>(flag); }

std::uintptr_t MouseFlags() {
    std::uintptr_t flags = gButtons;
    const SDL_Keymod mods = SDL_GetModState();
    if (mods & KMOD_SHIFT) flags |= Bit(KeyFlag::Shift);
    if (mods & KMOD_CTRL) flags |= Bit(KeyFlag::Control);
    return flags;
}

// 0 for keys that have no code of their own (their characters still arrive
// as character messages).
std::uintptr_t KeyCode(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    if (k >= SDLK_F1 && k <= SDLK_F12) return key::kF1 + (k - SDLK_F1);
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return 0x61 + (k - SDLK_KP_1);  // numeric pad 1..9
    switch (k) {
        case SDLK_KP_0: return 0x60;
        case SDLK_BACKSPACE: return key::kBack;
        case SDLK_TAB: return key::kTab;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return key::kReturn;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return key::kShift;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return key::kControl;
        case SDLK_LALT:
        case SDLK_RALT: return key::kAlt;
        case SDLK_PAUSE: return key::kPause;
        case SDLK_ESCAPE: return key::kEscape;
        case SDLK_SPACE: return key::kSpace;
        case SDLK_PAGEUP: return key::kPageUp;
        case SDLK_PAGEDOWN: return key::kPageDown;
        case SDLK_END: return key::kEnd;
        case SDLK_HOME: return key::kHome;
        case SDLK_LEFT: return key::kLeft;
        case SDLK_UP: return key::kUp;
        case SDLK_RIGHT: return key::kRight;
        case SDLK_DOWN: return key::kDown;
        case SDLK_INSERT: return key::kInsert;
        case SDLK_DELETE: return key::kDelete;
        default: return 0;
    }
}

// Keys whose characters SDL's text input does not report.
bool IsControlCharacter(std::uintptr_t code) {
    return code == key::kBack || code == key::kTab || code == key::kReturn || code == key::kEscape;
}

void Mouse(std::vector<Message>& out, WindowHandle w, MessageId id, int x, int y) {
    out.push_back(Message{w, msg::kSetCursor, w, static_cast<std::intptr_t>(1 | (id << 16))});
    out.push_back(Message{w, id, MouseFlags(), PackPoint(x, y)});
}

void Button(std::vector<Message>& out, const SDL_MouseButtonEvent& e) {
    MessageId down, up, twice;
    KeyFlag flag;
    switch (e.button) {
        case SDL_BUTTON_LEFT: down = msg::kLeftDown, up = msg::kLeftUp, twice = msg::kLeftDouble, flag = KeyFlag::LeftButton; break;
        case SDL_BUTTON_RIGHT: down = msg::kRightDown, up = msg::kRightUp, twice = msg::kRightDouble, flag = KeyFlag::RightButton; break;
        case SDL_BUTTON_MIDDLE: down = msg::kMiddleDown, up = msg::kMiddleUp, twice = msg::kMiddleDouble, flag = KeyFlag::MiddleButton; break;
        default: return;
    }
    if (e.state == SDL_PRESSED) {
        gButtons |= Bit(flag);
        const bool doubled = e.clicks >= 2 && e.clicks % 2 == 0 && WantsDoubleClicks(e.windowID);
        Mouse(out, e.windowID, doubled ? twice : down, e.x, e.y);
    } else {
        gButtons &= ~Bit(flag);
        out.push_back(Message{e.windowID, up, MouseFlags(), PackPoint(e.x, e.y)});
    }
}

void Key(std::vector<Message>& out, const SDL_KeyboardEvent& e) {
    const std::uintptr_t code = KeyCode(e.keysym.sym);
    const WindowHandle w = e.windowID;
    if (e.state == SDL_PRESSED) {
        // Alt+F4 closes the window, as the desktop's own windows do.
        if (code == key::kF1 + 3 && (e.keysym.mod & KMOD_ALT)) {
            if (!e.repeat) out.push_back(Message{w, msg::kClose, 0, 0});
            return;
        }
        if (code == 0) return;
        const std::intptr_t state = e.repeat ? static_cast<std::intptr_t>(KeyState::WasDown) : 0;
        out.push_back(Message{w, msg::kKeyDown, code, 1 | (state << 16)});
        if (IsControlCharacter(code)) out.push_back(Message{w, msg::kChar, code, 1});
        if (code == key::kF1 && !e.repeat) out.push_back(Message{w, msg::kHelp, 0, 0});
    } else if (code != 0) {
        const std::intptr_t state = static_cast<std::intptr_t>(KeyState::WasDown) | static_cast<std::intptr_t>(KeyState::Releasing);
        out.push_back(Message{w, msg::kKeyUp, code, 1 | (state << 16)});
    }
}

// One character message per code point of SDL's UTF-8 text.
void Text(std::vector<Message>& out, const SDL_TextInputEvent& e) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(e.text);
    while (*s) {
        std::uint32_t cp = *s;
        int more = cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : 0;
        if (more) cp &= 0x3F >> more;
        ++s;
        for (; more > 0 && (*s & 0xC0) == 0x80; --more, ++s) cp = (cp << 6) | (*s & 0x3F);
        if (more == 0) out.push_back(Message{e.windowID, msg::kChar, cp, 1});
    }
}

}  // namespace

void Translate(const SDL_Event& event, std::vector<Message>& out) {
    switch (event.type) {
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE: out.push_back(Message{event.window.windowID, msg::kClose, 0, 0}); break;
                case SDL_WINDOWEVENT_EXPOSED:
                case SDL_WINDOWEVENT_SIZE_CHANGED: RequestPaint(event.window.windowID); break;
                default: break;
            }
            break;
        case SDL_MOUSEMOTION:
            Mouse(out, event.motion.windowID, msg::kMouseMove, event.motion.x, event.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: Button(out, event.button); break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: Key(out, event.key); break;
        case SDL_TEXTINPUT: Text(out, event.text); break;
        default: break;
    }
}

}  // namespace platform::sdl
