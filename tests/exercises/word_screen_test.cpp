// The bundled "fish" word exercise in a real window on the X display: its
// etalon comes from the definition files, espeak-ng says "fish" more slowly
// and higher into the File audio backend, and the say is drawn warped under
// the etalon. A screenshot of each display mode is kept as
// <build>/word_mode<N>.png for a look; the band display with error marks
// (mode 2) is checked: both displays show a picture of many colours, the
// result view shows a mark, and the window shows what the screen holds.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "../support/run_program.h"
#include "display/dx_button.h"
#include "display/dx_screen.h"
#include "events/window.h"
#include "exercises/result_view.h"
#include "exercises/word_exercise.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "platform/message_box.h"
#include "platform/message_queue.h"
#include "settings/settings.h"

namespace fs = std::filesystem;
using lorvano_test::CommandOutput;

namespace {

// The real window needs the X video driver, chosen before the first window.
const bool kOnX = [] {
    if (!lorvano_test::HaveXDisplay()) return false;
    setenv("SDL_VIDEODRIVER", "x11", 1);
    return true;
}();

const char* kTitle = "Lorvano word exercise test";

// Colours in a rectangle of a screenshot (ImageMagick's unique colour count).
int ColoursIn(const std::string& png, int x, int y, int w, int h) {
    const std::string out = CommandOutput("convert '" + png + "' -crop " + std::to_string(w) + "x" +
                                          std::to_string(h) + "+" + std::to_string(x) + "+" + std::to_string(y) +
                                          " +repage -format %k info:");
    return out.empty() ? -1 : std::atoi(out.c_str());
}

void Pump(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        platform::Message m;
        if (platform::TakePending(m)) {
            if (m.id != platform::msg::kQuit) platform::Dispatch(m);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

}  // namespace

TEST(WordScreen, EtalonAndWarpedSayInEachDisplayMode) {
    if (!kOnX || CommandOutput("command -v xdotool").empty() || CommandOutput("command -v import").empty() ||
        CommandOutput("command -v espeak-ng").empty())
        GTEST_SKIP() << "needs an X display, xdotool, ImageMagick and espeak-ng";
    const fs::path previous = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / ("lorvano_word_screen_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path data = fs::path(LORVANO_SOURCE_DIR) / "data/english";
    for (const char* f : {"coef.dat", "calib.txt", "trainer.ini", "Models.ini", "Limits.ini"})
        fs::copy_file(data / f, dir / f);
    fs::copy(data / "Words", dir / "Words", fs::copy_options::recursive);
    fs::create_directories(dir / ".Pic/Exercises");
    fs::copy_file(data / ".Pic/Exercises/ExerciseBg.jpg", dir / ".Pic/Exercises/ExerciseBg.jpg");
    ASSERT_EQ(std::system(("espeak-ng -v en -s 115 -p 65 -w '" + (dir / "raw.wav").string() + "' fish && sox '" +
                           (dir / "raw.wav").string() + "' -r 22050 -c 1 -b 16 '" + (dir / "say.in.wav").string() +
                           "'").c_str()),
              0);
    fs::current_path(dir);
    gSettings.SetFileName((dir / "trainer.ini").c_str());
    setenv("LORVANO_AUDIO", "file", 1);
    // A microphone's pace: at fast pace the queued capture buffers (about a
    // second of sound) fill at once when listening starts, and the etalon's
    // playback closes them unheard, so whether the say is heard would depend
    // on the machine's load.
    setenv("LORVANO_AUDIO_PACE", "realtime", 1);
    setenv("LORVANO_AUDIO_GAP_MS", "1500", 1);
    setenv("LORVANO_AUDIO_IN", (dir / "say.in.wav").c_str(), 1);
    setenv("LORVANO_AUDIO_OUT", (dir / "played.wav").c_str(), 1);
    std::vector<std::string> boxes;
    platform::SetMessageBoxHook([&](const platform::MessageBoxRecord& box) {
        boxes.push_back(box.text);
        return platform::BoxAnswer::Ok;
    });

    {
        vWindow_c window;
        window.SetTitle(kTitle);
        window.SetPosition(0, 0, 800, 600);
        window.SetScreenMode(platform::ScreenMode::Windowed);
        window.Create();
        SetDxMainWindow(&window);
        vDxScreen_c screen;
        screen.CreateScreen(window.Handle(), 800, 600, 32, false, 800, 600);
        vLoader_c loader;
        LoadDefinitionFile("Words/Fish.exc", loader);
        std::unique_ptr<vTrWordExercise_c> ex(dynamic_cast<vTrWordExercise_c*>(loader.Release().release()));
        ASSERT_NE(ex, nullptr);
        ex->Attach(&screen);
        ex->Show();
        ASSERT_FALSE(ex->EtalonMode()) << (boxes.empty() ? "" : boxes[0]);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        // The mark is shown once every judge has answered.
        while ((!ex->Say().HasData() || ex->AwaitingAcoustic()) && std::chrono::steady_clock::now() < deadline)
            Pump(20);
        ASSERT_TRUE(ex->Say().HasData());
        ASSERT_FALSE(ex->AwaitingAcoustic());
        EXPECT_GE(ex->LastMark(), 1);
        EXPECT_EQ(ex->ResDisplay()->GetEntry(), ex->LastMark() - 1);

        const std::string id = CommandOutput(std::string("xdotool search --onlyvisible --name '") + kTitle + "'");
        ASSERT_FALSE(id.empty());
        for (int mode = 1; mode <= 4; ++mode) {
            ex->SetDisplayMode(mode);
            screen.Present();
            Pump(300);
            const std::string png = std::string(LORVANO_BINARY_DIR) + "/word_mode" + std::to_string(mode) + ".png";
            fs::remove(png);
            ASSERT_EQ(std::system(("import -window " + id + " '" + png + "'").c_str()), 0);
            if (mode != 2) continue;
            // Etalon at (40, 40), say at (40, 230), both 600 x 150; the result view at (660, 80).
            EXPECT_GT(ColoursIn(png, 40, 40, 600, 150), 8);
            EXPECT_GT(ColoursIn(png, 40, 230, 600, 150), 8);
            EXPECT_GT(ColoursIn(png, 660, 80, 120, 120), 3);
        }
        ex.reset();
        SetDxMainWindow(nullptr);
        Pump(50);
    }
    platform::SetMessageBoxHook({});
    gSettings.SetFileName(nullptr);
    fs::current_path(previous);
    fs::remove_all(dir);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}
