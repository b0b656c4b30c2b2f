#include "display/dx_dc.h"
#include "display/dx_simple_image.h"
#include "display/dx_surface_registry.h"
#include "platform/exception.h"

#include "../support/bmp_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using testing_bmp::Rgb;

namespace {

std::string Message(const std::function<void()>& f) {
    try {
        f();
    } catch (const vException_c& e) {
        return e.Message();
    }
    return {};
}

std::string TempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    auto dir = std::filesystem::temp_directory_path() / "lorvano_display_tests";
    std::filesystem::create_directories(dir);
    auto path = (dir / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

std::string Fixture(const std::string& name) { return std::string(LORVANO_SOURCE_DIR) + "/tests/data/pictures/" + name; }

uint32_t PixelAt(vDxImage_i& image, int x, int y) { return image.CreateDC()->GetPixel(x, y); }

// Screen info for one test, put back afterwards.
struct ScreenAt {
    ScreenAt(int defX, int defY, int actX, int actY, int bpp = 32, bool full = true) {
        vDxScreenInfo s;
        s.exists = true;
        s.bpp = bpp;
        s.fullScreen = full;
        s.defaultResX = defX;
        s.defaultResY = defY;
        s.actualResX = actX;
        s.actualResY = actY;
        SetDxScreenInfo(s);
    }
    ~ScreenAt() { SetDxScreenInfo({}); }
};

}  // namespace

TEST(MakeColor, PerDepth) {
    vDxSimpleImage_c i8, i15, i16, i24, i32;
    i8.Create(2, 2, 8);
    i15.Create(2, 2, 15);
    i16.Create(2, 2, 16);
    i24.Create(2, 2, 24);
    i32.Create(2, 2, 32);
    // 8 bits: 10 + (r*6>>8) + 6*(g*6>>8) + 36*(b*6>>8).
    EXPECT_EQ(i8.MakeColor(0, 0, 0), 10u);
    EXPECT_EQ(i8.MakeColor(255, 255, 255), 225u);
    EXPECT_EQ(i8.MakeColor(128, 64, 200), 10u + 3 + 6 * 1 + 36 * 4);
    EXPECT_EQ(i16.MakeColor(255, 0, 0), 0xF800u);
    EXPECT_EQ(i16.MakeColor(0, 255, 0), 0x07E0u);
    EXPECT_EQ(i16.MakeColor(0x84, 0x82, 0x08), (0x84u >> 3) << 11 | (0x82u >> 2) << 5 | 0x08u >> 3);
    EXPECT_EQ(i15.MakeColor(0, 255, 0), 0x03E0u);
    EXPECT_EQ(i24.MakeColor(0x12, 0x34, 0x56), 0x123456u);
    EXPECT_EQ(i32.MakeColor(0xAB, 0xCD, 0xEF), 0xABCDEFu);
}

TEST(MakeColor, FromPaletteIndex) {
    vDxSimpleImage_c i8, i32;
    i8.Create(2, 2, 8);
    i32.Create(2, 2, 32);
    EXPECT_EQ(i32.MakeColor(248), 0x808080u);
    EXPECT_EQ(i32.MakeColor(249), 0xFF0000u);
    EXPECT_EQ(i32.MakeColor(10 + 5), 0xFF0000u);  // cube red 5
    // At 8 bits the entry's colour goes through the triple form again.
    EXPECT_EQ(i8.MakeColor(225), 225u);
    EXPECT_EQ(i8.MakeColor(248), 10u + 3 + 6 * 3 + 36 * 3);
}

TEST(Image, SurfaceBasics) {
    vDxSimpleImage_c image;
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetHeight(), 0);
    EXPECT_THROW(image.GetPitch(), vException_c);
    EXPECT_THROW(image.Lock(), vDxException_c);
    image.Create(5, 3, 16);
    EXPECT_EQ(image.GetWidth(), 5);
    EXPECT_EQ(image.GetBPP(), 16);
    image.Lock();
    EXPECT_GE(image.GetPitch(), 10);
    image.Unlock();
    EXPECT_THROW(image.GetPitch(), vException_c);
    // The screen's depth is needed for -1.
    EXPECT_NE(Message([&] { image.Create(2, 2, -1); }).find("Unable to retrive DDraw object"), std::string::npos);
    ScreenAt screen(800, 600, 800, 600, 24);
    image.Create(2, 2, -1);
    EXPECT_EQ(image.GetBPP(), 24);
}

