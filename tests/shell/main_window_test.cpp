// Runs the real trainer: its main window on the X display (title, size,
// background, closing it ends the program with 0), and a failure while the
// window is being brought up.

#include "../support/temp_dir.h"
#include "../support/window_pixels.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

const std::string kBuiltTrainer = LORVANO_BINARY_DIR "/bin/trainer";

struct Geometry {
    std::string size;
    int width = 0, height = 0;
};

Geometry GeometryOf(const std::string& window) {
    Geometry g;
    const std::string shell = CommandOutput("xdotool getwindowgeometry --shell " + window + " | tr '\\n' ' '");
    const size_t w = shell.find("WIDTH="), h = shell.find("HEIGHT=");
    if (w == std::string::npos || h == std::string::npos) return g;
    g.width = std::stoi(shell.substr(w + 6));
    g.height = std::stoi(shell.substr(h + 7));
    g.size = std::to_string(g.width) + "x" + std::to_string(g.height);
    return g;
}

class MainWindow : public ::testing::Test {
protected:
    // A copy of the program in <root>/bin with <root>/english/trainer.ini.
    std::string Install(const std::string& ini) {
        fs::create_directories(root.Path() / "bin");
        fs::create_directories(root.Path() / "english");
        fs::copy_file(kBuiltTrainer, root.Path() / "bin/trainer");
        WriteFile((root.Path() / "english/trainer.ini").string(), ini);
        return (root.Path() / "bin/trainer").string();
    }

    TempDir root;
};

}  // namespace

TEST_F(MainWindow, OpensTheHomeScreenIn800x600AndEndsWithZeroWhenClosed) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    // The bundled language, without the companion libraries (no login).
    const std::string program = Install("");
    fs::copy(LORVANO_SOURCE_DIR "/data/english", root.Path() / "english",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    // The card menus' background shows beside and below the home's cards.
    const std::string background = (root.Path() / "english/.Pic/Cards/MenuBg.jpg").string();
    const std::string centre = PictureColour(background, 400, 300), corner = PictureColour(background, 799, 599);
    std::string title, pixelCentre, pixelCorner;
    Geometry geometry;
    ProgramResult r = RunProgramInWindow(program, {"english", "/WINDOW"}, [&](const std::string& w) {
        title = CommandOutput("xdotool getwindowname " + w);
        geometry = GeometryOf(w);
        WaitUntil([&] { return ColoursNear(pixelCentre = PixelOf(w, 400, 300), centre, 6); }, kWindowSeconds);
        pixelCorner = PixelOf(w, 799, 599);
    });
    ASSERT_FALSE(r.window.empty()) << "no window appeared; " << r.err;
    EXPECT_EQ(title, "Lorvano");
    EXPECT_EQ(geometry.size, "800x600");
    EXPECT_TRUE(ColoursNear(pixelCentre, centre, 6)) << pixelCentre << " against " << centre;
    EXPECT_TRUE(ColoursNear(pixelCorner, corner, 6)) << pixelCorner << " against " << corner;
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(MainWindow, TheTitleComesFromTheSettings) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    const std::string program = Install("[Application]\nTitle=Practice Room 7\n");
    std::string title;
    ProgramResult r = RunProgramInWindow(program, {"english", "/window"}, [&](const std::string& w) {
        title = CommandOutput("xdotool getwindowname " + w);
    });
    EXPECT_EQ(title, "Practice Room 7");
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(MainWindow, FullScreenCoversTheDisplay) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    // 32 bits: grey 128 has no exact 16-bit form.
    const std::string program = Install("[ScreenMode]\nFullScreen=TRUE\nBPP=32\n");
    const std::string display = CommandOutput("xdotool getdisplaygeometry | tr ' ' 'x'");
    Geometry geometry;
    std::string pixel;
    ProgramResult r = RunProgramInWindow(program, {"english"}, [&](const std::string& w) {
        geometry = GeometryOf(w);
        pixel = WaitForPixel(w, geometry.width / 2, geometry.height / 2, "#808080");
    });
    ASSERT_FALSE(r.window.empty()) << r.err;
    EXPECT_EQ(geometry.size, display);
    EXPECT_EQ(pixel, "#808080");
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

// A title that fills its 100-byte buffer cannot be read: the failure reaches
// the main loop's fatal box and the program ends with -1 (headless: the box
// goes to standard error).
TEST_F(MainWindow, AFailureWhileComingUpIsFatal) {
    const std::string program = Install("[Application]\nTitle=" + std::string(99, 't') + "\n[ScreenMode]\nFullScreen=FALSE\n");
    ProgramResult r = RunProgram(program, {"english"});
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, "[error] The following fatal exception occured:: Exception occured with error code: 0.\n\n");
}
