// Start-up to the first presented frame on the bundled English data: the
// main window opens, the menu application sets up the screen, the picture
// cache and the background come up, ".Drawer.dat" loads its pictures, the
// card menu of the language folder is built, and the paint that follows
// presents the frame with the cards and the drawer. Then a card click to the
// exercise on screen: the click on the first exercise card (found by opening
// folder cards from the top) until the paint that shows the exercise. Run
// with SDL_VIDEODRIVER=offscreen for the software path and LORVANO_AUDIO=file
// so that listening exercises open the file microphone. The command line is
// read once (it makes <build>/english the current directory).
#include "platform/native_window.h"
#include "shell/app_messages.h"
#include "shell/card_menu.h"
#include "shell/command_line.h"
#include "shell/main_window.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<vTrMainWin_c> StartApp() {
    static const vTrStartup_c startup =
        ParseCommandLine({"english", "/WINDOW"}, LORVANO_BINARY_DIR "/bin/trainer");
    auto app = std::make_unique<vTrMainWin_c>(startup);
    app->RegisterWindowClass();
    app->Create();
    // The first paint message shows the composed frame.
    platform::PumpPending();
    return app;
}

void StartupToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        auto app = StartApp();
        benchmark::DoNotOptimize(app->GetExercise());
        // Closing the window is not part of start-up.
        state.PauseTiming();
        app.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(StartupToFirstFrame)->Unit(benchmark::kMillisecond);

// Clicks a card as the mouse does and lets the loop handle what it posts.
void Click(vTrMainWin_c& app, const vTrExLoadBtn_c& card) {
    const vDxPoint p = DxScreenOrigin(card);
    app.OnMouseMove(p.x + 2, p.y + 2, 0);
    app.OnLeftDown(p.x + 2, p.y + 2, static_cast<std::uintptr_t>(platform::KeyFlag::LeftButton));
    app.OnLeftUp(p.x + 2, p.y + 2, 0);
    platform::PumpPending();
}

// The first exercise card, looking through the folders depth first (the
// menu is left showing the card's folder); null when the data has none.
const vTrExLoadBtn_c* FindExerciseCard(vTrMainWin_c& app, int depth = 0) {
    auto* menu = dynamic_cast<vTrMenu_c*>(app.GetExercise());
    if (!menu || depth > 8) return nullptr;
    std::vector<std::string> folders;
    for (const auto& card : menu->Cards()) {
        if (card->Message() == app_msg::kLoadExercise) return card.get();
        // Folders below this one; the back card leads up.
        if (card->Message() == app_msg::kShowFolder && card->Path().size() > menu->Path().size())
            folders.push_back(card->Path());
    }
    for (const std::string& folder : folders) {
        app.ShowFolder(folder);
        if (const vTrExLoadBtn_c* card = FindExerciseCard(app, depth + 1)) return card;
    }
    return nullptr;
}

void CardClickToExercise(benchmark::State& state) {
    auto app = StartApp();
    for (auto _ : state) {
        state.PauseTiming();
        app->Home();
        platform::PumpPending();
        const vTrExLoadBtn_c* card = FindExerciseCard(*app);
        if (!card) {
            state.SkipWithError("the bundled data has no exercise card");
            break;
        }
        state.ResumeTiming();
        Click(*app, *card);
        benchmark::DoNotOptimize(app->GetExercise());
    }
}
BENCHMARK(CardClickToExercise)->Unit(benchmark::kMillisecond);

}  // namespace