TEST(Image, EightBitPixels) {
    vDxSimpleImage_c image;
    image.Create(4, 4, 8);
    image.PutPixel(1, 2, 249);
    EXPECT_EQ(image.GetPixel(1, 2), 249);
    EXPECT_EQ(image.ExchangePixel(1, 2, 7), 249);
    EXPECT_EQ(image.GetPixel(1, 2), 7);
    EXPECT_FALSE(image.IsLocked());
}

TEST(Image, TransparentColourRules) {
    vDxSimpleImage_c image;
    image.Create(2, 2, 32);
    EXPECT_FALSE(image.IsTransparent());
    EXPECT_EQ(image.GetTransparentColor(), 0xFF000000u);
    image.SetTransparentColor(0x0000FF);
    EXPECT_TRUE(image.IsTransparent());
    EXPECT_EQ(image.GetTransparentColor(), 0x0000FFu);
    EXPECT_EQ(image.GetSurface()->ColorKey(), std::optional<uint32_t>(0x0000FFu));
    image.SetTransparentColor(0x1000000);
    EXPECT_FALSE(image.IsTransparent());
    EXPECT_EQ(image.GetTransparentColor(), 0xFF000000u);
    EXPECT_FALSE(image.GetSurface()->ColorKey());
    // A key set before the surface exists is applied when it is created.
    vDxSimpleImage_c later;
    later.SetTransparentColor(0x00FF00);
    later.Create(2, 2, 16);
    EXPECT_EQ(later.GetSurface()->ColorKey(), std::optional<uint32_t>(0x07E0u));
}

TEST(Image, ColourKeyedAndClippedBlits) {
    vDxSimpleImage_c dst, src;
    dst.Create(4, 4, 32);
    src.Create(2, 2, 32);
    dst.FillRect({0, 0, 4, 4}, 0x111111);
    src.FillRect({0, 0, 2, 2}, 0x0000FF);
    src.FillRect({1, 1, 1, 1}, 0xFFFFFF);
    src.SetTransparentColor(0x0000FF);
    dst.BltImage({1, 1}, src);
    EXPECT_EQ(PixelAt(dst, 1, 1), 0x111111u);
    EXPECT_EQ(PixelAt(dst, 2, 2), 0xFFFFFFu);
    // Past the bottom-right corner: only what overlaps is drawn.
    dst.BltImage({3, 3}, src);
    EXPECT_EQ(PixelAt(dst, 3, 3), 0x111111u);  // key pixel
    src.ClearTransparency();
    dst.BltImage({3, 3}, src);
    EXPECT_EQ(PixelAt(dst, 3, 3), 0x0000FFu);
    // Entirely outside: nothing, and no error.
    dst.BltImage({10, 10}, src);
    dst.BltImage({-2, -2}, src);
    dst.BltClipped({0, 0}, src, {5, 5, 2, 2});
    EXPECT_EQ(PixelAt(dst, 0, 0), 0x111111u);
    // Partly above-left: the bottom-right source pixel lands at (0, 0).
    dst.BltImage({-1, -1}, src);
    EXPECT_EQ(PixelAt(dst, 0, 0), 0xFFFFFFu);
    // Fill clipped to the surface.
    dst.FillRect({-3, 2, 100, 1}, 0x222222);
    EXPECT_EQ(PixelAt(dst, 0, 2), 0x222222u);
    EXPECT_EQ(PixelAt(dst, 3, 2), 0x222222u);
    EXPECT_EQ(PixelAt(dst, 3, 1), 0x111111u);
}

