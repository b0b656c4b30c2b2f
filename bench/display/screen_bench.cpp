// One full-screen frame at 800 x 600 x 32: compose (background, a row of
// colour-keyed button pictures, a filled rectangle) into the back buffer,
// then present it through the window's renderer. Run with
// SDL_VIDEODRIVER=offscreen for the software path.
#include "display/dx_screen.h"
#include "platform/native_window.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

struct Scene {
    Scene(int bpp) {
        platform::WindowOptions options;
        options.title = "bench";
        options.width = 800;
        options.height = 600;
        window = platform::OpenWindow(options);
        screen.CreateScreen(window, 800, 600, bpp, false, 800, 600);
        background.Create(800, 600, bpp);
        background.FillRect({0, 0, 800, 600}, background.MakeColor(30, 90, 160));
        for (auto& b : buttons) {
            b.Create(96, 96, bpp);
            b.FillRect({0, 0, 96, 96}, b.MakeColor(0, 0, 255));
            b.FillRect({8, 8, 80, 80}, b.MakeColor(220, 200, 40));
            b.SetTransparentColor(0x0000FF);
        }
    }
    ~Scene() { platform::RemoveWindow(window); }
    void Compose() {
        screen.BltImage({0, 0}, background);
        for (size_t i = 0; i < buttons.size(); ++i) screen.BltImage({static_cast<int>(i) * 100, 500}, buttons[i]);
        screen.FillRect({100, 100, 600, 300}, screen.MakeColor(240, 240, 240));
    }
    platform::WindowHandle window;
    vDxScreen_c screen;
    vDxSimpleImage_c background;
    std::vector<vDxSimpleImage_c> buttons = std::vector<vDxSimpleImage_c>(8);
};

void BM_ComposeAndPresent(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        scene.Compose();
        scene.screen.Present();
    }
}
BENCHMARK(BM_ComposeAndPresent)->Arg(32)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_ComposeOnly(benchmark::State& state) {
    Scene scene(32);
    for (auto _ : state) scene.Compose();
}
BENCHMARK(BM_ComposeOnly)->Unit(benchmark::kMillisecond);

void BM_PresentOnly(benchmark::State& state) {
    Scene scene(32);
    scene.Compose();
    for (auto _ : state) scene.screen.Present();
}
BENCHMARK(BM_PresentOnly)->Unit(benchmark::kMillisecond);

}  // namespace
