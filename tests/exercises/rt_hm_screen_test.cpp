// The live spectrum exercise in a real window on the X display: the bundled
// "s" exercise hears a sustained "s", and a screenshot of the window shows
// the live curves, the corridor below the caption's band and the mark picture. The screenshot is
// kept as <build>/rt_hm_live.png for a look.

#include "display/dx_button.h"
#include "display/dx_screen.h"
#include "events/window.h"
#include "exercises/result_view.h"
#include "exercises/rt_hm_exercise.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "platform/message_queue.h"
#include "settings/settings.h"

#include "../support/run_program.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using lorvano_test::CommandOutput;

namespace {

// Pixels of one colour in a rectangle of a picture file.
int CountColour(const std::string& png, int x, int y, int w, int h, const std::string& colour) {
    const std::string out = CommandOutput("convert " + png + " -crop " + std::to_string(w) + "x" + std::to_string(h) +
                                          "+" + std::to_string(x) + "+" + std::to_string(y) +
                                          " +repage -depth 8 txt:- | grep -ci '" + colour + "'");
    return std::atoi(out.c_str());
}

TEST(RtHmScreen, LiveCurvesCorridorAndMarkInARealWindow) {
    if (!getenv("DISPLAY") || CommandOutput("command -v xdotool").empty() ||
        CommandOutput("command -v import").empty() || CommandOutput("command -v espeak-ng").empty())
        GTEST_SKIP() << "needs an X display, xdotool, ImageMagick and espeak-ng";
    setenv("SDL_VIDEODRIVER", "x11", 1);
    const fs::path dir = fs::temp_directory_path() / ("lorvano_rt_hm_screen_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string data = LORVANO_SOURCE_DIR "/data/english";
    std::ofstream(dir / "trainer.ini") << "[Preprocessor]\nCoeficients=" << data << "/coef.dat\nEqualize=" << data
                                       << "/calib.txt\n[HM1_Processor]\nShowMinMax=TRUE\nResDisplay/MinResult=250\n"
                                          "ResDisplay/MaxResult=50\n";
    gSettings.SetFileName((dir / "trainer.ini").c_str());
    const std::string wav = (dir / "s.wav").string();
    ASSERT_EQ(system(("espeak-ng -v en-gb-x-rp -s 80 -w " + (dir / "raw.wav").string() + " '[[ssssssssssssssss]]' && sox " +
                      (dir / "raw.wav").string() + " -r 22050 -c 1 -b 16 " + wav)
                         .c_str()),
              0);
    setenv("LORVANO_AUDIO", "file", 1);
    setenv("LORVANO_AUDIO_PACE", "realtime", 1);
    setenv("LORVANO_AUDIO_IN", wav.c_str(), 1);
    const fs::path previous = fs::current_path();
    fs::current_path(data);

    const std::string title = "Lorvano live spectrum " + std::to_string(getpid());
    vWindow_c window;
    window.SetTitle(title);
    window.Create(0, 0, 800, 600);
    SetDxMainWindow(&window);
    vDxScreen_c screen;
    screen.CreateScreen(window.Handle(), 800, 600, 32, false, 800, 600);
    screen.FillRect({0, 0, 800, 600}, screen.MakeColor(248));

    vLoader_c loader;
    LoadDefinitionFile("Sounds/S_s.exc", loader);
    std::unique_ptr<vTrRtHmExercise_c> ex(dynamic_cast<vTrRtHmExercise_c*>(loader.Release().release()));
    ASSERT_NE(ex, nullptr);
    ex->Attach(&screen);
    ex->Show();

    // About a second of the held sound, at the pace of a real microphone.
    int buffers = 0;
    unsigned last = ex->Spectrum().WriteIndex();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (buffers < 30 && std::chrono::steady_clock::now() < deadline) {
        platform::Message m;
        if (!platform::TakePending(m)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (m.id != platform::msg::kQuit) platform::Dispatch(m);
        if (ex->Spectrum().WriteIndex() != last) {
            last = ex->Spectrum().WriteIndex();
            ++buffers;
        }
    }
    ex->StopRecording();
    EXPECT_EQ(buffers, 30);
    EXPECT_EQ(ex->Mark(), 5);
    // A new 5 greets the pupil with a few frames before its picture stays.
    ASSERT_NE(ex->ResDisplay(), nullptr);
    const auto settled = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ex->ResDisplay()->ShownFrame() != 0 && std::chrono::steady_clock::now() < settled) {
        platform::Message m;
        if (platform::TakePending(m) && m.id != platform::msg::kQuit)
            platform::Dispatch(m);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(ex->ResDisplay()->ShownFrame(), 0u);
    screen.Present();
    platform::PumpPending();

    const std::string id = CommandOutput("xdotool search --name '" + title + "' | head -n 1");
    ASSERT_FALSE(id.empty());
    const std::string shot = LORVANO_BINARY_DIR "/rt_hm_live.png";
    fs::remove(shot);
    CommandOutput("import -window " + id + " " + shot);
    ASSERT_TRUE(fs::exists(shot));

    // The display area (40, 70, 600 x 400): green curves and corridor; the
    // mark picture (670, 70, 100 x 100) is that of mark 5.
    EXPECT_GT(CountColour(shot, 40, 70, 600, 400, "#00FF00"), 500);
    // The caption's band (the top 40 rows) keeps the curves and the corridor out.
    EXPECT_EQ(CountColour(shot, 40, 70, 600, 40, "#00FF00"), 0);
    EXPECT_EQ(CountColour(shot, 40, 70, 600, 40, "#FFDC00"), 0);
    EXPECT_GT(CountColour(shot, 675, 75, 90, 90, "#30A040"), 4000);

    ex.reset();
    SetDxMainWindow(nullptr);
    fs::current_path(previous);
    gSettings.SetFileName(nullptr);
    fs::remove_all(dir);
}

}  // namespace