TEST(Image, TreeAndCoordinates) {
    vDxSimpleImage_c parent, child;
    child.SetPos({10, 20});
    EXPECT_EQ(child.ToParent({1, 2}), (vDxPoint{1, 2}));  // no parent: identity
    child.SetParent(&parent);
    EXPECT_EQ(parent.Children().size(), 1u);
    EXPECT_EQ(child.ToParent({1, 2}), (vDxPoint{11, 22}));
    EXPECT_EQ(child.FromParent({11, 22}), (vDxPoint{1, 2}));
    child.SetParent(nullptr);
    EXPECT_TRUE(parent.Children().empty());
}

TEST(Scaling, ToScreen) {
    EXPECT_EQ(vDxImage_i::ScaleToScreen(100, 50), (vDxPoint{100, 50}));  // no screen
    ScreenAt screen(800, 600, 1024, 768);
    EXPECT_EQ(vDxImage_i::ScaleToScreen(100, 50), (vDxPoint{128, 64}));
    EXPECT_EQ(ScaledPictureSize(100, 100), (vDxPoint{128, 128}));
    ScreenAt zero(0, 600, 1024, 768);
    EXPECT_EQ(vDxImage_i::ScaleToScreen(100, 50), (vDxPoint{100, 50}));
}

TEST(Pictures, LoadResizedScalesToTheScreen) {
    std::string file = TempFile("hundred.bmp", testing_bmp::Bmp24(100, 100, std::vector<Rgb>(10000, Rgb{0, 255, 0})));
    ScreenAt screen(800, 600, 1024, 768);
    vDxSimpleImage_c image;
    image.SetRequestedSize(0, 0, 32);
    image.LoadResized(file);
    EXPECT_EQ(image.GetWidth(), 128);
    EXPECT_EQ(image.GetHeight(), 128);
    EXPECT_EQ(PixelAt(image, 127, 127), 0x00FF00u);
    ScreenAt same(800, 600, 800, 600);
    image.LoadResized(file);
    EXPECT_EQ(image.GetWidth(), 100);
}

TEST(Pictures, BmpPixelsLandExactly) {
    std::vector<Rgb> px = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {1, 2, 3}};
    std::string file = TempFile("four.bmp", testing_bmp::Bmp24(2, 2, px, true));
    for (int bpp : {16, 24, 32}) {
        vDxSimpleImage_c image;
        image.SetRequestedSize(0, 0, bpp);
        image.LoadResized(file);
        EXPECT_EQ(PixelAt(image, 0, 0), image.MakeColor(255, 0, 0)) << bpp;
        EXPECT_EQ(PixelAt(image, 1, 0), image.MakeColor(0, 255, 0)) << bpp;
        EXPECT_EQ(PixelAt(image, 0, 1), image.MakeColor(0, 0, 255)) << bpp;
    }
    // Load keeps the existing surface and writes from the top-left corner.
    vDxSimpleImage_c big;
    big.Create(3, 3, 32);
    big.FillRect({0, 0, 3, 3}, 0x444444);
    big.Load(file);
    EXPECT_EQ(big.GetWidth(), 3);
    EXPECT_EQ(PixelAt(big, 1, 1), 0x010203u);
    EXPECT_EQ(PixelAt(big, 2, 2), 0x444444u);
}

