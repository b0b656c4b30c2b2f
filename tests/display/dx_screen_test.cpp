#include "display/dx_dc.h"
#include "display/dx_screen.h"
#include "display/dx_surface_registry.h"
#include "platform/exception.h"
#include "platform/message_queue.h"
#include "platform/native_window.h"
#include "settings/settings.h"

#include "../support/bmp_writer.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// A window of the platform layer that counts its paint messages.
struct TestWindow {
    explicit TestWindow(platform::ScreenMode mode = platform::ScreenMode::Windowed, int w = 320, int h = 240) {
        platform::WindowOptions options;
        options.title = "screen test";
        options.width = w;
        options.height = h;
        options.mode = mode;
        options.procedure = {&Procedure, this};
        handle = platform::OpenWindow(options);
    }
    ~TestWindow() { platform::RemoveWindow(handle); }
    static platform::MessageResult Procedure(void* self, const platform::Message& m) {
        if (m.id == platform::msg::kPaint) ++static_cast<TestWindow*>(self)->paints;
        return platform::DefaultProcessing(m);
    }
    // What the window shows at a point of the window.
    uint32_t Shown(int x, int y) const {
        uint32_t pixel = 0;
        SDL_Rect r{x, y, 1, 1};
        SDL_RenderReadPixels(platform::RendererOf(handle), &r, SDL_PIXELFORMAT_RGB888, &pixel, 4);
        return pixel & 0xFFFFFF;
    }
    platform::WindowHandle handle;
    int paints = 0;
};

std::string Message(const std::function<void()>& f) {
    try {
        f();
    } catch (const vException_c& e) {
        return e.Message();
    }
    return {};
}

std::string TempPath(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() / "lorvano_screen_tests";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

}  // namespace

TEST(Screen, WindowedShowsTheBackBufferAtEveryDepth) {
    for (int bpp : {8, 16, 24, 32}) {
        TestWindow window;
        vDxScreen_c screen;
        screen.CreateScreen(window.handle, 320, 240, bpp, false, 800, 600);
        EXPECT_TRUE(screen.Exists());
        EXPECT_EQ(screen.GetWidth(), 320);
        EXPECT_EQ(screen.GetBPP(), bpp);
        int w = 0, h = 0;
        platform::ClientSize(window.handle, w, h);
        EXPECT_EQ(w, 320);
        EXPECT_EQ(h, 240);
        screen.FillRect({0, 0, 320, 240}, screen.MakeColor(249));  // red
        screen.FillRect({100, 50, 10, 10}, screen.MakeColor(0, 0, 255));
        screen.Present();
        EXPECT_EQ(window.Shown(0, 0), 0xFF0000u) << bpp;
        EXPECT_EQ(window.Shown(105, 55), 0x0000FFu) << bpp;
        EXPECT_EQ(window.Shown(319, 239), 0xFF0000u) << bpp;
        // Images at the screen's depth follow the screen.
        EXPECT_EQ(DxScreenInfo().bpp, bpp);
        EXPECT_EQ(vDxImage_i::ScaleToScreen(800, 600), (vDxPoint{320, 240}));
    }
    EXPECT_FALSE(DxScreenInfo().exists);
}

TEST(Screen, DrawingAsksForAPaint) {
    TestWindow window;
    vDxScreen_c screen;
    screen.CreateScreen(window.handle, 320, 240, 32, false, 800, 600);
    platform::PumpPending();
    int before = window.paints;
    screen.FillRect({0, 0, 5, 5}, 1);
    screen.FillRect({5, 5, 5, 5}, 2);
    platform::PumpPending();
    EXPECT_EQ(window.paints, before + 1);  // one paint for the batch
    vDxSimpleImage_c offscreen;
    offscreen.Create(4, 4, 32);
    offscreen.FillRect({0, 0, 4, 4}, 3);
    platform::PumpPending();
    EXPECT_EQ(window.paints, before + 1);  // other images do not
}

TEST(Screen, FullScreenKeepsTheAspect) {
    TestWindow window(platform::ScreenMode::FullScreen);
    int w = 0, h = 0;
    platform::ClientSize(window.handle, w, h);
    ASSERT_GT(w, 0);
    vDxScreen_c screen;
    // A screen with a different aspect from the window's: bars on two sides.
    const int sw = 400, sh = 100;
    screen.CreateScreen(window.handle, sw, sh, 32, true, 800, 600);
    screen.FillRect({0, 0, sw, sh}, 0xFFFFFF);
    screen.Present();
    vDxPoint centre = screen.WindowToScreen({w / 2, h / 2});
    EXPECT_NEAR(centre.x, sw / 2, 1);
    EXPECT_NEAR(centre.y, sh / 2, 1);
    // The picture fills the width; its height follows the aspect.
    const double scale = static_cast<double>(w) / sw;
    const int shownHeight = static_cast<int>(sh * scale);
    const int top = (h - shownHeight) / 2;
    EXPECT_EQ(window.Shown(w / 2, h / 2), 0xFFFFFFu);
    EXPECT_EQ(window.Shown(w / 2, top / 2), 0u);  // black bar
    EXPECT_EQ(window.Shown(1, top + shownHeight / 2), 0xFFFFFFu);
    vDxPoint corner = screen.WindowToScreen({0, top + 1});
    EXPECT_EQ(corner.x, 0);
    EXPECT_NEAR(corner.y, 0, 1);
    EXPECT_LT(screen.WindowToScreen({0, 0}).y, 0);  // above the picture
}

