#pragma once
// Off-screen drawing surfaces: the one place the display layer touches the
// 2-D library. A surface owns its pixels (system memory), its palette at 8
// bits or fewer and its source colour key. Operations report the surface
// layer's result codes instead of throwing so that the caller can apply its
// lost-surface rule (restore everything, try once more) before raising.
//
// Surfaces can be "lost" like video memory on a mode switch: the renderer's
// texture reset marks them, and a test hook simulates it. A lost surface
// refuses every operation with kSurfaceLost until Restore() is called; its
// pixels are undefined after the restore.
//
// User-interface thread only.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct SDL_Surface;

namespace platform {

// Result codes of the surface layer. They keep the values the drawing layer's
// callers and logs have always used.
namespace surface_result {
inline constexpr int kOk = 0;
inline constexpr int kGeneric = static_cast<int>(0x80004005u);
inline constexpr int kOutOfMemory = static_cast<int>(0x8007000Eu);
inline constexpr int kInvalidParams = static_cast<int>(0x80070057u);
inline constexpr int kInvalidPixelFormat = static_cast<int>(0x88760091u);
inline constexpr int kSurfaceLost = static_cast<int>(0x887601C2u);
inline constexpr int kNotLocked = static_cast<int>(0x887601E0u);
inline constexpr int kStillDrawing = static_cast<int>(0x8876021Cu);
}  // namespace surface_result

// The library's description of the last failing surface call of this thread.
const std::string& SurfaceErrorText();

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool Empty() const { return w <= 0 || h <= 0; }
};

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

// A palette entry as the drawing layer keeps it. Flags are those of the
// 8-bit palette: an explicit entry names a system-palette slot in `red`.
enum class PaletteFlag : uint8_t { None = 0, Explicit = 0x02, NoCollapse = 0x04 };

struct PaletteEntry {
    uint8_t red = 0, green = 0, blue = 0;
    PaletteFlag flags = PaletteFlag::None;
    bool operator==(const PaletteEntry&) const = default;
};
using Palette = std::array<PaletteEntry, 256>;

// The twenty fixed colours of slots 0-9 and 246-255.
bool IsSystemColorSlot(int index);
PaletteEntry SystemColor(int index);  // index must be a system slot

// The 8-bit palette: colour cube 10-225, the blue-grey ramp 226-245 and the
// system colours. Windowed, the system slots are explicit references.
Palette MakeStandardPalette(bool fullScreen);

// The colour an entry shows (explicit entries resolved through the system colours).
PaletteEntry ResolvePaletteEntry(const Palette& palette, int index);

struct PixelMasks {
    uint32_t red = 0, green = 0, blue = 0;
};

class Surface {
public:
    // Depths 8, 15, 16, 24 and 32. A failure throws vDxException_c.
    static std::unique_ptr<Surface> Create(int width, int height, int bitsPerPixel);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int Width() const;
    int Height() const;
    int BitsPerPixel() const { return mBpp; }
    // Empty at 8 bits.
    PixelMasks Masks() const;

    // Locks the whole surface; *pitch is the row length in bytes.
    int Lock(uint8_t** pixels, int* pitch);
    int Unlock();
    bool IsLocked() const { return mLocked; }

    // Colour fill clipped to the surface, colour in the surface's format.
    int Fill(const Rect& rect, uint32_t colour);
    // Copies src's rectangle to (dst.x, dst.y), clipped against both
    // surfaces, using src's colour key when it has one.
    int Blit(Point dst, Surface& src, const Rect& srcRect);

    // The source colour key in the surface's format; nullopt clears it.
    void SetColorKey(std::optional<uint32_t> key);
    std::optional<uint32_t> ColorKey() const { return mKey; }

    // 8 bits only.
    int SetPalette(const Palette& palette);
    int GetPalette(Palette* palette) const;

    bool IsLost() const { return mLost; }
    // Gives the surface back its memory; the contents are cleared.
    int Restore();
    void MarkLost();

    // For the other parts of the platform layer (presenter, text).
    SDL_Surface* Native() { return mSurface; }

private:
    Surface(SDL_Surface* surface, int bpp) : mSurface(surface), mBpp(bpp) {}
    int CheckUsable() const;

    SDL_Surface* mSurface;
    int mBpp;
    bool mLocked = false;
    bool mLost = false;
    std::optional<uint32_t> mKey;
    Palette mPalette{};
};

// Marks every live surface lost, as a mode switch does with video memory.
void MarkAllSurfacesLost();

// Called when the platform learns that surfaces or the textures showing them
// were lost (renderer reset); the display layer installs its restore passes.
using SurfaceLossHandler = void (*)();
void SetSurfaceLossHandler(SurfaceLossHandler handler);
void ReportSurfaceLoss();

}  // namespace platform
