// Surfaces over SDL software surfaces. Every live surface is listed so that a
// renderer reset (or the test hook) can mark all of them lost at once.
#include "platform/exception.h"
#include "platform/video.h"

#include <SDL.h>

#include <cstring>
#include <set>

namespace platform {
namespace {

std::set<Surface*>& LiveSurfaces() {
    static std::set<Surface*> surfaces;
    return surfaces;
}

thread_local std::string tLastError;
SurfaceLossHandler gLossHandler = nullptr;

int Fail(int code, const char* what) {
    tLastError = what;
    const char* sdl = SDL_GetError();
    if (sdl && *sdl) {
        tLastError += ": ";
        tLastError += sdl;
        SDL_ClearError();
    }
    return code;
}

uint32_t FormatFor(int bpp) {
    switch (bpp) {
        case 8: return SDL_PIXELFORMAT_INDEX8;
        case 15: return SDL_PIXELFORMAT_RGB555;
        case 16: return SDL_PIXELFORMAT_RGB565;
        // Bytes blue, green, red: the colour value 0xRRGGBB stored low byte first.
        case 24: return SDL_PIXELFORMAT_BGR24;
        case 32: return SDL_PIXELFORMAT_RGB888;
        default: return SDL_PIXELFORMAT_UNKNOWN;
    }
}

SDL_Rect ToSdl(const Rect& r) { return SDL_Rect{r.x, r.y, r.w, r.h}; }

constexpr PaletteEntry kSystemColors[20] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

}  // namespace

const std::string& SurfaceErrorText() { return tLastError; }

bool IsSystemColorSlot(int index) { return (index >= 0 && index < 10) || (index >= 246 && index < 256); }

PaletteEntry SystemColor(int index) { return kSystemColors[index < 10 ? index : index - 236]; }

Palette MakeStandardPalette(bool fullScreen) {
    Palette p{};
    for (int b = 0; b < 6; ++b)
        for (int g = 0; g < 6; ++g)
            for (int r = 0; r < 6; ++r)
                p[10 + r + 6 * g + 36 * b] = {static_cast<uint8_t>(r * 255 / 5), static_cast<uint8_t>(g * 255 / 5),
                                              static_cast<uint8_t>(b * 255 / 5), PaletteFlag::NoCollapse};
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < (j == 2 ? 6 : 7); ++k)
            p[226 + 7 * j + k] = {static_cast<uint8_t>(63 + 32 * k), static_cast<uint8_t>(159 + 32 * j), 191,
                                  PaletteFlag::None};
    for (int i = 0; i < 256; ++i) {
        if (!IsSystemColorSlot(i)) continue;
        if (fullScreen)
            p[i] = SystemColor(i);
        else
            p[i] = {static_cast<uint8_t>(i), 0, 0, PaletteFlag::Explicit};
    }
    return p;
}

PaletteEntry ResolvePaletteEntry(const Palette& palette, int index) {
    const PaletteEntry& e = palette[static_cast<size_t>(index & 0xFF)];
    if (e.flags == PaletteFlag::Explicit && IsSystemColorSlot(e.red)) {
        PaletteEntry c = SystemColor(e.red);
        return c;
    }
    return {e.red, e.green, e.blue, PaletteFlag::None};
}

std::unique_ptr<Surface> Surface::Create(int width, int height, int bitsPerPixel) {
    uint32_t format = FormatFor(bitsPerPixel);
    if (format == SDL_PIXELFORMAT_UNKNOWN)
        throw vDxException_c(surface_result::kInvalidPixelFormat,
                             "Unsupported surface depth: " + std::to_string(bitsPerPixel));
    if (width <= 0 || height <= 0)
        throw vDxException_c(surface_result::kInvalidParams,
                             "Invalid surface size " + std::to_string(width) + "x" + std::to_string(height));
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, width, height, SDL_BITSPERPIXEL(format), format);
    if (!s) {
        Fail(surface_result::kOutOfMemory, "Cannot create surface");
        throw vDxException_c(surface_result::kOutOfMemory, tLastError);
    }
    std::unique_ptr<Surface> surface(new Surface(s, bitsPerPixel));
    if (bitsPerPixel == 8) surface->SetPalette(MakeStandardPalette(true));
    LiveSurfaces().insert(surface.get());
    return surface;
}