TEST(Screen, FullScreenMouseMessagesArriveInScreenPixels) {
    TestWindow window(platform::ScreenMode::FullScreen);
    int w = 0, h = 0;
    platform::ClientSize(window.handle, w, h);
    vDxScreen_c screen;
    screen.CreateScreen(window.handle, 200, 100, 32, true, 800, 600);
    platform::Message m;
    while (platform::TakePending(m)) {
    }
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = SDL_GetWindowID(platform::SdlWindowOf(window.handle));
    event.motion.x = w / 2;
    event.motion.y = h / 2;
    SDL_PushEvent(&event);
    bool seen = false;
    while (platform::TakePending(m))
        if (m.id == platform::msg::kMouseMove) {
            EXPECT_NEAR(platform::PointX(m.p2), 100, 1);
            EXPECT_NEAR(platform::PointY(m.p2), 50, 1);
            seen = true;
        }
    EXPECT_TRUE(seen);
}

TEST(Screen, SavedCopies) {
    TestWindow window;
    vDxScreen_c screen;
    EXPECT_NE(Message([&] { screen.RestoreFromMemDC(); }).find("You must call SaveToMemDC first! (_Image = NULL)"),
              std::string::npos);
    screen.CreateScreen(window.handle, 320, 240, 16, false, 800, 600);
    screen.FillRect({0, 0, 320, 240}, screen.MakeColor(10, 200, 30));
    vImage_c& copy = screen.SaveToMemDC();
    EXPECT_EQ(copy.Width(), 320);
    screen.FillRect({0, 0, 320, 240}, 0);
    // A kept copy is not replaced without asking.
    EXPECT_EQ(&screen.SaveToMemDC(), &copy);
    screen.RestoreFromMemDC();
    EXPECT_FALSE(screen.HasSavedCopy());
    auto dc = screen.CreateDC();
    EXPECT_EQ(dc->GetPixel(319, 239), screen.MakeColor(10, 200, 30));
    dc.reset();
    EXPECT_THROW(screen.RestoreFromMemDC(), vTextException_c);
    screen.SaveToMemDC();
    screen.FillRect({0, 0, 320, 240}, 0);
    screen.SaveToMemDC(true);  // replaced: now black
    screen.FillRect({0, 0, 320, 240}, 5);
    screen.RestoreFromMemDC();
    EXPECT_EQ(screen.CreateDC()->GetPixel(0, 0), 0u);
}

namespace {

class Counting : public vDxSimpleImage_c {
public:
    int draws = 0;
    // Lost contents are drawn again, as a picture would be reloaded.
    void Restore() override {
        vDxSimpleImage_c::Restore();
        if (ContentsLost()) FillRect({0, 0, GetWidth(), GetHeight()}, 0x00FF00);
        SetContentsLost(false);
    }
    void Draw() override {
        ++draws;
        if (GetParent()) GetParent()->BltImage(GetPos(), *this);
    }
};

}  // namespace

TEST(Screen, LostTexturesRunTheRestorePasses) {
    TestWindow window;
    vDxScreen_c screen;
    screen.CreateScreen(window.handle, 320, 240, 32, false, 800, 600);
    Counting child;
    child.Create(10, 10, 32);
    child.FillRect({0, 0, 10, 10}, 0x00FF00);
    child.SetParent(&screen);
    child.SetPos({20, 30});
    platform::Presenter::SimulateTextureLoss();
    screen.Present();
    EXPECT_EQ(child.draws, 1);
    screen.Present();  // shows what the passes drew
    EXPECT_EQ(window.Shown(25, 35), 0x00FF00u);

    // A loss of the surfaces themselves: the screen is restored before it is shown.
    platform::MarkAllSurfacesLost();
    screen.Present();
    EXPECT_EQ(child.draws, 2);
    screen.Present();
    EXPECT_EQ(window.Shown(25, 35), 0x00FF00u);
    EXPECT_EQ(window.Shown(5, 5), 0u);
}

TEST(Screen, StartPictureBeforeTheScreenExists) {
    std::vector<testing_bmp::Rgb> px(4 * 4, {0, 0, 255});
    auto bmp = testing_bmp::Bmp24(4, 4, px);
    std::string picture = TempPath("start.bmp");
    std::ofstream(picture, std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()), bmp.size());
    std::string ini = TempPath("start.ini");
    std::ofstream(ini) << "[Application]\nStartPicture=" << picture << "\n";
    gSettings.SetFileName(ini.c_str());
    {
        TestWindow window;
        vDxScreen_c screen;
        screen.Paint(window.handle);
        EXPECT_EQ(window.Shown(0, 0), 0x0000FFu);  // stretched over the window
        EXPECT_EQ(window.Shown(319, 239), 0x0000FFu);
    }
    std::ofstream(ini) << "[Application]\nStartPicture=" << TempPath("missing.bmp") << "\n";
    {
        TestWindow window;
        platform::FillWindow(window.handle, {9, 9, 9});
        vDxScreen_c screen;
        screen.Paint(window.handle);
        EXPECT_EQ(window.Shown(100, 100), 0u);  // black
    }
    gSettings.SetFileName(nullptr);
}

TEST(Screen, FailedCreationLeavesNoScreen) {
    vDxScreen_c screen;
    EXPECT_THROW(screen.CreateScreen(987654, 320, 240, 32, false, 800, 600), vDxException_c);
    EXPECT_FALSE(screen.Exists());
    EXPECT_FALSE(DxScreenInfo().exists);
    EXPECT_EQ(screen.GetWidth(), 0);
}
