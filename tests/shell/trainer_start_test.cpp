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
const std::string kVersionBox = "[error] Lorvano version: 1.1.0325\n";
const std::string kNoLanguageBox = "[error] Lorvanio: No Language defined. Lorvano cannot run.\n";
const std::string kBadLanguageBox = "[error] Lorvanio: Bad Language name or missing INI file. Lorvano cannot run.\n";

class Trainer : public ::testing::Test {
protected:
    // A copy of the program at relative, and trainer.ini files where asked.
    std::string Install(const std::string& relative) {
        fs::path to = root.Path() / relative;
        fs::create_directories(to.parent_path());
        fs::copy_file(kBuiltTrainer, to);
        return to.string();
    }
    void Language(const std::string& dir, const std::string& ini = "trainer.ini") {
        fs::create_directories(root.Path() / dir);
        WriteFile((root.Path() / dir / ini).string(), "[ScreenMode]\nFullScreen=FALSE\n");
    }

    TempDir root;
};

TEST_F(Trainer, VersionExitsWithZeroWhateverElseIsThere) {
    for (const auto& args : {std::vector<std::string>{"/V"}, {"english", "/WINDOW", "/V"},
                             {"nosuchlang", "/v", "more"}, {"/FULL", "/V", "english"}}) {
        ProgramResult r = RunProgram(kBuiltTrainer, args);
        EXPECT_EQ(r.exitCode, 0) << args.size();
        EXPECT_EQ(r.err, kVersionBox);
    }
}

TEST_F(Trainer, NoLanguageExitsWithMinusOne) {
    for (const auto& args : {std::vector<std::string>{}, {"/WINDOW"}, {"/full", "/window"}}) {
        ProgramResult r = RunProgram(kBuiltTrainer, args);
        EXPECT_EQ(r.exitCode, 255);
        EXPECT_EQ(r.err, kNoLanguageBox);
    }
}

TEST_F(Trainer, BadLanguageExitsWithMinusOne) {
    ProgramResult r = RunProgram(kBuiltTrainer, {"nosuchlang"});
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, kBadLanguageBox);
    // Language folders are found by their exact name.
    r = RunProgram(kBuiltTrainer, {"ENGLISH", "/WINDOW"});
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, kBadLanguageBox);
}

TEST_F(Trainer, FindsTheLanguageBesideItsOwnFolderOrBesideBin) {
    // The build tree: <build>/bin/trainer and <build>/english/trainer.ini.
    ProgramResult r = RunProgram(kBuiltTrainer, {"english", "/WINDOW"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");

    std::string beside = Install("app/trainer");
    EXPECT_EQ(RunProgram(beside, {"english"}).exitCode, 255);
    Language("app/english");
    r = RunProgram(beside, {"english", "/WINDOW"});
    EXPECT_EQ(r.exitCode, 0) << r.err;

    std::string binned = Install("Install Root/Bin/trainer");
    EXPECT_EQ(RunProgram(binned, {"english"}).exitCode, 255);
    Language("Install Root/english");
    r = RunProgram(binned, {"english", "/WINDOW"});
    EXPECT_EQ(r.exitCode, 0) << r.err;

    // The INI is named after the program.
    std::string renamed = Install("other/bin/Lorvano");
    Language("other/english");
    EXPECT_EQ(RunProgram(renamed, {"english"}).exitCode, 255);
    Language("other/english", "Lorvano.ini");
    EXPECT_EQ(RunProgram(renamed, {"english", "/WINDOW"}).exitCode, 0);
}

TEST_F(Trainer, TheLastLanguageWordCountsAndWordsIgnoreCase) {
    std::string program = Install("bin/trainer");
    Language("english");
    EXPECT_EQ(RunProgram(program, {"nosuchlang", "english", "/WINDOW"}).exitCode, 0);
    ProgramResult r = RunProgram(program, {"english", "nosuchlang", "/WINDOW"});
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, kBadLanguageBox);
    // "/window" and "/Full" are options, not language names.
    EXPECT_EQ(RunProgram(program, {"english", "/window"}).exitCode, 0);
    EXPECT_EQ(RunProgram(program, {"english", "/Full", "/wInDoW"}).exitCode, 0);
}

TEST_F(Trainer, ASettingThatCannotBeReadStopsWithAFatalBox) {
    std::string program = Install("bin/trainer");
    fs::create_directories(root.Path() / "english");
    WriteFile((root.Path() / "english/trainer.ini").string(), "[ScreenMode]\nFullScreen=" + std::string(60, 'y') + "\n");
    ProgramResult r = RunProgram(program, {"english"});
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, "[error] The following fatal exception occured:: Exception occured with error code: 0.\n\n");
    // With the window chosen on the command line the value is never read.
    EXPECT_EQ(RunProgram(program, {"english", "/WINDOW"}).exitCode, 0);
}

}  // namespace
