// Runs the real trainer on the X display on a copy of the bundled language
// (plus a folder "Aa test" that sorts first, holding a loudness exercise):
// it starts on the cards of the language folder; a folder card shows the
// folder with a back card and the folder's own card; an exercise card opens
// the exercise; the exercise's card leads back to the folder; the drawer's
// Back and Start work. From the bundled cards alone, the Words card leads to
// a word exercise that says its word, the Sounds card to a sound exercise;
// the drawer's Print opens the print dialog, and Escape closes it. Without the companion libraries beside the program,
// the drawer's Settings and Guide, and F1, say so in a box. Screens along the way are
// kept as <build>/cards_*.png for a look.

#include "../support/temp_dir.h"
#include "../support/menu_cards.h"
#include "../support/window_pixels.h"

#include <gtest/gtest.h>

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

// Colours of the bundled card frames (scripts/make_cards.sh).
const std::string kFolderGreen = "#3F9B4B";
const std::string kFileBlue = "#3F7FC0";
const std::string kBackOrange = "#C07A20";
const std::string kDisabledGrey = "#A0A0A0";
const std::string kBlack = "#000000";

void ClickAt(const std::string& window, int x, int y) {
    CommandOutput("xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
                  " click 1");
}

// Moves the mouse off the cards so that none shows its hover picture.
void MouseAway(const std::string& window) { CommandOutput("xdotool mousemove --window " + window + " 790 300"); }

// Opens the drawer with its "Menu" button and waits until it stands open:
// "Menu" has risen to the top. A button part-way up would take the click
// meant for another on a busy machine.
void OpenDrawer(const std::string& window) {
    static const std::string menu = PictureColour(LORVANO_SOURCE_DIR "/data/english/.Pic/Drawer/Menu0.bmp", 8, 22);
    ClickAt(window, 48, 572);
    MouseAway(window);
    WaitForPixel(window, 8, 50, menu, true);
}

void Shot(const std::string& window, const std::string& name) {
    CommandOutput("import -window " + window + " " LORVANO_BINARY_DIR "/cards_" + name + ".png");
}

// A copy of the program in <root>/bin, alone, and of the bundled language.
std::string Install(const TempDir& root) {
    fs::create_directories(root.Path() / "bin");
    fs::copy_file(LORVANO_BINARY_DIR "/bin/trainer", root.Path() / "bin/trainer");
    fs::copy(LORVANO_SOURCE_DIR "/data/english", root.Path() / "english", fs::copy_options::recursive);
    return (root.Path() / "bin/trainer").string();
}

}  // namespace

