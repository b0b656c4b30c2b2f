#pragma once
// A small language directory for the card and navigation tests, made in a
// temporary folder that becomes the current directory: the default cards
// (folder 60 x 50 green, file 60 x 50 blue, back 60 x 50 red, each state a
// little darker), a directory exercise, and an INI file naming it; images
// are made for an 800 x 600 screen of 32 bits. The test
// adds its own folders and exercises. Message boxes are recorded instead of
// shown.

#include "../support/bmp_writer.h"
#include "../display/dx_test_util.h"
#include "../support/temp_dir.h"

#include "exercises/exercise.h"
#include "platform/message_box.h"
#include "settings/settings.h"
#include "shell/app.h"

#include <filesystem>
#include <string>
#include <vector>

namespace shell_test {

namespace fs = std::filesystem;
using lorvano_test::WriteFile;

// A picture of one colour.
inline void WriteBmp(const std::string& path, int w, int h, testing_bmp::Rgb colour) {
    const std::vector<uint8_t> bytes = testing_bmp::Bmp24(w, h, std::vector<testing_bmp::Rgb>(w * h, colour));
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

// The definition of a card with four 60 x 50 pictures named prefix0..3.bmp.
inline std::string CardDefinition(const std::string& prefix, const std::string& extra = "") {
    std::string text = "<vTrExLoadBtn_c> Obj = {\n";
    for (int i = 0; i < 4; ++i)
        text += "  _Images[" + std::to_string(i) + "] = { FileName = \"" + prefix + std::to_string(i) + ".bmp\"; }\n";
    return text + "  TextMargin = 4;\n" + extra + "}\n";
}

inline constexpr testing_bmp::Rgb kFolderGreen{0, 160, 0};
inline constexpr testing_bmp::Rgb kFileBlue{0, 0, 200};
inline constexpr testing_bmp::Rgb kBackRed{200, 0, 0};

class Language {
public:
    Language() : mOld(fs::current_path()) {
        fs::current_path(mDir.Path());
        fs::create_directories(".Pic");
        const std::pair<const char*, testing_bmp::Rgb> frames[] = {
            {"Folder", kFolderGreen}, {"File", kFileBlue}, {"Back", kBackRed}};
        for (const auto& [name, colour] : frames)
            for (int i = 0; i < 4; ++i)
                WriteBmp(std::string(".Pic/") + name + std::to_string(i) + ".bmp", 60, 50,
                         {static_cast<uint8_t>(colour.r - 20 * i * (colour.r > 0)),
                          static_cast<uint8_t>(colour.g - 20 * i * (colour.g > 0)),
                          static_cast<uint8_t>(colour.b - 20 * i * (colour.b > 0))});
        WriteFile(".def_dir.crd", CardDefinition(".Pic/Folder"));
        WriteFile(".def_file.crd", CardDefinition(".Pic/File"));
        WriteFile(".back.crd", CardDefinition(".Pic/Back"));
        WriteFile(".Dir.exc", "<vTrMenu_c> Obj = { CardPos = (700, 500); GapRight = 10; }\n");
        WriteFile("trainer.ini", "[Application]\nDirExercise=.Dir.exc\n");
        gSettings.SetFileName((mDir.Path() / "trainer.ini").c_str());
        dx_test::UseDesignScreen(32);
        platform::SetMessageBoxHook([this](const platform::MessageBoxRecord& box) {
            boxes.push_back(box.text);
            return platform::BoxAnswer::Ok;
        });
    }
    ~Language() {
        platform::SetMessageBoxHook({});
        SetDxScreenInfo({});
        fs::current_path(mOld);
    }
    Language(const Language&) = delete;
    Language& operator=(const Language&) = delete;

    const fs::path& Path() const { return mDir.Path(); }
    // An absolute, normalised path of a name in the language directory.
    std::string Full(const std::string& name) const { return (mDir.Path() / name).lexically_normal().string(); }

    std::vector<std::string> boxes;

private:
    lorvano_test::TempDir mDir;
    fs::path mOld;
};

// An exercise that neither listens nor plays: what the navigation sees of
// every exercise.
class vTrQuietExercise_c : public vTrExercise_c {
    V_RTTI_CLASS(vTrQuietExercise_c, vTrExercise_c)
public:
    void StartRecording() override {}
    void StopRecording() override {}
    void SetTone(bool) override {}
    void SetToneFrequency(double) override {}
    double GetToneFrequency() override { return 1000; }
    void SetToneAmplitude(double) override {}
    double GetToneAmplitude() override { return 1; }
};

// The application on an offscreen 800 x 600 screen; exceptions shown are
// recorded (a fatal one does not end the test).
class TestApp : public vTrApp_c {
public:
    TestApp() { vDxSimpleImage_c::Create(800, 600, 32); }

    int SaveSayForStudent(int, const std::string&, const std::string&) override { return 0; }
    int TeacherLoggedIn() override { return 0; }
    int SelectStudentFile(std::string&, const std::string&) override { return 0; }
    int SelectStudentExerciseFile(std::string&, std::string&) override { return 0; }

    void ShowException(const vException_c& e, int severity) override {
        shown.push_back(e.Message());
        severities.push_back(severity);
    }

    std::vector<std::string> shown;
    std::vector<int> severities;
};

}  // namespace shell_test
