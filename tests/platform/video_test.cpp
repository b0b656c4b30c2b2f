#include "platform/exception.h"
#include "platform/video.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform;

namespace {

uint32_t Pixel32(Surface& s, int x, int y) {
    uint8_t* p;
    int pitch;
    EXPECT_EQ(s.Lock(&p, &pitch), 0);
    uint32_t v;
    std::memcpy(&v, p + y * pitch + 4 * x, 4);
    s.Unlock();
    return v;
}

uint8_t Pixel8(Surface& s, int x, int y) {
    uint8_t* p;
    int pitch;
    EXPECT_EQ(s.Lock(&p, &pitch), 0);
    uint8_t v = p[y * pitch + x];
    s.Unlock();
    return v;
}

}  // namespace

TEST(Palette, ColourCubeAndRamp) {
    Palette p = MakeStandardPalette(true);
    // 10 + r + 6g + 36b with r*255/5 per component, no-collapse.
    EXPECT_EQ(p[10], (PaletteEntry{0, 0, 0, PaletteFlag::NoCollapse}));
    EXPECT_EQ(p[11], (PaletteEntry{51, 0, 0, PaletteFlag::NoCollapse}));
    EXPECT_EQ(p[10 + 2 + 6 * 3 + 36 * 4], (PaletteEntry{102, 153, 204, PaletteFlag::NoCollapse}));
    EXPECT_EQ(p[225], (PaletteEntry{255, 255, 255, PaletteFlag::NoCollapse}));
    // 226 + 7j + k: red 63+32k, green 159+32j, blue 191; the last group has six.
    EXPECT_EQ(p[226], (PaletteEntry{63, 159, 191, PaletteFlag::None}));
    EXPECT_EQ(p[232], (PaletteEntry{255, 159, 191, PaletteFlag::None}));
    EXPECT_EQ(p[233], (PaletteEntry{63, 191, 191, PaletteFlag::None}));
    EXPECT_EQ(p[240], (PaletteEntry{63, 223, 191, PaletteFlag::None}));
    EXPECT_EQ(p[245], (PaletteEntry{223, 223, 191, PaletteFlag::None}));
}

TEST(Palette, SystemColoursFullScreenAndWindowed) {
    Palette full = MakeStandardPalette(true);
    EXPECT_EQ(full[0], (PaletteEntry{0, 0, 0}));
    EXPECT_EQ(full[8], (PaletteEntry{192, 220, 192}));
    EXPECT_EQ(full[9], (PaletteEntry{166, 202, 240}));
    EXPECT_EQ(full[246], (PaletteEntry{255, 251, 240}));
    EXPECT_EQ(full[247], (PaletteEntry{160, 160, 164}));
    EXPECT_EQ(full[248], (PaletteEntry{128, 128, 128}));  // grey background
    EXPECT_EQ(full[249], (PaletteEntry{255, 0, 0}));      // overload mark
    EXPECT_EQ(full[255], (PaletteEntry{255, 255, 255}));

    Palette win = MakeStandardPalette(false);
    EXPECT_EQ(win[248], (PaletteEntry{248, 0, 0, PaletteFlag::Explicit}));
    EXPECT_EQ(win[3], (PaletteEntry{3, 0, 0, PaletteFlag::Explicit}));
    EXPECT_EQ(win[100], full[100]);
    // Explicit slots show the system colour.
    EXPECT_EQ(ResolvePaletteEntry(win, 248), (PaletteEntry{128, 128, 128}));
    EXPECT_EQ(ResolvePaletteEntry(win, 249), (PaletteEntry{255, 0, 0}));
}

TEST(Surface, DepthsAndMasks) {
    for (int bpp : {8, 15, 16, 24, 32}) {
        auto s = Surface::Create(7, 5, bpp);
        EXPECT_EQ(s->Width(), 7);
        EXPECT_EQ(s->Height(), 5);
        EXPECT_EQ(s->BitsPerPixel(), bpp);
        uint8_t* p;
        int pitch;
        ASSERT_EQ(s->Lock(&p, &pitch), 0);
        EXPECT_GE(pitch, 7 * ((bpp + 7) / 8));
        EXPECT_EQ(s->Unlock(), 0);
    }
    EXPECT_EQ(Surface::Create(2, 2, 15)->Masks().red, 0x7C00u);
    EXPECT_EQ(Surface::Create(2, 2, 16)->Masks().green, 0x07E0u);
    EXPECT_EQ(Surface::Create(2, 2, 24)->Masks().red, 0xFF0000u);
    EXPECT_EQ(Surface::Create(2, 2, 32)->Masks().blue, 0xFFu);
    EXPECT_THROW(Surface::Create(2, 2, 12), vDxException_c);
    EXPECT_THROW(Surface::Create(0, 2, 32), vDxException_c);
}

TEST(Surface, TwentyFourBitsStoreLowByteFirst) {
    auto s = Surface::Create(2, 1, 24);
    s->Fill({0, 0, 2, 1}, 0x112233);
    uint8_t* p;
    int pitch;
    ASSERT_EQ(s->Lock(&p, &pitch), 0);
    EXPECT_EQ(p[0], 0x33);
    EXPECT_EQ(p[1], 0x22);
    EXPECT_EQ(p[2], 0x11);
    s->Unlock();
}

