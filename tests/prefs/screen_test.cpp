// The sheet on the X display as a user sees it: a program loads the library,
// the microphone page is opened with the keyboard while the File backend's
// microphone hears espeak-ng speech, the live meters are photographed, and
// Cancel ends it with 0 and the INI file untouched. Needs an X display,
// xdotool, ImageMagick, espeak-ng and sox.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../support/run_program.h"
#include "../support/temp_dir.h"

using namespace lorvano_test;

namespace {

const std::string kHost = LORVANO_BINARY_DIR "/bin/prefs_host";
const std::string kLibrary = LORVANO_BINARY_DIR "/bin/libPrefs.so";
const std::string kLanguage = LORVANO_SOURCE_DIR "/data/english";

bool Have(const char* tool) { return !CommandOutput(std::string("command -v ") + tool).empty(); }

// Pure green pixels of a picture (the meters' bars below 90 %).
int GreenPixels(const std::string& png) {
    const std::string n = CommandOutput("convert " + png + " txt:- | grep -ci '#00FF00'");
    return n.empty() ? 0 : std::stoi(n);
}

TEST(SheetOnScreen, WithoutADisplayNothingIsShownAndNothingWritten) {
    TempDir dir;
    const std::string ini = dir.File("trainer.ini");
    WriteFile(ini, "[ScreenMode]\nBPP=16\n");
    const ProgramResult r = RunProgram(kHost, {kLibrary, ini, "0", kLanguage});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(ini), "[ScreenMode]\nBPP=16\n");
}

TEST(SheetOnScreen, TheMicrophonePageShowsSpeechAndCancelWritesNothing) {
    if (!HaveXDisplay() || !Have("xdotool") || !Have("import") || !Have("espeak-ng") || !Have("sox"))
        GTEST_SKIP() << "needs an X display, xdotool, ImageMagick, espeak-ng and sox";
    TempDir dir;
    const std::string speech = dir.File("speech.wav");
    ASSERT_EQ(std::system(("espeak-ng -w " + dir.File("raw.wav") +
                           " 'Good morning. Say after me: the rain in Spain stays mainly in the plain.' && sox " +
                           dir.File("raw.wav") + " -r 22050 -c 1 -b 16 " + speech)
                              .c_str()),
              0);
    const std::string ini = dir.File("trainer.ini");
    WriteFile(ini, ReadFile(kLanguage + "/trainer.ini"));
    const std::string before = ReadFile(ini);
    setenv("LORVANO_AUDIO", "file", 1);
    setenv("LORVANO_AUDIO_IN", (speech + ":" + speech + ":" + speech).c_str(), 1);
    setenv("LORVANO_AUDIO_GAP_MS", "200", 1);

    Child child = StartProgram(kHost, {kLibrary, ini, "0", kLanguage}, Video::Display);
    ASSERT_GT(child.pid, 0);
    std::string window;
    for (int attempt = 0; attempt < 200 && window.empty() && !Ended(child.pid); ++attempt) {
        window = CommandOutput("xdotool search --onlyvisible --name '^Lorvano settings$'");
        if (window.empty()) usleep(50 * 1000);
    }
    std::string name;
    int greenFirst = 0, greenLater = 0;
    std::string changed;
    if (!window.empty()) {
        name = CommandOutput("xdotool getwindowname " + window);
        usleep(300 * 1000);
        std::system(("xdotool windowfocus --sync " + window + " key alt+m").c_str());
        usleep(1500 * 1000);
        const std::string first = std::string(LORVANO_BINARY_DIR) + "/prefs_microphone.png";
        const std::string later = dir.File("later.png");
        std::system(("import -window " + window + " " + first).c_str());
        usleep(400 * 1000);
        std::system(("import -window " + window + " " + later).c_str());
        greenFirst = GreenPixels(first);
        greenLater = GreenPixels(later);
        // compare prints the number of differing pixels on standard error.
        changed = CommandOutput("compare -metric AE " + first + " " + later + " null: 2>&1 >/dev/null; true");
        std::system(("xdotool windowfocus --sync " + window + " key alt+c").c_str());
    }
    for (int attempt = 0; attempt < 100 && !Ended(child.pid); ++attempt) usleep(50 * 1000);
    if (!Ended(child.pid)) kill(child.pid, SIGKILL);
    ProgramResult result;
    FinishProgram(child, result);

    ASSERT_FALSE(window.empty()) << "the sheet did not show; " << result.err;
    EXPECT_EQ(name, "Lorvano settings");
    EXPECT_GT(greenFirst, 200) << "no live bars in the picture";
    EXPECT_GT(greenLater, 200);
    EXPECT_NE(changed, "0") << "the meters did not move";
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(ini), before);
}

}  // namespace
