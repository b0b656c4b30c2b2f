#pragma once
// Shared set-up of the word-exercise tests: a language folder in a temporary
// directory (the bundled filter files and a settings file) made the current
// directory, a window on the video driver of the test, the screen image the
// exercise draws on, the File audio backend in fast pace, message boxes
// recorded, and a message pump with a deadline.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "display/dx_button.h"
#include "display/dx_simple_image.h"
#include "events/window.h"
#include "exercises/app_services.h"
#include "exercises/word_exercise.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "platform/message_box.h"
#include "platform/message_queue.h"
#include "settings/settings.h"

namespace word_test {

namespace fs = std::filesystem;

// The application as far as the word exercise asks: a teacher who may or
// may not be logged in, and counters of the user-management calls.
struct StandInApp : vTrAppServices_i {
    std::string CurrentMenuDir() const override { return {}; }
    void SuspendDrawing() override {}
    void ResumeDrawing() override {}
    vTrExercise_c* LoadExerciseFile(const std::string&) override { return nullptr; }
    int SaveSayForStudent(int, const std::string&, const std::string&) override {
        ++saves;
        return 1;
    }
    int TeacherLoggedIn() override { return teacher ? 1 : 0; }
    int SelectStudentFile(std::string& file, const std::string&) override {
        file = chosenFile;
        return chosenFile.empty() ? 0 : 1;
    }
    int SelectStudentExerciseFile(std::string&, std::string&) override { return 0; }

    bool teacher = false;
    int saves = 0;
    std::string chosenFile;
};

class WordFixture : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir = fs::current_path();
        dir = fs::temp_directory_path() / ("lorvano_word_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const char* f : {"coef.dat", "calib.txt"})
            fs::copy_file(fs::path(LORVANO_SOURCE_DIR) / "data/english" / f, dir / f);
        WriteSettings("");
        fs::current_path(dir);
        gSettings.SetFileName((dir / "trainer.ini").c_str());
        setenv("LORVANO_AUDIO", "file", 1);
        setenv("LORVANO_AUDIO_PACE", "fast", 1);
        setenv("LORVANO_AUDIO_GAP_MS", "0", 1);
        unsetenv("LORVANO_AUDIO_IN");
        unsetenv("LORVANO_AUDIO_END");
        setenv("LORVANO_AUDIO_OUT", (dir / "played.wav").c_str(), 1);
        platform::SetMessageBoxHook([this](const platform::MessageBoxRecord& box) {
            boxes.push_back(box);
            return platform::BoxAnswer::Ok;
        });
        window.Create();
        SetDxMainWindow(&window);
        screen.Create(800, 600, 32);
    }
    void TearDown() override {
        exercise.reset();
        DrainMessages();
        SetAppServices(nullptr);
        SetDxMainWindow(nullptr);
        platform::SetMessageBoxHook({});
        gSettings.SetFileName(nullptr);
        fs::current_path(previousDir);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // The settings file: the given lines after the bundled keys that matter here.
    void WriteSettings(const std::string& lines) {
        std::ofstream((dir / "trainer.ini").string()) << "[ResDisplay]\nAutoPlayback=0\n" << lines;
    }

    // The bundled settings file, the etalon not played at the start.
    void UseBundledSettings() {
        std::ifstream in(fs::path(LORVANO_SOURCE_DIR) / "data/english/trainer.ini");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string on = "AutoPlayback=TRUE";
        const size_t at = text.find(on);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, on.size(), "AutoPlayback=FALSE");
        std::ofstream((dir / "trainer.ini").string()) << text;
    }

    // A word exercise from definition text, attached to the screen image.
    vTrWordExercise_c& Load(const std::string& body) {
        vLoader_c loader;
        LoadDefinitionText("test.exc", "<vTrWordExercise_c> Obj = {\n" + body + "\n}\n", loader);
        exercise.reset(dynamic_cast<vTrWordExercise_c*>(loader.Release().release()));
        EXPECT_NE(exercise, nullptr);
        exercise->Attach(&screen);
        return *exercise;
    }

    bool PumpUntil(const std::function<bool()>& done, int seconds = 30) {
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
    void DrainMessages(int limit = 100000) {
        platform::Message m;
        while (limit-- > 0 && platform::TakePending(m))
            if (m.id != platform::msg::kQuit) platform::Dispatch(m);
    }

    fs::path previousDir;
    fs::path dir;
    vWindow_c window;
    vDxSimpleImage_c screen;
    std::vector<platform::MessageBoxRecord> boxes;
    std::unique_ptr<vTrWordExercise_c> exercise;
};

// Speaks text with espeak-ng into a 22050 Hz mono 16-bit WAV file.
inline bool Speak(const std::string& text, const fs::path& out, int speed = 140, int pitch = 50) {
    const std::string raw = out.string() + ".raw.wav";
    const std::string cmd = "espeak-ng -v en -s " + std::to_string(speed) + " -p " + std::to_string(pitch) +
                            " -w '" + raw + "' '" + text + "' && sox '" + raw +
                            "' -r 22050 -c 1 -b 16 -e signed-integer '" + out.string() + "' && rm -f '" + raw + "'";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace word_test
