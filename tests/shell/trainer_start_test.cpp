// Runs the real trainer program: the exits of start-up and where it finds its
// language. Boxes are shown headless, on standard error.

#include "../support/run_program.h"
#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

const std::string kBuiltTrainer = LORVANO_BINARY_DIR "/bin/trainer";
// Asking for the version is no error.
const std::string kVersionBox = "[information] Lorvano version: 1.1.0325\n";
const std::string kNoLanguageBox = "[error] Lorvanio: No Language defined. Lorvano cannot run.\n";
const std::string kBadLanguageBox = "[error] Lorvanio: Bad Language name or missing INI file. Lorvano cannot run.\n";
// What a found INI file whose "ScreenMode/FullScreen" cannot be read gives.
// The tests use it to see which INI file the program found without letting
// it go on to open its window.
const std::string kUnreadableSettingBox =
    "[error] The following fatal exception occured:: Exception occured with error code: 0.\n\n";

class Trainer : public ::testing::Test {
protected:
    // A copy of the program at relative.
    std::string Install(const std::string& relative) {
        fs::path to = root.Path() / relative;
        fs::create_directories(to.parent_path());
        fs::copy_file(kBuiltTrainer, to);
        return to.string();
    }
    // A language folder whose INI file stops the start-up once it is read.
    void Language(const std::string& dir, const std::string& ini = "trainer.ini") {
        fs::create_directories(root.Path() / dir);
        WriteFile((root.Path() / dir / ini).string(), "[ScreenMode]\nFullScreen=" + std::string(60, 'y') + "\n");
    }
    static void ExpectBox(const ProgramResult& r, int exitCode, const std::string& box) {
        EXPECT_EQ(r.exitCode, exitCode);
        EXPECT_EQ(r.err, box);
    }

    TempDir root;
};

TEST_F(Trainer, VersionExitsWithZeroWhateverElseIsThere) {
    std::string program = Install("bin/trainer");
    Language("english");
    for (const auto& args : {std::vector<std::string>{"/V"}, {"english", "/WINDOW", "/V"},
                             {"nosuchlang", "/v", "more"}, {"/FULL", "/V", "english"}, {"english", "/v"}}) {
        SCOPED_TRACE(args.size());
        ExpectBox(RunProgram(program, args), 0, kVersionBox);
    }
    ExpectBox(RunProgram(kBuiltTrainer, {"/V"}), 0, kVersionBox);
}

TEST_F(Trainer, NoLanguageExitsWithMinusOne) {
    for (const auto& args : {std::vector<std::string>{}, {"/WINDOW"}, {"/full", "/window"}, {"/Full", ""}})
        ExpectBox(RunProgram(kBuiltTrainer, args), 255, kNoLanguageBox);
}

TEST_F(Trainer, BadLanguageExitsWithMinusOne) {
    ExpectBox(RunProgram(kBuiltTrainer, {"nosuchlang"}), 255, kBadLanguageBox);
    // Language folders are found by their exact name.
    ExpectBox(RunProgram(kBuiltTrainer, {"ENGLISH", "/WINDOW"}), 255, kBadLanguageBox);
}

TEST_F(Trainer, FindsTheLanguageBesideItsOwnFolderOrBesideBin) {
    std::string beside = Install("app/trainer");
    ExpectBox(RunProgram(beside, {"english"}), 255, kBadLanguageBox);
    Language("app/english");
    ExpectBox(RunProgram(beside, {"english"}), 255, kUnreadableSettingBox);

    std::string binned = Install("Install Root/Bin/Debug/trainer");
    ExpectBox(RunProgram(binned, {"english"}), 255, kBadLanguageBox);
    Language("Install Root/english");
    ExpectBox(RunProgram(binned, {"english"}), 255, kUnreadableSettingBox);

    // The INI is named after the program.
    std::string renamed = Install("other/bin/Lorvano");
    Language("other/english");
    ExpectBox(RunProgram(renamed, {"english"}), 255, kBadLanguageBox);
    Language("other/english", "Lorvano.ini");
    ExpectBox(RunProgram(renamed, {"english"}), 255, kUnreadableSettingBox);
}

TEST_F(Trainer, TheLastLanguageWordCountsAndWordsIgnoreCase) {
    std::string program = Install("bin/trainer");
    Language("english");
    ExpectBox(RunProgram(program, {"nosuchlang", "english"}), 255, kUnreadableSettingBox);
    ExpectBox(RunProgram(program, {"english", "nosuchlang"}), 255, kBadLanguageBox);
    // Options in any case are options, not language names.
    ExpectBox(RunProgram(program, {"/window"}), 255, kNoLanguageBox);
    ExpectBox(RunProgram(program, {"/fUlL", "/Window"}), 255, kNoLanguageBox);
    ExpectBox(RunProgram(program, {"english", "/wINDOW", "/v"}), 0, kVersionBox);
}

}  // namespace
