#pragma once
// Shared set-up of the word-exercise tests: the exercise tests' set-up with
// a temporary folder as the current directory (the exercise writes
// "say.wav" there and the tests put etalons, limits and models beside it),
// the etalon not played at the start, and what the File backend plays
// written there too. Plus a stand-in application and speech by espeak-ng at
// a chosen speed and pitch.

#include "exercise_fixture.h"

#include <vector>

#include "exercises/app_services.h"
#include "exercises/word_exercise.h"

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
    void RecordMark(vTrExercise_c&, const vTrShownMark_c& mark) override { marks.push_back(mark); }

    bool teacher = false;
    int saves = 0;
    std::vector<vTrShownMark_c> marks;  // every mark handed over for the progress records
    std::string chosenFile;
};

class WordFixture : public exercise_test::ExerciseFixture {
protected:
    void SetUp() override {
        ExerciseFixture::SetUp();
        WriteSettings("");
        // The bundled settings name the filter, model and limits files
        // relative to the language folder.
        for (const char* f : {"coef.dat", "calib.txt", "Models.ini", "Limits.ini"})
            fs::copy_file(fs::path(LORVANO_SOURCE_DIR) / "data/english" / f, dir / f);
        fs::current_path(dir);
        setenv("LORVANO_AUDIO_OUT", (dir / "played.wav").c_str(), 1);
    }
    void TearDown() override {
        SetAppServices(nullptr);
        ExerciseFixture::TearDown();
    }

    // The settings file: the given [ResDisplay] lines after AutoPlayback off.
    void WriteSettings(const std::string& lines) { ExerciseFixture::WriteSettings("[ResDisplay]\nAutoPlayback=0\n" + lines); }

    // The bundled settings file, the etalon not played at the start, with
    // the lines given at the top of its [Feedback] section.
    void UseBundledSettings(const std::string& feedback = "") {
        std::ifstream in(fs::path(LORVANO_SOURCE_DIR) / "data/english/trainer.ini");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string on = "AutoPlayback=TRUE";
        const size_t at = text.find(on);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, on.size(), "AutoPlayback=FALSE");
        const size_t section = text.find("[Feedback]\n");
        ASSERT_NE(section, std::string::npos);
        text.insert(section + 11, feedback);
        ExerciseFixture::WriteSettings(text);
    }

    // The bundled Words folder and the background its exercises show, in the test's folder.
    void CopyBundledWords() {
        const fs::path data = fs::path(LORVANO_SOURCE_DIR) / "data/english";
        fs::copy(data / "Words", dir / "Words", fs::copy_options::recursive);
        fs::create_directories(dir / ".Pic/Exercises");
        fs::copy_file(data / ".Pic/Exercises/ExerciseBg.jpg", dir / ".Pic/Exercises/ExerciseBg.jpg",
                      fs::copy_options::overwrite_existing);
    }

    // A word exercise from the body of its definition, attached to the screen.
    vTrWordExercise_c& Load(const std::string& body) {
        auto* word = ExerciseFixture::Load<vTrWordExercise_c>("<vTrWordExercise_c> Obj = {\n" + body + "\n}\n");
        if (!word) throw vTextException_c("not a word exercise");
        return *word;
    }
};

// Speaks text with espeak-ng into a 22050 Hz mono 16-bit WAV file.
inline bool Speak(const std::string& text, const fs::path& out, int speed = 140, int pitch = 50,
                  const std::string& voice = "en") {
    const std::string raw = out.string() + ".raw.wav";
    const std::string cmd = "espeak-ng -v " + voice + " -s " + std::to_string(speed) + " -p " + std::to_string(pitch) +
                            " -w '" + raw + "' '" + text + "' && sox '" + raw +
                            "' -r 22050 -c 1 -b 16 -e signed-integer '" + out.string() + "' && rm -f '" + raw + "'";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace word_test
