// Runs the real trainer on the X display with a language directory made from
// the bundled data: the drawer rests closed on the bottom-left corner, and a
// click on its "Menu" button opens it; quick clicks on "Menu" inside an
// exercise never leave it; "Quit" and Ctrl+Q ask before the program ends;
// "Print" prints the screen without the drawer, into the home folder.
// The screen after the click is kept as <build>/drawer_open.png for a look.

#include "../support/scoped_env.h"
#include "../support/temp_dir.h"
#include "../support/window_pixels.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

const std::string kFolderGreen = "#3F9B4B";  // the frame of the home screen's first card
const std::string kBlack = "#000000";

// A copy of the program and of the bundled language in root.
std::string Install(const TempDir& root) {
    fs::create_directories(root.Path() / "bin");
    fs::copy_file(LORVANO_BINARY_DIR "/bin/trainer", root.Path() / "bin/trainer");
    fs::copy(LORVANO_BINARY_DIR "/english", root.Path() / "english", fs::copy_options::recursive);
    return (root.Path() / "bin/trainer").string();
}

void Click(const std::string& window, int x, int y, int times = 1) {
    CommandOutput("xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
                  " click --repeat " + std::to_string(times) + " --delay 120 1");
}

// The window of the quit question, once it shows (for seconds at most); "" when it does not.
std::string QuitBox(int seconds) {
    std::string id;
    for (int attempt = 0; attempt < seconds * 10 && id.empty(); ++attempt) {
        if (attempt) usleep(100 * 1000);
        id = VisibleWindowTitled("Quit Lorvano");
    }
    return id;
}

}  // namespace

TEST(Drawer, AClickOnMenuOpensTheDrawer) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    TempDir root;
    fs::create_directories(root.Path() / "bin");
    fs::copy_file(LORVANO_BINARY_DIR "/bin/trainer", root.Path() / "bin/trainer");
    fs::copy(LORVANO_BINARY_DIR "/english", root.Path() / "english", fs::copy_options::recursive);
    const std::string shot = LORVANO_BINARY_DIR "/drawer_open.png";
    fs::remove(shot);

    std::string closedMenu, closedAbove, closedTop, openAbove, openTop, openBottom;
    ProgramResult r = RunProgramInWindow((root.Path() / "bin/trainer").string(), {"english", "/WINDOW"},
                                         [&](const std::string& w) {
                                             // Closed: only "Menu" stands above the bottom edge.
                                             // The cards first: before its first paint the window is black.
                                             WaitForPixel(w, 22, 22, kFolderGreen);
                                             closedAbove = PixelOf(w, 8, 400);
                                             closedTop = PixelOf(w, 8, 100);
                                             closedMenu = PixelOf(w, 8, 580);
                                             CommandOutput("xdotool mousemove --window " + w +
                                                           " 48 572 click 1");
                                             // Open: the column of eleven buttons fills 28..599.
                                             openAbove = WaitForPixel(w, 8, 400, closedAbove, false);
                                             openTop = PixelOf(w, 8, 100);
                                             openBottom = PixelOf(w, 8, 560);
                                             CommandOutput("import -window root " + shot);
                                         });
    ASSERT_FALSE(r.window.empty()) << "no window appeared; " << r.err;
    EXPECT_NE(closedMenu, closedAbove) << r.err;
    EXPECT_NE(openAbove, closedAbove);
    EXPECT_NE(openBottom, closedMenu) << "Close lies where Menu was";
    EXPECT_NE(openTop, closedTop) << "Menu moved to the top";
    EXPECT_TRUE(fs::exists(shot));
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(Drawer, QuickClicksOnMenuInsideAnExerciseStayInIt) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    TempDir root;
    const std::string program = Install(root);
    // A folder that sorts first, holding a loudness exercise (a black display).
    fs::create_directories(root.Path() / "english/Aa test");
    WriteFile((root.Path() / "english/Aa test/Loudness.exc").string(),
              "<vTrAmpExercise_c> Obj = { CardPos = (660, 460); }\n");
    setenv("LORVANO_AUDIO", "file", 1);
    std::string inside, after;
    ProgramResult r = RunProgramInWindow(program, {"english", "/WINDOW"}, [&](const std::string& w) {
        WaitForPixel(w, 22, 22, kFolderGreen);
        Click(w, 80, 80);  // the folder
        usleep(500 * 1000);
        Click(w, 80, 80);  // the exercise
        inside = WaitForPixel(w, 300, 250, kBlack, true);
        Click(w, 48, 572, 10);
        CommandOutput("xdotool mousemove --window " + w + " 790 300");
        usleep(1500 * 1000);
        after = PixelOf(w, 300, 250);
        CommandOutput("import -window " + w + " " LORVANO_BINARY_DIR "/drawer_hammered.png");
    });
    unsetenv("LORVANO_AUDIO");
    ASSERT_FALSE(r.window.empty()) << "no window appeared; " << r.err;
    ASSERT_EQ(inside, kBlack) << "the exercise did not open; " << r.err;
    EXPECT_EQ(after, kBlack) << "ten clicks on Menu left the exercise";
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

