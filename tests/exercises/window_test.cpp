// The bundled loudness exercise in a real window on the X display, fed with
// speech through the File microphone at real-time pace: the yellow trace
// must reach the upper half of the display area in what the window shows.
// The window is kept as <build>/loudness_window.png for a look. Also
// measures how long a capture buffer takes from its message to the presented
// frame.

#include "exercise_fixture.h"

#include "../support/run_program.h"
#include "display/dx_screen.h"
#include "exercises/amp_exercise.h"

#include <algorithm>
#include <cstdio>

using namespace exercise_test;
using namespace lorvano_test;

namespace {

// This test shows a real window: the X11 video driver where there is a display.
const bool kOnX11 = [] {
    if (std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "x11", 1);
    return true;
}();

const char* kTitle = "Lorvano loudness window test";

// Paints the screen when the window asks for it, and notes when.
class Painter : public vCmdTarget_c {
public:
    explicit Painter(vDxScreen_c& screen) : mScreen(screen) {}
    Result OnPaint() override {
        mScreen.Paint(mScreen.Window());
        lastPaint = std::chrono::steady_clock::now();
        ++paints;
        return 0;
    }
    std::chrono::steady_clock::time_point lastPaint;
    int paints = 0;

private:
    vDxScreen_c& mScreen;
};

using LoudnessWindow = ExerciseFixture;

}  // namespace

TEST_F(LoudnessWindow, SpeechRaisesTheTraceOnTheScreen) {
    if (!HaveXDisplay() || CommandOutput("command -v xdotool").empty() || CommandOutput("command -v import").empty())
        GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    const auto speech = Speech("Hello! Can you hear me? One, two, three.", -3);
    if (speech.empty()) GTEST_SKIP() << "espeak-ng or sox is not available";
    SetInput(speech);
    setenv("LORVANO_AUDIO_PACE", "realtime", 1);

    vWindow_c shown;
    shown.SetTitle(kTitle);
    shown.SetPosition(0, 0, 800, 600);
    shown.Create();
    SetDxMainWindow(&shown);
    vDxScreen_c realScreen;
    realScreen.CreateScreen(shown.Handle(), 800, 600, 32, false, 800, 600);
    Painter painter(realScreen);
    painter.JoinChain(Chain::Paint, shown);

    vLoader_c loader;
    LoadDefinitionFile("Voice/Loudness.exc", loader);
    std::unique_ptr<vTrAmpExercise_c> ex(dynamic_cast<vTrAmpExercise_c*>(loader.Release().release()));
    ASSERT_NE(ex, nullptr);
    ex->Attach(&realScreen);
    ex->Show();
    ASSERT_TRUE(ex->IsRecording());

    // Buffer message to the next presented frame, at real-time pace.
    std::vector<double> latencies;
    const int windows = static_cast<int>(speech.size() / 224) + 40;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::chrono::steady_clock::time_point pending{};
    const std::string id = CommandOutput("xdotool search --name '" + std::string(kTitle) + "' | head -n 1");
    ASSERT_FALSE(id.empty());
    const std::string shot = LORVANO_BINARY_DIR "/loudness_window.png";
    std::filesystem::remove(shot);
    int loudRun = 0;
    bool shotTaken = false;
    while (ex->Column() < windows && std::chrono::steady_clock::now() < deadline) {
        platform::Message m;
        if (!platform::TakePending(m)) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            continue;
        }
        const auto taken = std::chrono::steady_clock::now();
        const int paints = painter.paints;
        if (m.id != platform::msg::kQuit) platform::Dispatch(m);
        if (m.id == 960 && pending == std::chrono::steady_clock::time_point{}) pending = taken;
        if (m.id == 960) loudRun = ex->Level() > 3000 ? loudRun + 1 : 0;
        if (painter.paints != paints && pending != std::chrono::steady_clock::time_point{}) {
            latencies.push_back(std::chrono::duration<double, std::milli>(painter.lastPaint - pending).count());
            pending = {};
            // In the middle of a word the trace behind the bird is high.
            if (!shotTaken && loudRun >= 12) {
                CommandOutput("import -window " + id + " " + shot);
                shotTaken = true;
            }
        }
    }
    ASSERT_GE(ex->Column(), windows);
    ASSERT_GT(latencies.size(), 20u);
    std::sort(latencies.begin(), latencies.end());
    const double p95 = latencies[latencies.size() * 95 / 100];
    std::printf("buffer message to presented frame: median %.2f ms, 95th percentile %.2f ms over %zu frames\n",
                latencies[latencies.size() / 2], p95, latencies.size());

    ASSERT_TRUE(std::filesystem::exists(shot));
    // The upper half of the inner rectangle: (104, 94) to (696, 267).
    const vDxRect inner = ex->InnerRect();
    const std::string crop = std::to_string(inner.w) + "x" + std::to_string(inner.h / 2) + "+" +
                             std::to_string(inner.x) + "+" + std::to_string(inner.y);
    const std::string yellow = CommandOutput("convert " + shot + " -crop " + crop +
                                             " -depth 8 txt:- | grep -ci '#FFDC3C'");
    EXPECT_GT(std::atoi(yellow.c_str()), 30) << "pen pixels in the upper half";
    // The bird rides on the trace: its yellow body is on the screen too.
    const std::string bird = CommandOutput("convert " + shot + " -depth 8 txt:- | grep -ci '#FFD23A'");
    EXPECT_GT(std::atoi(bird.c_str()), 20);

    ex.reset();
    SetDxMainWindow(&window);
}
