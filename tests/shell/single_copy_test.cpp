// Runs the real trainer twice on one language for one user: the second copy
// says that the first is running and ends, the first goes on; a copy on
// another language runs beside it.

#include "../support/scoped_env.h"
#include "../support/temp_dir.h"
#include "../support/window_pixels.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <string>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

// Starts the program headless and waits at most seconds for its end; one that
// is still running then is killed (exit code -1000).
ProgramResult RunFor(const std::string& program, const std::vector<std::string>& args, int seconds) {
    ProgramResult result;
    Child child = StartProgram(program, args, Video::Headless);
    if (child.pid <= 0) return result;
    for (int attempt = 0; attempt < seconds * 10 && !Ended(child.pid); ++attempt) usleep(100 * 1000);
    const bool ended = Ended(child.pid);
    if (!ended) kill(child.pid, SIGKILL);
    FinishProgram(child, result);
    if (!ended) result.exitCode = -1000;
    return result;
}

}  // namespace

TEST(SingleCopy, ASecondCopyOnTheSameLanguageSaysSoAndEnds) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    TempDir root;
    fs::create_directories(root.Path() / "bin");
    fs::create_directories(root.Path() / "run");
    fs::copy_file(LORVANO_BINARY_DIR "/bin/trainer", root.Path() / "bin/trainer");
    fs::copy(LORVANO_BINARY_DIR "/english", root.Path() / "english", fs::copy_options::recursive);
    fs::copy(LORVANO_BINARY_DIR "/english", root.Path() / "other", fs::copy_options::recursive);
    ScopedEnv runtime("XDG_RUNTIME_DIR", (root.Path() / "run").string());
    const std::string program = (root.Path() / "bin/trainer").string();

    ProgramResult second, other;
    std::string firstStillThere;
    ProgramResult first = RunProgramInWindow(program, {"english", "/WINDOW"}, [&](const std::string& w) {
        WaitForPixel(w, 22, 22, "#3F9B4B");  // the home screen's first card
        second = RunFor(program, {"english", "/WINDOW"}, 20);
        other = RunFor(program, {"other", "/WINDOW"}, 3);
        firstStillThere = CommandOutput("xdotool search --onlyvisible --name '^Lorvano$'");
    });
    ASSERT_FALSE(first.window.empty()) << "no window appeared; " << first.err;
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.err.find("Lorvano is already running for this language"), std::string::npos) << second.err;
    EXPECT_EQ(other.exitCode, -1000) << "a copy on another language did not run; " << other.err;
    EXPECT_FALSE(firstStillThere.empty());
    EXPECT_EQ(first.exitCode, 0) << first.err;
}
