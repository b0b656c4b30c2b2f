#pragma once
// Shared set-up of the exercise tests: a settings file that points the
// filter bank at the bundled coefficients, the File audio backend at fast
// pace, the main window, an offscreen 800 x 600 x 32 screen image, and a
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

inline void WriteWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples) {
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << path;
    sf_write_short(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
}

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

class ExerciseFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("lorvano_exercise_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        WriteSettings("");
        gSettings.SetFileName((dir / "trainer.ini").c_str());
        setenv("LORVANO_AUDIO", "file", 1);
        setenv("LORVANO_AUDIO_PACE", "fast", 1);
        setenv("LORVANO_AUDIO_GAP_MS", "0", 1);
        unsetenv("LORVANO_AUDIO_IN");
        unsetenv("LORVANO_AUDIO_END");
        platform::SetMessageBoxHook([this](const platform::MessageBoxRecord& box) {
            boxes.push_back(box);
            return platform::BoxAnswer::Ok;
        });
        window.Create();
        SetDxMainWindow(&window);
        vDxScreenInfo info;
        info.exists = true;
        info.bpp = 32;
        info.defaultResX = info.actualResX = 800;
        info.defaultResY = info.actualResY = 600;
        SetDxScreenInfo(info);
        screen.Create(800, 600, 32);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(LORVANO_SOURCE_DIR "/data/english");
    }
    void TearDown() override {
        exercise.reset();
        DrainMessages();
        std::filesystem::current_path(previous);
        SetDxMainWindow(nullptr);
        SetDxScreenInfo({});
        platform::SetMessageBoxHook({});
        gSettings.SetFileName(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // The settings file: the filter bank's files from the bundled language,
    // then extra lines (sections and keys).
    void WriteSettings(std::string extra) {
        const std::string bank = "[Preprocessor]\nCoeficients=" LORVANO_SOURCE_DIR
                                 "/data/english/coef.dat\nEqualize=" LORVANO_SOURCE_DIR "/data/english/calib.txt\n";
        const std::size_t at = extra.find("[Preprocessor]\n");
        if (at == std::string::npos)
            extra = bank + extra;
        else
            extra.replace(at, 15, bank);
        std::ofstream((dir / "trainer.ini").string()) << extra;
    }
    void SetInput(const std::vector<std::int16_t>& samples) {
        WriteWav(dir / "in.wav", samples);
        setenv("LORVANO_AUDIO_IN", (dir / "in.wav").c_str(), 1);
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

    // Dispatches messages until done() holds; false after the deadline.
    bool PumpUntil(const std::function<bool()>& done, int seconds = 20) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!done()) {
            platform::Message m;
            if (platform::TakePending(m)) {
                if (m.id != platform::msg::kQuit) platform::Dispatch(m);
            } else if (std::chrono::steady_clock::now() > deadline) {
                return false;
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        return true;
    }
    void DrainMessages(int limit = 1000000) {
        platform::Message m;
        while (limit-- > 0 && platform::TakePending(m))
            if (m.id != platform::msg::kQuit) platform::Dispatch(m);
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

    std::filesystem::path dir, previous;
    vWindow_c window;
    vDxSimpleImage_c screen;
    std::unique_ptr<vTrExercise_c> exercise;
    std::vector<platform::MessageBoxRecord> boxes;
};

}  // namespace exercise_test
