#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/exception.h"
#include "platform/sdl/sdl_internal.h"

namespace platform::sdl {
namespace {
std::atomic<Uint32> gWakeType{0};
}

bool HaveDisplay() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) return false;
    const char* x = std::getenv("DISPLAY");
    const char* wl = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wl && *wl);
}

void StartVideo() {
    if (VideoStarted()) return;
    // Ctrl+C and kill keep their usual meaning instead of becoming SDL quit events.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The program decides itself when it ends (close -> destroy -> quit).
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Without a display the software renderer draws straight into the
    // window's memory instead of going through a graphics driver.
    if (!HaveDisplay()) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // An X server that has just been started, or is busy accepting other
    // clients, now and then refuses a connection it accepts a moment later;
    // on a loaded machine that moment can last a second or two.
    int attempts = HaveDisplay() ? 5 : 1;
    for (Uint32 pause = 200; SDL_InitSubSystem(SDL_INIT_VIDEO) != 0; pause *= 2)
        if (--attempts > 0)
            SDL_Delay(pause);
        else
            throw vTextException_c(std::string("Cannot start the display: ") + SDL_GetError());
    const Uint32 type = SDL_RegisterEvents(1);
    if (type == static_cast<Uint32>(-1)) throw vTextException_c("Cannot register the wake-up event");
    gWakeType = type;
}

bool VideoStarted() { return gWakeType.load() != 0; }

Uint32 WakeEventType() { return gWakeType.load(); }

}  // namespace platform::sdl