TEST(CardNavigation, CardsExerciseCardAndDrawerLeadAroundTheLanguage) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    TempDir root;
    const std::string program = Install(root);
    const fs::path test = root.Path() / "english/Aa test";
    fs::create_directories(test);
    WriteFile((test / "Loudness.exc").string(), "<vTrAmpExercise_c> Obj = { CardPos = (660, 460); }\n");
    // The exercise listens to a silent file microphone.
    setenv("LORVANO_AUDIO", "file", 1);
    setenv("LORVANO_AUDIO_PACE", "realtime", 1);

    std::string rootFirst, folderBack, folderCard, exerciseDisplay, exerciseCard, backDisplay, backCard;
    std::string drawerBackDisplay, drawerBackCard, startFirst, startCorner;
    ProgramResult r = RunProgramInWindow(program, {"english", "/WINDOW"},
                                         [&](const std::string& w) {
                                             MouseAway(w);
                                             // The language's cards: "Aa test" first.
                                             rootFirst = WaitForPixel(w, 22, 22, kFolderGreen, true);
                                             Shot(w, "root");
                                             // The folder: the exercise, the back card, the folder's card.
                                             ClickAt(w, 80, 80);
                                             MouseAway(w);
                                             folderBack = WaitForPixel(w, 152, 22, kBackOrange, true);
                                             folderCard = WaitForPixel(w, 602, 402, kDisabledGrey, true);
                                             Shot(w, "folder");
                                             // The exercise: a black display, its own card bottom right.
                                             ClickAt(w, 80, 80);
                                             MouseAway(w);
                                             exerciseDisplay = WaitForPixel(w, 300, 250, kBlack, true);
                                             exerciseCard = WaitForPixel(w, 662, 462, kFileBlue, true);
                                             Shot(w, "exercise");
                                             // Its card leads back to the folder, whose card is clickable.
                                             ClickAt(w, 720, 520);
                                             MouseAway(w);
                                             backDisplay = WaitForPixel(w, 300, 250, kBlack, false);
                                             backCard = WaitForPixel(w, 602, 402, kFolderGreen, true);
                                             // Again into the exercise, then the drawer's Back.
                                             ClickAt(w, 80, 80);
                                             WaitForPixel(w, 300, 250, kBlack, true);
                                             OpenDrawer(w);
                                             ClickAt(w, 48, 470);  // "Back"
                                             MouseAway(w);
                                             drawerBackDisplay = WaitForPixel(w, 300, 250, kBlack, false);
                                             drawerBackCard = WaitForPixel(w, 602, 402, kFolderGreen, true);
                                             Shot(w, "drawer_back");
                                             // The drawer's Start: the language's cards again.
                                             OpenDrawer(w);
                                             ClickAt(w, 48, 522);  // "Start", above "Close"
                                             MouseAway(w);
                                             startCorner = WaitForPixel(w, 602, 402, kFolderGreen, false);
                                             startFirst = WaitForPixel(w, 22, 22, kFolderGreen, true);
                                             Shot(w, "start");
                                         });
    unsetenv("LORVANO_AUDIO");
    unsetenv("LORVANO_AUDIO_PACE");
    ASSERT_FALSE(r.window.empty()) << "no window appeared; " << r.err;
    EXPECT_EQ(rootFirst, kFolderGreen) << r.err;
    EXPECT_EQ(folderBack, kBackOrange);
    EXPECT_EQ(folderCard, kDisabledGrey);
    EXPECT_EQ(exerciseDisplay, kBlack);
    EXPECT_EQ(exerciseCard, kFileBlue);
    EXPECT_NE(backDisplay, kBlack);
    EXPECT_EQ(backCard, kFolderGreen);
    EXPECT_NE(drawerBackDisplay, kBlack);
    EXPECT_EQ(drawerBackCard, kFolderGreen);
    EXPECT_NE(startCorner, kFolderGreen) << "the root shows no card of its own";
    EXPECT_EQ(startFirst, kFolderGreen);
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

