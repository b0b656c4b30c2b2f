// Runs the real trainer on the X display with a language directory made from
// the bundled data: the drawer rests closed on the bottom-left corner, and a
// click on its "Menu" button opens it. The screen after the click is kept as
// <build>/drawer_open.png for a look.

#include "../support/run_program.h"
#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

const std::string kGrey = "#808080";

// The colour of one pixel of a window, as ImageMagick writes it ("#808080").
std::string PixelOf(const std::string& window, int x, int y) {
    const std::string line = CommandOutput("import -window " + window + " -crop 1x1+" + std::to_string(x) + "+" +
                                           std::to_string(y) + " -depth 8 txt:- | tail -n 1");
    const size_t hash = line.find('#');
    return hash == std::string::npos ? line : line.substr(hash, 7);
}

// Looks until the pixel is no longer (or, with equal, is) the colour given,
// for a few seconds at most; returns the last colour seen.
std::string WaitForPixel(const std::string& window, int x, int y, const std::string& colour, bool equal) {
    std::string seen;
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (attempt) usleep(100 * 1000);
        seen = PixelOf(window, x, y);
        if ((seen == colour) == equal) break;
    }
    return seen;
}

bool CanDriveWindows() {
    return HaveXDisplay() && !CommandOutput("command -v xdotool").empty() &&
           !CommandOutput("command -v import").empty();
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

    std::string closedMenu, closedAbove, openAbove, openTop, openBottom;
    ProgramResult r = RunProgramInWindow((root.Path() / "bin/trainer").string(), {"english", "/WINDOW"},
                                         [&](const std::string& w) {
                                             // Closed: only "Menu" stands above the bottom edge.
                                             // The grey first: before its first paint the window is black.
                                             closedAbove = WaitForPixel(w, 48, 400, kGrey, true);
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