TEST(Pictures, EightBitPictureOnEightBitSurfaceUsesPaletteStart) {
    std::string file = TempFile("idx.bmp", testing_bmp::Bmp8(3, 1, {0, 1, 250}, {{0, 0, 0}, {255, 0, 0}}));
    vDxSimpleImage_c image;
    image.SetRequestedSize(0, 0, 8);
    image.LoadResized(file, 10);
    EXPECT_EQ(PixelAt(image, 0, 0), 10u);
    EXPECT_EQ(PixelAt(image, 1, 0), 11u);
    EXPECT_EQ(PixelAt(image, 2, 0), 255u);  // capped
    // On a deeper surface the colour table decides.
    vDxSimpleImage_c deep;
    deep.SetRequestedSize(0, 0, 32);
    deep.LoadResized(file, 10);
    EXPECT_EQ(PixelAt(deep, 1, 0), 0xFF0000u);
    EXPECT_EQ(PixelAt(deep, 2, 0), 0u);  // past the table: black
}

TEST(Pictures, ExtensionRule) {
    vDxSimpleImage_c image;
    image.SetRequestedSize(0, 0, 32);
    image.LoadResized(Fixture("PIC.JPG"));
    EXPECT_EQ(image.GetWidth(), 16);
    EXPECT_GT(PixelAt(image, 3, 3) >> 16, 0xF0u);  // red
    image.LoadResized(Fixture("grey.jpg"));
    EXPECT_NEAR(static_cast<int>(PixelAt(image, 0, 0) & 0xFF), 128, 2);
    EXPECT_NE(Message([&] { image.LoadResized("picture.gif"); }).find("[Unknown file type]"), std::string::npos);
    EXPECT_NE(Message([&] { image.LoadResized("noextension"); }).find("Unknown file type"), std::string::npos);
    EXPECT_NE(Message([&] { image.LoadResized("missing.bmp"); }).find("Cannot open file: missing.bmp"),
              std::string::npos);
    // A damaged file leaves a clear message naming it.
    EXPECT_NE(Message([&] { image.LoadResized(Fixture("truncated.jpg")); }).find("truncated.jpg"), std::string::npos);
}

TEST(Pictures, BackslashesInNames) {
    std::string file = TempFile("slash.bmp", testing_bmp::Bmp24(1, 1, {{9, 9, 9}}));
    std::string windows = file;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    vDxSimpleImage_c image;
    image.SetRequestedSize(0, 0, 32);
    image.LoadResized(windows);
    EXPECT_EQ(PixelAt(image, 0, 0), 0x090909u);
}

TEST(Pictures, CacheReference) {
    vDxSimpleImage_c cached;
    cached.Create(3, 2, 32);
    cached.FillRect({0, 0, 3, 2}, 0x00ABCD);
    int asked = -1;
    SetImageCache([&](unsigned index) -> vDxImage_i& {
        asked = static_cast<int>(index);
        if (index != 3) throw vException_c(0);
        return cached;
    });
    vDxSimpleImage_c image;
    image.LoadResized("Menu.bmp?3");
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(image.GetWidth(), 3);
    EXPECT_EQ(PixelAt(image, 2, 1), 0x00ABCDu);
    EXPECT_THROW(image.LoadResized("Menu.bmp?4"), vException_c);
    EXPECT_THROW(image.LoadResized("Menu.bmp?x"), vException_c);
    SetImageCache(nullptr);
    // Without a cache the whole text is the file name.
    EXPECT_NE(Message([&] { image.LoadResized("Menu.bmp?3"); }).find("Unknown file type"), std::string::npos);
}

TEST(Pictures, BusyPointerAroundLoads) {
    std::vector<std::string> calls;
    SetBusyPointerHooks({[&] { calls.push_back("push"); }, [&] { calls.push_back("pop"); }});
    vDxSimpleImage_c image;
    EXPECT_THROW(image.LoadResized("missing.bmp"), vException_c);
    SetBusyPointerHooks({});
    EXPECT_EQ(calls, (std::vector<std::string>{"push", "pop"}));
}

