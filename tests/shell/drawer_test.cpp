// Runs the real trainer on the X display with a language directory made from
// the bundled data: the drawer rests closed on the bottom-left corner, and a
// click on its "Menu" button opens it. The screen after the click is kept as
// <build>/drawer_open.png for a look.

#include "../support/temp_dir.h"
#include "../support/window_pixels.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

const std::string kGrey = "#808080";

}  // namespace

TEST(Drawer, AClickOnMenuOpensTheDrawer) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    TempDir root;
    fs::create_directories(root.Path() / "bin");
    fs::copy_file(LORVANO_BINARY_DIR "/bin/trainer", root.Path() / "bin/trainer");
    fs::copy(LORVANO_BINARY_DIR "/english", root.Path() / "english", fs::copy_options::recursive);
    const std::string shot = LORVANO_BINARY_DIR "/drawer_open.png";
    fs::remove(shot);

    std::string closedMenu, closedAbove, openAbove, openTop, openBottom;
    ProgramResult r = RunProgramInWindow((root.Path() / "bin/trainer").string(), {"english", "/WINDOW"},
                                         [&](const std::string& w) {
                                             // Closed: only "Menu" stands above the bottom edge.
                                             // The grey first: before its first paint the window is black.
                                             closedAbove = WaitForPixel(w, 48, 400, kGrey);
                                             closedMenu = WaitForPixel(w, 8, 580, kGrey, false);
                                             CommandOutput("xdotool mousemove --window " + w +
                                                           " 48 572 click 1");
                                             // Open: the column of seven buttons fills 208..599.
                                             openAbove = WaitForPixel(w, 8, 400, kGrey, false);
                                             openTop = PixelOf(w, 8, 215);
                                             openBottom = PixelOf(w, 8, 560);
                                             CommandOutput("import -window root " + shot);
                                         });
    ASSERT_FALSE(r.window.empty()) << "no window appeared; " << r.err;
    EXPECT_NE(closedMenu, kGrey) << r.err;
    EXPECT_EQ(closedAbove, kGrey);
    EXPECT_NE(openAbove, kGrey);
    EXPECT_NE(openBottom, closedMenu) << "Start lies where Menu was";
    EXPECT_NE(openTop, kGrey) << "Menu moved to the top";
    EXPECT_TRUE(fs::exists(shot));
    EXPECT_EQ(r.exitCode, 0) << r.err;
}