TEST(Surface, UnlockWithoutLockFails) {
    auto s = Surface::Create(2, 2, 32);
    EXPECT_EQ(s->Unlock(), surface_result::kNotLocked);
}

TEST(Surface, FillIsClipped) {
    auto s = Surface::Create(4, 4, 32);
    s->Fill({0, 0, 4, 4}, 0);
    EXPECT_EQ(s->Fill({2, 2, 10, 10}, 0x00FF00), 0);
    EXPECT_EQ(Pixel32(*s, 3, 3), 0x00FF00u);
    EXPECT_EQ(Pixel32(*s, 1, 3), 0u);
    EXPECT_EQ(s->Fill({-5, -5, 6, 6}, 0x0000FF), 0);
    EXPECT_EQ(Pixel32(*s, 0, 0), 0x0000FFu);
    EXPECT_EQ(Pixel32(*s, 1, 1), 0u);
}

TEST(Surface, ColourKeyBlitSkipsKeyPixels) {
    auto dst = Surface::Create(3, 1, 32);
    auto src = Surface::Create(3, 1, 32);
    dst->Fill({0, 0, 3, 1}, 0x111111);
    src->Fill({0, 0, 3, 1}, 0x0000FF);
    src->Fill({1, 0, 1, 1}, 0xABCDEF);
    src->SetColorKey(0x0000FFu);
    ASSERT_EQ(dst->Blit({0, 0}, *src, {0, 0, 3, 1}), 0);
    EXPECT_EQ(Pixel32(*dst, 0, 0), 0x111111u);
    EXPECT_EQ(Pixel32(*dst, 1, 0), 0xABCDEFu);
    EXPECT_EQ(Pixel32(*dst, 2, 0), 0x111111u);
    // Without the key every pixel is copied.
    src->SetColorKey(std::nullopt);
    ASSERT_EQ(dst->Blit({0, 0}, *src, {0, 0, 3, 1}), 0);
    EXPECT_EQ(Pixel32(*dst, 0, 0), 0x0000FFu);
}

TEST(Surface, EightBitBlitKeepsIndicesAndKey) {
    auto dst = Surface::Create(2, 1, 8);
    auto src = Surface::Create(2, 1, 8);
    dst->Fill({0, 0, 2, 1}, 248);
    src->Fill({0, 0, 1, 1}, 37);
    src->Fill({1, 0, 1, 1}, 252);
    src->SetColorKey(252u);
    ASSERT_EQ(dst->Blit({0, 0}, *src, {0, 0, 2, 1}), 0);
    EXPECT_EQ(Pixel8(*dst, 0, 0), 37);
    EXPECT_EQ(Pixel8(*dst, 1, 0), 248);
}

TEST(Surface, BlitIsClippedAgainstBoth) {
    auto dst = Surface::Create(4, 4, 32);
    auto src = Surface::Create(4, 4, 32);
    dst->Fill({0, 0, 4, 4}, 0);
    src->Fill({0, 0, 4, 4}, 0x777777);
    src->Fill({0, 0, 1, 1}, 0x123456);
    // Placed at (3, 3): only the source's top-left pixel lands.
    ASSERT_EQ(dst->Blit({3, 3}, *src, {0, 0, 4, 4}), 0);
    EXPECT_EQ(Pixel32(*dst, 3, 3), 0x123456u);
    EXPECT_EQ(Pixel32(*dst, 2, 2), 0u);
    // Placed above and left: the source's bottom-right corner lands at (0, 0).
    src->Fill({3, 3, 1, 1}, 0x654321);
    ASSERT_EQ(dst->Blit({-3, -3}, *src, {0, 0, 4, 4}), 0);
    EXPECT_EQ(Pixel32(*dst, 0, 0), 0x654321u);
    EXPECT_EQ(Pixel32(*dst, 1, 1), 0u);
}

TEST(Surface, LossRefusesUntilRestored) {
    auto s = Surface::Create(2, 2, 32);
    auto other = Surface::Create(2, 2, 16);
    MarkAllSurfacesLost();
    EXPECT_TRUE(s->IsLost());
    EXPECT_TRUE(other->IsLost());
    uint8_t* p;
    int pitch;
    EXPECT_EQ(s->Lock(&p, &pitch), surface_result::kSurfaceLost);
    EXPECT_EQ(s->Fill({0, 0, 1, 1}, 1), surface_result::kSurfaceLost);
    EXPECT_FALSE(SurfaceErrorText().empty());
    EXPECT_EQ(s->Restore(), 0);
    EXPECT_EQ(s->Fill({0, 0, 1, 1}, 5), 0);
    EXPECT_EQ(Pixel32(*s, 0, 0), 5u);
    EXPECT_EQ(Pixel32(*s, 1, 1), 0u);  // cleared by the restore
    EXPECT_EQ(s->Blit({0, 0}, *other, {0, 0, 2, 2}), surface_result::kSurfaceLost);
}

TEST(Surface, LossHandlerIsCalled) {
    static int calls = 0;
    SetSurfaceLossHandler([] { ++calls; });
    ReportSurfaceLoss();
    SetSurfaceLossHandler(nullptr);
    ReportSurfaceLoss();
    EXPECT_EQ(calls, 1);
}