namespace {

// Counts the restore passes and paints itself red onto its parent.
class Painter : public vDxSimpleImage_c {
public:
    std::vector<std::string>* log = nullptr;
    std::string name;
    void Restore() override {
        vDxSimpleImage_c::Restore();
        log->push_back("restore " + name);
        if (ContentsLost()) FillRect({0, 0, GetWidth(), GetHeight()}, 0xFF0000);
        SetContentsLost(false);
    }
    void Draw() override {
        log->push_back("draw " + name);
        if (GetParent()) GetParent()->BltImage(GetPos(), *this);
    }
};

}  // namespace

TEST(SurfaceLoss, ForcedLossRestoresEverythingAndTheCallSucceeds) {
    std::vector<std::string> log;
    Painter parent, child;
    parent.log = child.log = &log;
    parent.name = "parent";
    child.name = "child";
    parent.Create(4, 4, 32);
    child.Create(2, 2, 32);
    child.SetParent(&parent);
    child.SetPos({2, 2});
    int before = RegisteredSurfaceCount();
    EXPECT_GE(before, 2);

    platform::MarkAllSurfacesLost();
    // The next call meets the loss, restores all, and is repeated.
    EXPECT_NO_THROW(parent.FillRect({0, 0, 1, 1}, 0x0000FF));
    EXPECT_EQ(log, (std::vector<std::string>{"restore parent", "restore child", "draw parent", "draw child"}));
    EXPECT_EQ(PixelAt(parent, 0, 0), 0x0000FFu);
    EXPECT_EQ(PixelAt(parent, 1, 1), 0xFF0000u);  // its own restore
    EXPECT_EQ(PixelAt(parent, 3, 3), 0xFF0000u);  // the child drew itself again
}

TEST(SurfaceLoss, AttachedPixelAccessSurvives) {
    vDxSimpleImage_c image;
    image.Create(4, 4, 32);
    auto dc = image.CreateDC();
    platform::MarkAllSurfacesLost();
    RestoreAllSurfaces();
    dc->PutPixel(1, 1, 0x123456);
    EXPECT_EQ(dc->GetPixel(1, 1), 0x123456u);
    EXPECT_TRUE(image.IsLocked());
}

TEST(SurfaceLoss, RegistryFollowsLifetimes) {
    int before = RegisteredSurfaceCount();
    {
        vDxSimpleImage_c a, b;
        EXPECT_EQ(RegisteredSurfaceCount(), before + 2);
    }
    EXPECT_EQ(RegisteredSurfaceCount(), before);
}

namespace {

class CountingListener : public vDxLockListener_i {
public:
    std::vector<std::string> calls;
    void BeginUpdate() override { calls.push_back("begin"); }
    void EndUpdate() override { calls.push_back("end"); }
};

}  // namespace

TEST(LockListeners, ToldAroundLocksAndText) {
    vDxSimpleImage_c image;
    image.Create(120, 40, 32);
    image.FillRect({0, 0, 120, 40}, 0);
    CountingListener listener;
    image.AddLockListener(&listener);
    image.Lock();
    image.Lock();  // nested: told once
    image.Unlock();
    image.Unlock();
    EXPECT_EQ(listener.calls, (std::vector<std::string>{"begin", "end"}));
    platform::TextLayout l = image.DrawTextBox({0, 0, 120, 40}, "Hi", {"Arial", false, 14}, {255, 255, 0},
                                               platform::TextAlign::Centre);
    EXPECT_EQ(l.lines.size(), 1u);
    EXPECT_EQ(listener.calls.size(), 4u);
    bool yellow = false;
    auto dc = image.CreateDC();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            uint32_t p = dc->GetPixel(x, y);
            yellow |= (p >> 16) > 200 && ((p >> 8) & 0xFF) > 200 && (p & 0xFF) < 40;
        }
    EXPECT_TRUE(yellow);
    dc.reset();
    image.RemoveLockListener(&listener);
    image.Lock();
    image.Unlock();
    EXPECT_EQ(listener.calls.size(), 6u);  // the pixel access's lock was told, nothing after removal
}
