// Start-up to the first presented frame on the bundled English data: the
// main window opens, the menu application sets up the screen, the picture
// cache and the grey background come up, ".Drawer.dat" loads its pictures,
// and the paint that follows presents the frame with the drawer. Run with
// SDL_VIDEODRIVER=offscreen for the software path. The command line is read
// once (it makes <build>/english the current directory).
#include "platform/window.h"
#include "shell/command_line.h"
#include "shell/main_window.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void StartupToFirstFrame(benchmark::State& state) {
    const vTrStartup_c startup = ParseCommandLine({"english", "/WINDOW"}, LORVANO_BINARY_DIR "/bin/trainer");
    for (auto _ : state) {
        auto app = std::make_unique<vTrMainWin_c>(startup);
        app->RegisterWindowClass();
        app->Create();
        // The first paint message shows the composed frame.
        platform::PumpPending();
        benchmark::DoNotOptimize(app->RootMenu().IsLaidOut());
        // Closing the window is not part of start-up.
        state.PauseTiming();
        app.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(StartupToFirstFrame)->Unit(benchmark::kMillisecond);

}  // namespace
