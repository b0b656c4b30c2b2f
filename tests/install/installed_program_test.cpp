// The installed program as a user meets it: the build is installed into a
// temporary root (as a package would put it under /usr), the tree is made
// read-only, and `lorvano english /WINDOW` runs under the X display for a user
// with a fresh home. The user's own exercise (a copy of the "fish" word in a
// folder "Aa test" of their language folder, which sorts first) shows among
// the shipped cards; two spoken words go into it through the file
// microphone; the say lands in the user's folder and nothing under the
// installed tree changes.

#include "../support/scoped_env.h"
#include "../support/temp_dir.h"
#include "../support/window_pixels.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

// Every entry below root with its size and modification time.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
        struct stat st {};
        ::lstat(e.path().c_str(), &st);
        entries[e.path().string()] = std::to_string(st.st_size) + "@" + std::to_string(st.st_mtim.tv_sec) + "." +
                                     std::to_string(st.st_mtim.tv_nsec);
    }
    return entries;
}

bool Speak(const std::string& text, int speed, int pitch, const fs::path& wav) {
    const std::string raw = wav.string() + ".raw.wav";
    return std::system(("espeak-ng -v en -s " + std::to_string(speed) + " -p " + std::to_string(pitch) + " -w '" +
                        raw + "' '" + text + "' && sox '" + raw + "' -r 22050 -c 1 -b 16 '" + wav.string() + "'")
                           .c_str()) == 0;
}

// The window of the given title that belongs to the process, waited for.
std::string WindowOf(pid_t pid, const std::string& title, double seconds) {
    std::string id;
    WaitUntil(
        [&] {
            id = CommandOutput("xdotool search --all --onlyvisible --pid " + std::to_string(pid) + " --name '^" +
                               title + "$'");
            return !id.empty() || Ended(pid);
        },
        seconds);
    return id;
}

}  // namespace

TEST(InstalledProgram, RunsReadOnlyForAFreshUserAndKeepsTheSayInTheirHome) {
    if (!CanDriveWindows() || CommandOutput("command -v espeak-ng").empty())
        GTEST_SKIP() << "needs an X display, xdotool, ImageMagick and espeak-ng";
    TempDir root;
    const fs::path dest = root.Path() / "dest";
    const fs::path prefix = dest / "usr";
    ASSERT_EQ(std::system(("DESTDIR='" + dest.string() + "' '" LORVANO_CMAKE_COMMAND "' --install '" LORVANO_BINARY_DIR
                           "' --prefix /usr > '" + (root.Path() / "install.log").string() + "'")
                              .c_str()),
              0);
    ASSERT_TRUE(fs::exists(prefix / "bin/lorvano"));
    ASSERT_TRUE(fs::exists(prefix / "libexec/lorvano/libRoster.so"));
    ASSERT_EQ(std::system(("chmod -R a-w '" + prefix.string() + "'").c_str()), 0);
    const auto before = Snapshot(prefix);

    const fs::path home = root.Path() / "home";
    const fs::path mine = home / ".local/share/lorvano/english";
    fs::create_directories(mine / "Aa test");
    fs::copy_file(prefix / "share/lorvano/english/Words/Fish.exc", mine / "Aa test/Fish.exc");
    ASSERT_TRUE(Speak("fish", 120, 60, root.Path() / "one.wav"));
    ASSERT_TRUE(Speak("moon", 160, 40, root.Path() / "two.wav"));
    ScopedEnv h("HOME", home.string());
    ScopedEnv d("XDG_DATA_HOME", "");
    ScopedEnv c("XDG_CONFIG_HOME", "");
    ScopedEnv audio("LORVANO_AUDIO", "file");
    ScopedEnv pace("LORVANO_AUDIO_PACE", "realtime");
    ScopedEnv gap("LORVANO_AUDIO_GAP_MS", "1500");
    ScopedEnv in("LORVANO_AUDIO_IN", (root.Path() / "one.wav").string() + ":" + (root.Path() / "two.wav").string());
    ScopedEnv out("LORVANO_AUDIO_OUT", (root.Path() / "played.wav").string());

    Child child = StartProgram((prefix / "bin/lorvano").string(), {"english", "/WINDOW"}, Video::Display);
    ASSERT_GT(child.pid, 0);
    const std::string window = WindowOf(child.pid, "Lorvano", kWindowSeconds);
    // A fresh home has no teacher: the user management offers the first one;
    // the pupil goes on without.
    const std::string firstTeacher = WindowOf(child.pid, "First teacher", 15);
    if (!firstTeacher.empty()) CommandOutput("xdotool windowfocus --sync " + firstTeacher + " key Escape");
    bool said = false;
    if (!window.empty()) {
        usleep(500 * 1000);
        CommandOutput("xdotool mousemove --window " + window + " 80 80 click 1");  // the folder "Aa test"
        usleep(1500 * 1000);
        CommandOutput("xdotool mousemove --window " + window + " 80 80 click 1");  // its word exercise
        said = WaitUntil([&] { return fs::exists(mine / "say.wav") && fs::file_size(mine / "say.wav") > 1000; },
                         kWindowSeconds);
        CommandOutput("import -window " + window + " " LORVANO_BINARY_DIR "/installed_word.png");
        CloseWindow(child, window);
    }
    ProgramResult result;
    FinishProgram(child, result, 0);

    ASSERT_FALSE(window.empty()) << "no window appeared; " << result.err;
    EXPECT_TRUE(said) << "no say under " << mine << "; " << result.err;
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // The user's folders: the mirror of the language; the settings over the shipped file.
    EXPECT_TRUE(fs::is_symlink(mine / "trainer.ini"));
    EXPECT_TRUE(fs::exists(home / ".config/lorvano/english/trainer.ini"));
    EXPECT_EQ(Snapshot(prefix), before) << "the installed tree changed";
    ASSERT_EQ(std::system(("chmod -R u+w '" + prefix.string() + "'").c_str()), 0);
}