// Where SDL cannot show a box (no core fonts on the X server), the question
// goes to standard error and is answered "No"; then only the asking is seen.
TEST(Drawer, QuitAndCtrlQAskBeforeTheProgramEnds) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    TempDir root;
    const std::string program = Install(root);
    std::string firstBox, stillThere, secondBox, gone;
    ProgramResult r = RunProgramInWindow(program, {"english", "/WINDOW"}, [&](const std::string& w) {
        WaitForPixel(w, 22, 22, kFolderGreen);
        const std::string closed = PixelOf(w, 8, 50);
        Click(w, 48, 572);                     // "Menu"
        WaitForPixel(w, 8, 50, closed, false);  // open
        Click(w, 48, 106);                      // "Quit"
        firstBox = QuitBox(3);
        if (!firstBox.empty()) CommandOutput("xdotool key --window " + firstBox + " Escape");  // "No"
        usleep(800 * 1000);
        stillThere = CommandOutput("xdotool search --onlyvisible --name '^Lorvano$'");
        CommandOutput("xdotool mousemove --window " + w + " 400 300 key ctrl+q");
        secondBox = QuitBox(3);
        if (secondBox.empty()) return;
        CommandOutput("xdotool key --window " + secondBox + " Return");  // "Yes"
        for (int attempt = 0; attempt < 50 && gone.empty(); ++attempt) {
            usleep(100 * 1000);
            if (CommandOutput("xdotool search --onlyvisible --name '^Lorvano$'").empty()) gone = "gone";
        }
    });
    ASSERT_FALSE(r.window.empty()) << "no window appeared; " << r.err;
    int onStderr = 0;
    for (size_t at = r.err.find("Quit Lorvano: End Lorvano now?"); at != std::string::npos;
         at = r.err.find("Quit Lorvano: End Lorvano now?", at + 1))
        ++onStderr;
    EXPECT_EQ(onStderr + !firstBox.empty() + !secondBox.empty(), 2) << "Quit and Ctrl+Q each ask once; " << r.err;
    EXPECT_FALSE(stillThere.empty()) << "No did not keep the program";
    if (!secondBox.empty()) EXPECT_EQ(gone, "gone") << "Yes did not end the program";
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(Drawer, PrintLeavesTheDrawerOffThePageAndWritesIntoTheHomeFolder) {
    if (!CanDriveWindows() || CommandOutput("command -v pdftoppm").empty())
        GTEST_SKIP() << "needs an X display, xdotool, ImageMagick and pdftoppm";
    TempDir root;
    const std::string program = Install(root);
    fs::create_directories(root.Path() / "home");
    ScopedEnv home("HOME", (root.Path() / "home").string());
    ScopedEnv config("XDG_CONFIG_HOME", (root.Path() / "home/.config").string());
    const fs::path pdf = root.Path() / "home/Lorvano printout.pdf";
    std::string dialog;
    ProgramResult r = RunProgramInWindow(program, {"english", "/WINDOW"}, [&](const std::string& w) {
        WaitForPixel(w, 22, 22, kFolderGreen);
        const std::string closed = PixelOf(w, 8, 50);
        Click(w, 48, 572);                     // "Menu"
        WaitForPixel(w, 8, 50, closed, false);  // open
        Click(w, 48, 418);                      // "Print"
        for (int attempt = 0; attempt < 100 && dialog.empty(); ++attempt) {
            usleep(100 * 1000);
            dialog = CommandOutput("xdotool search --onlyvisible --name '^Print$'");
        }
        if (dialog.empty()) return;
        usleep(500 * 1000);
        // "Print to File", the only printer, then "Print" bottom right.
        CommandOutput("xdotool mousemove --window " + dialog + " 80 86 click 1");
        usleep(500 * 1000);
        CommandOutput("import -window " + dialog + " " LORVANO_BINARY_DIR "/drawer_print_dialog.png");
        CommandOutput("xdotool getwindowgeometry " + dialog + " >/dev/null; eval $(xdotool getwindowgeometry --shell " +
                      dialog + "); xdotool mousemove --window " + dialog + " $((WIDTH - 56)) $((HEIGHT - 28)) click 1");
        for (int attempt = 0; attempt < 100 && !fs::exists(pdf); ++attempt) usleep(100 * 1000);
        usleep(500 * 1000);
    });
    ASSERT_FALSE(r.window.empty()) << r.err;
    ASSERT_FALSE(dialog.empty()) << "no print dialog; " << r.err;
    ASSERT_TRUE(fs::exists(pdf)) << "nothing printed into the home folder; " << r.err;
    for (const auto& entry : fs::recursive_directory_iterator(root.Path() / "english"))
        EXPECT_NE(entry.path().extension(), ".pdf") << entry.path();
    // The page (kept as <build>/drawer_print_page.png): the screen with its
    // cards' green frames, and none of the drawer's button colours
    // (Settings' red, Guide's teal).
    const std::string page = LORVANO_BINARY_DIR "/drawer_print_page";
    CommandOutput("pdftoppm -r 50 -png -singlefile '" + pdf.string() + "' '" + page + "'");
    auto count = [&](const std::string& colour) {
        return std::stol("0" + CommandOutput("convert '" + page + ".png' -fuzz 4% -fill '#ff00ff' -opaque '" + colour +
                                             "' -fill black +opaque '#ff00ff' -fill white -opaque '#ff00ff' "
                                             "-format '%[fx:int(mean*w*h+0.5)]' info:"));
    };
    EXPECT_GT(count(kFolderGreen), 1000) << "no cards on the page";
    // A button is some 1200 pixels of its colour at this size; the mouth's lips have a few of the red.
    for (const char* colour : {"#a03c3c", "#2a8f8f"}) EXPECT_LT(count(colour), 200) << colour;
    EXPECT_EQ(r.exitCode, 0) << r.err;
}