// The box of a missing library: an X window of that title, answered with
// Return; where SDL cannot show a box, it goes to standard error instead.
// True when the window was seen.
bool AnswerInitializationBox() {
    const std::string id = WaitForWindow("Initialization error");
    if (id.empty()) return false;
    AnswerUntilGone("Initialization error", [&] { CommandOutput("xdotool key --window " + id + " Return"); });
    return true;
}

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(CardNavigation, WithoutTheirLibrariesSettingsAndTheGuideSaySoInABox) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    TempDir root;
    const std::string program = Install(root);
    bool settingsBox = false, guideBox = false, helpBox = false;
    std::string afterBoxes;
    ProgramResult r = RunProgramInWindow(program, {"english", "/WINDOW"}, [&](const std::string& w) {
        WaitForPixel(w, 22, 22, kFolderGreen, true);
        OpenDrawer(w);
        ClickAt(w, 48, 366);  // "Settings"
        settingsBox = AnswerInitializationBox();
        ClickAt(w, 48, 314);  // "Guide"
        guideBox = AnswerInitializationBox();
        // F1 from the keyboard, with the window focused.
        CommandOutput("xdotool mousemove --window " + w + " 400 300 windowfocus " + w);
        usleep(300 * 1000);
        CommandOutput("xdotool key F1");
        helpBox = AnswerInitializationBox();
        afterBoxes = VisibleWindowTitled("Initialization error");
    });
    ASSERT_FALSE(r.window.empty()) << r.err;
    // Either way, one box per request, with the text of its library.
    EXPECT_EQ(settingsBox + Count(r.err, "Initialization error: Cannot load setup DLL"), 1) << r.err;
    EXPECT_EQ(guideBox + helpBox + Count(r.err, "Initialization error: Cannot load guide DLL"), 2) << r.err;
    EXPECT_TRUE(afterBoxes.empty());
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(CardNavigation, TheWordsCardLeadsToAWordAndTheSoundsCardToASound) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    TempDir root;
    const std::string program = Install(root);
    const fs::path language = root.Path() / "english";
    const fs::path played = root.Path() / "played.wav";
    // The word exercise says its word as it opens; the sound exercise listens.
    setenv("LORVANO_AUDIO", "file", 1);
    setenv("LORVANO_AUDIO_PACE", "realtime", 1);
    setenv("LORVANO_AUDIO_OUT", played.c_str(), 1);
    const CardPlace words = CardOf(language, "Words"), sounds = CardOf(language, "Sounds");
    const CardPlace cat = CardOf(language / "Words", "Cat.exc"), firstSound = CardOf(language / "Sounds", "S_f.exc");
    // The sound exercise's first level button, as its picture shows it.
    const std::string levelButton = PictureColour((language / ".Pic/Sounds/Level1_0.bmp").string(), 20, 10);
    bool saidWord = false;
    std::string soundLevel, homeAgain;
    ProgramResult r = RunProgramInWindow(program, {"english", "/WINDOW"}, [&](const std::string& w) {
        MouseAway(w);
        WaitForPixel(w, 22, 22, kFolderGreen, true);
        ClickAt(w, words.CentreX(), words.CentreY());
        MouseAway(w);
        WaitForPixel(w, cat.left + 2, cat.top + 2, kFileBlue, true);  // the folder's exercises
        ClickAt(w, cat.CentreX(), cat.CentreY());
        MouseAway(w);
        // The output file is whole only when the speaker closes; while it plays, its part grows.
        saidWord = WaitUntil(
            [&] {
                std::error_code ec, partEc;
                const auto whole = fs::file_size(played, ec), part = fs::file_size(played.string() + ".part", partEc);
                return (!ec && whole > 44) || (!partEc && part > 44);
            },
            kWindowSeconds);
        Shot(w, "word");
        // Start, then the sounds.
        OpenDrawer(w);
        ClickAt(w, 48, 522);  // "Start"
        MouseAway(w);
        homeAgain = WaitForPixel(w, 22, 22, kFolderGreen, true);
        ClickAt(w, sounds.CentreX(), sounds.CentreY());
        MouseAway(w);
        WaitForPixel(w, firstSound.left + 2, firstSound.top + 2, kFileBlue, true);
        ClickAt(w, firstSound.CentreX(), firstSound.CentreY());
        MouseAway(w);
        soundLevel = WaitForPixel(w, 260, 36, levelButton, true);
        Shot(w, "sound");
    });
    unsetenv("LORVANO_AUDIO");
    unsetenv("LORVANO_AUDIO_PACE");
    unsetenv("LORVANO_AUDIO_OUT");
    ASSERT_FALSE(r.window.empty()) << "no window appeared; " << r.err;
    EXPECT_TRUE(saidWord) << "the word exercise played nothing; " << r.err;
    EXPECT_EQ(homeAgain, kFolderGreen);
    ASSERT_FALSE(levelButton.empty());
    EXPECT_EQ(soundLevel, levelButton) << r.err;
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(CardNavigation, TheDrawersPrintButtonOpensThePrintDialogAboveTheProgram) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    TempDir root;
    const std::string program = Install(root);
    std::string dialog, size, afterCancel;
    ProgramResult r = RunProgramInWindow(program, {"english", "/WINDOW"}, [&](const std::string& w) {
        WaitForPixel(w, 22, 22, kFolderGreen, true);
        OpenDrawer(w);
        ClickAt(w, 48, 418);  // "Print"
        dialog = WaitForWindow("Print");
        if (dialog.empty()) return;
        size = CommandOutput("import -window " + dialog + " " LORVANO_BINARY_DIR
                             "/cards_print.png && identify -format '%h' " LORVANO_BINARY_DIR "/cards_print.png");
        AnswerUntilGone("Print", [&] { CommandOutput("xdotool windowfocus --sync " + dialog + " key Escape"); });
        afterCancel = CommandOutput("xdotool search --onlyvisible --name '^Print$'");
    });
    ASSERT_FALSE(r.window.empty()) << r.err;
    ASSERT_FALSE(dialog.empty()) << "no print dialog; " << r.err;
    // The printer list and the page range, not a message box.
    EXPECT_GE(std::stoi("0" + size), 300) << "a window of height " << size << " titled Print";
    EXPECT_TRUE(afterCancel.empty()) << "the print dialog stayed open";
    EXPECT_EQ(r.exitCode, 0) << r.err;
}
