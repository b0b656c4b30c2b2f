#pragma once
// Shared set-up of the exercise tests: the capture tests' set-up (settings
// file, File audio backend at fast pace, window, message pump) with the
// filter bank pointed at the bundled coefficients, the window as the main
// window, an offscreen 800 x 600 x 32 screen image, and a
// helper that loads one exercise file (or text) through the definition
// loader, attaches it to the screen and shows it, as the card menus do.
// Also speech from espeak-ng and sine tones as WAV input.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio_fixture.h"
#include "dx_test_util.h"
#include "display/dx_button.h"
#include "display/dx_dc.h"
#include "display/dx_simple_image.h"
#include "events/window.h"
#include "exercises/exercise.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "platform/message_box.h"
#include "platform/message_queue.h"
#include "settings/settings.h"

namespace exercise_test {

using audio_test::WriteWav;

inline std::vector<std::int16_t> Sine(double hz, double seconds, double amplitude = 16000) {
    std::vector<std::int16_t> s(static_cast<std::size_t>(seconds * 22050));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(amplitude * std::sin(2 * M_PI * hz * static_cast<double>(i) / 22050));
    return s;
}

// Speech by espeak-ng at 22050 Hz mono 16 bits, peak at peakDb dBFS; empty
// when the tools are missing.
inline std::vector<std::int16_t> Speech(const std::string& text, double peakDb = -3) {
    const auto dir = std::filesystem::temp_directory_path() / ("lorvano_speech_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string wav = (dir / "speech.wav").string(), raw = (dir / "speech.raw").string();
    const std::string cmd = "espeak-ng -w '" + wav + "' '" + text + "' >/dev/null 2>&1 && sox '" + wav +
                            "' -r 22050 -c 1 -b 16 -e signed-integer -t raw '" + raw + "' gain -n " +
                            std::to_string(peakDb) + " >/dev/null 2>&1";
    std::vector<std::int16_t> s;
    if (std::system(cmd.c_str()) == 0) {
        std::ifstream in(raw, std::ios::binary);
        std::int16_t v;
        while (in.read(reinterpret_cast<char*>(&v), sizeof v)) s.push_back(v);
    }
    std::filesystem::remove_all(dir);
    return s;
}

class ExerciseFixture : public audio_test::AudioFixture {
protected:
    void SetUp() override {
        AudioFixture::SetUp();
        WriteSettings("");
        SetDxMainWindow(&window);
        dx_test::UseDesignScreen(32);
        screen.Create(800, 600, 32);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(LORVANO_SOURCE_DIR "/data/english");
    }
    void TearDown() override {
        exercise.reset();
        std::filesystem::current_path(previous);
        SetDxMainWindow(nullptr);
        SetDxScreenInfo({});
        AudioFixture::TearDown();
    }

    // The settings file: the filter bank's files from the bundled language,
    // then extra text (keys of [Preprocessor] first, then other sections).
    void WriteSettings(std::string extra) {
        if (extra.rfind("[Preprocessor]\n", 0) == 0) extra.erase(0, 15);
        AudioFixture::WriteSettings("Coeficients=" LORVANO_SOURCE_DIR "/data/english/coef.dat\nEqualize=" LORVANO_SOURCE_DIR
                                    "/data/english/calib.txt\n" +
                                    extra);
    }

    // Loads definition text through the loader, attaches the exercise to the
    // screen; Show is left to the test.
    template <class T = vTrExercise_c>
    T* Load(const std::string& text) {
        vLoader_c loader;
        LoadDefinitionText("exercise.exc", text, loader);
        exercise.reset(dynamic_cast<vTrExercise_c*>(loader.Object()));
        if (exercise) (void)loader.Release().release();
        if (!exercise) throw vTextException_c("not an exercise");
        exercise->Attach(&screen);
        return dynamic_cast<T*>(exercise.get());
    }
    // An exercise file as a card click shows it: loaded, attached, shown.
    template <class T = vTrExercise_c>
    T* ShowFile(const std::string& path) {
        vLoader_c loader;
        LoadDefinitionFile(path, loader);
        exercise.reset(dynamic_cast<vTrExercise_c*>(loader.Object()));
        if (!exercise) throw vTextException_c("not an exercise: " + path);
        (void)loader.Release().release();
        exercise->SetFileName(path);
        exercise->Attach(&screen);
        exercise->Show();
        return dynamic_cast<T*>(exercise.get());
    }
    // The message text of what loading the text raises, "" when it loads.
    std::string LoadError(const std::string& text) {
        try {
            Load(text);
        } catch (const vException_c& e) {
            return e.ShortText();
        }
        return "";
    }


    uint32_t Pixel(int x, int y) { return screen.CreateDC()->GetPixel(x, y); }
    uint32_t Colour(uint8_t r, uint8_t g, uint8_t b) { return screen.MakeColor(r, g, b); }
    // Rows of column x in [y0, y1) that have colour c.
    std::vector<int> RowsOf(int x, int y0, int y1, uint32_t c) {
        auto dc = screen.CreateDC();
        std::vector<int> rows;
        for (int y = y0; y < y1; ++y)
            if (dc->GetPixel(x, y) == c) rows.push_back(y);
        return rows;
    }

    std::filesystem::path previous;
    vDxSimpleImage_c screen;
    std::unique_ptr<vTrExercise_c> exercise;
};

}  // namespace exercise_test
