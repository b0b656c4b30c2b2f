#include "platform/pointer.h"

#include <SDL.h>

#include <array>
#include <vector>

#include "platform/exception.h"
#include "platform/sdl/sdl_internal.h"

namespace platform {
namespace {

// 16 x 16 up-arrow (SDL has no such system pointer): 'X' black, '.' white.
constexpr const char* kUpArrow[16] = {
    "       X        ", "      X.X       ", "     X...X      ", "    X.....X     ",
    "   X.......X    ", "  X.........X   ", " XXXXX...XXXXX  ", "     X...X      ",
    "     X...X      ", "     X...X      ", "     X...X      ", "     X...X      ",
    "     X...X      ", "     X...X      ", "     XXXXX      ", "                ",
};

struct PointerState {
    std::array<SDL_Cursor*, kLastPointerShape + 1> made{};  // by shape number
    SDL_Cursor* custom = nullptr;
    // What was selected last; without a display this is all there is.
    std::optional<PointerShape> selected = PointerShape::Arrow;
    bool shown = true;
};

PointerState& State() {
    static PointerState state;
    return state;
}

// Cursors need a display; without one only the selection is kept.
bool CanShowPointers() { return sdl::VideoStarted() && sdl::HaveDisplay(); }

SDL_Cursor* MakeUpArrow() {
    Uint8 data[32] = {};
    Uint8 mask[32] = {};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int bit = 0x80 >> (x % 8);
            const int at = y * 2 + x / 8;
            if (kUpArrow[y][x] == 'X') { data[at] |= bit; mask[at] |= bit; }
            if (kUpArrow[y][x] == '.') mask[at] |= bit;
        }
    return SDL_CreateCursor(data, mask, 16, 16, 7, 0);
}

SDL_Cursor* Make(PointerShape shape) {
    switch (shape) {
        case PointerShape::AppStarting: return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAITARROW);
        case PointerShape::Arrow: return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
        case PointerShape::Cross: return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_CROSSHAIR);
        case PointerShape::TextBeam: return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_IBEAM);
        case PointerShape::No: return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_NO);
        case PointerShape::SizeAll: return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZEALL);
        case PointerShape::SizeNeSw: return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZENESW);
        case PointerShape::SizeNs: return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZENS);
        case PointerShape::SizeNwSe: return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZENWSE);
        case PointerShape::SizeWe: return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZEWE);
        case PointerShape::UpArrow: return MakeUpArrow();
        case PointerShape::Wait: return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
    }
    return nullptr;
}

[[noreturn]] void Fail(const char* what) {
    throw vTextException_c(std::string(what) + ": " + SDL_GetError());
}

}  // namespace

void SetPointer(PointerShape shape) {
    PointerState& s = State();
    const int index = static_cast<int>(shape);
    if (index < kFirstPointerShape || index > kLastPointerShape) throw vTextException_c("Unknown pointer shape");
    if (CanShowPointers()) {
        if (!s.made[index] && !(s.made[index] = Make(shape))) Fail("Cannot load pointer");
        SDL_SetCursor(s.made[index]);
    }
    s.selected = shape;
}

void SetCustomPointer(const std::uint32_t* argb, int width, int height, int hotX, int hotY) {
    PointerState& s = State();
    if (CanShowPointers()) {
        std::vector<std::uint32_t> pixels(argb, argb + static_cast<size_t>(width) * height);
        SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), width, height, 32, width * 4,
                                                                  SDL_PIXELFORMAT_ARGB8888);
        if (!picture) Fail("Cannot make pointer picture");
        SDL_Cursor* made = SDL_CreateColorCursor(picture, hotX, hotY);
        SDL_FreeSurface(picture);
        if (!made) Fail("Cannot make pointer");
        SDL_SetCursor(made);
        if (s.custom) SDL_FreeCursor(s.custom);
        s.custom = made;
    }
    s.selected.reset();
}

std::optional<PointerShape> CurrentPointer() {
    PointerState& s = State();
    if (!CanShowPointers()) return s.selected;
    // Someone else (the display layer) may have changed SDL's pointer.
    SDL_Cursor* shown = SDL_GetCursor();
    for (int i = kFirstPointerShape; i <= kLastPointerShape; ++i)
        if (s.made[i] && s.made[i] == shown) return static_cast<PointerShape>(i);
    if (shown == SDL_GetDefaultCursor() && s.selected == PointerShape::Arrow) return PointerShape::Arrow;
    return std::nullopt;
}

bool ShowPointer(bool show) {
    PointerState& s = State();
    const bool before = s.shown;
    s.shown = show;
    if (CanShowPointers()) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
    return before;
}

}  // namespace platform