Surface::~Surface() {
    LiveSurfaces().erase(this);
    if (mLocked) SDL_UnlockSurface(mSurface);
    SDL_FreeSurface(mSurface);
}

int Surface::Width() const { return mSurface->w; }
int Surface::Height() const { return mSurface->h; }

PixelMasks Surface::Masks() const {
    if (mBpp <= 8) return {};
    return {mSurface->format->Rmask, mSurface->format->Gmask, mSurface->format->Bmask};
}

int Surface::CheckUsable() const {
    if (mLost) return Fail(surface_result::kSurfaceLost, "Surface memory has been lost");
    return surface_result::kOk;
}

int Surface::Lock(uint8_t** pixels, int* pitch) {
    if (int rc = CheckUsable()) return rc;
    if (!mLocked) {
        if (SDL_LockSurface(mSurface) != 0) return Fail(surface_result::kGeneric, "Cannot lock surface");
        mLocked = true;
    }
    *pixels = static_cast<uint8_t*>(mSurface->pixels);
    *pitch = mSurface->pitch;
    return surface_result::kOk;
}

int Surface::Unlock() {
    if (!mLocked) return Fail(surface_result::kNotLocked, "Surface is not locked");
    SDL_UnlockSurface(mSurface);
    mLocked = false;
    return surface_result::kOk;
}

int Surface::Fill(const Rect& rect, uint32_t colour) {
    if (int rc = CheckUsable()) return rc;
    if (rect.Empty()) return surface_result::kOk;
    SDL_Rect r = ToSdl(rect);
    if (SDL_FillRect(mSurface, &r, colour) != 0) return Fail(surface_result::kGeneric, "Colour fill failed");
    return surface_result::kOk;
}

int Surface::Blit(Point dst, Surface& src, const Rect& srcRect) {
    if (int rc = CheckUsable()) return rc;
    if (int rc = src.CheckUsable()) return rc;
    if (srcRect.Empty()) return surface_result::kOk;
    SDL_Rect s = ToSdl(srcRect);
    SDL_Rect d{dst.x, dst.y, srcRect.w, srcRect.h};
    if (SDL_BlitSurface(src.mSurface, &s, mSurface, &d) != 0) return Fail(surface_result::kGeneric, "Blit failed");
    return surface_result::kOk;
}

void Surface::SetColorKey(std::optional<uint32_t> key) {
    mKey = key;
    SDL_SetColorKey(mSurface, key ? SDL_TRUE : SDL_FALSE, key.value_or(0));
}

int Surface::SetPalette(const Palette& palette) {
    if (mBpp > 8) return Fail(surface_result::kInvalidPixelFormat, "Surface has no palette");
    SDL_Color colors[256];
    for (int i = 0; i < 256; ++i) {
        PaletteEntry c = ResolvePaletteEntry(palette, i);
        colors[i] = SDL_Color{c.red, c.green, c.blue, 255};
    }
    if (SDL_SetPaletteColors(mSurface->format->palette, colors, 0, 256) != 0)
        return Fail(surface_result::kGeneric, "Cannot set palette");
    mPalette = palette;
    return surface_result::kOk;
}

int Surface::GetPalette(Palette* palette) const {
    if (mBpp > 8) return Fail(surface_result::kInvalidPixelFormat, "Surface has no palette");
    *palette = mPalette;
    return surface_result::kOk;
}

int Surface::Restore() {
    if (!mLost) return surface_result::kOk;
    mLost = false;
    SDL_FillRect(mSurface, nullptr, 0);
    return surface_result::kOk;
}

void Surface::MarkLost() {
    // Scramble the pixels so that nothing relies on contents surviving a loss.
    if (!mLocked && SDL_LockSurface(mSurface) == 0) {
        std::memset(mSurface->pixels, 0xA5, static_cast<size_t>(mSurface->pitch) * mSurface->h);
        SDL_UnlockSurface(mSurface);
    }
    mLost = true;
}

void MarkAllSurfacesLost() {
    for (Surface* s : LiveSurfaces()) s->MarkLost();
}

void SetSurfaceLossHandler(SurfaceLossHandler handler) { gLossHandler = handler; }

void ReportSurfaceLoss() {
    if (gLossHandler) gLossHandler();
}

}  // namespace platform
