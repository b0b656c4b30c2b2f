#include "platform/display_modes.h"

#include <SDL.h>

namespace platform {

std::optional<std::vector<DisplayMode>> ListDisplayModes() {
    // Counted by SDL: a program that runs video already keeps it running.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return std::nullopt;
    std::optional<std::vector<DisplayMode>> modes;
    const int count = SDL_GetNumDisplayModes(0);
    if (count >= 0) {
        modes.emplace();
        for (int i = 0; i < count; ++i) {
            SDL_DisplayMode m;
            if (SDL_GetDisplayMode(0, i, &m) == 0)
                modes->push_back({m.w, m.h, static_cast<int>(SDL_BITSPERPIXEL(m.format))});
        }
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return modes;
}

}  // namespace platform
