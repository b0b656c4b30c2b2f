// The dialogs of the real libRoster.so on an X display, answered the way a
// teacher would (xdotool): log in after a wrong password, save a say for a
// new pupil, reopen its exercise. Screenshots of each dialog land beside this
// test's binary ("login_first.png", "login_retry.png", "pupil.png",
// "recordings.png").

#include "roster/users_file.h"
#include "shell/companion_libraries.h"

#include "../support/temp_dir.h"
#include "../support/window_pixels.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>
#include <filesystem>
#include <functional>
#include <future>
#include <iostream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

const std::string kShots = LORVANO_BINARY_DIR "/tests/roster/";

// True while that window exists and is mapped. Asked of the window itself:
// a search over every window can come back empty when some other window
// goes in the middle of it.
bool Viewable(const std::string& window) {
    return RunCommand("xwininfo -id " + window + " 2>/dev/null | grep -q IsViewable").exitCode == 0;
}

// Waits for a dialog with that title that was not answered before (one that
// is going can still be listed while the next of the same title comes),
// takes its screenshot and runs the xdotool commands on it (the keyboard
// goes to the dialog); a lone key is pressed again until the dialog goes.
// False when the dialog did not show, a command failed or the dialog stayed:
// it is then closed, so that a lost answer fails the test instead of keeping
// it in the dialog's loop for ever. What failed is written out.
bool Answer(const std::string& title, const std::string& shot, const std::vector<std::string>& commands) {
    static std::set<std::string> answered;
    std::string window;
    const bool found = WaitUntil(
        [&] {
            std::istringstream ids(
                RunCommand("xdotool search --onlyvisible --name " + Quoted("^" + title + "$") + " 2>/dev/null").out);
            for (std::string id; std::getline(ids, id);)
                if (!id.empty() && !answered.count(id)) window = id;
            return !window.empty();
        },
        kWindowSeconds);
    if (!found) {
        std::cerr << "Answer: no new window titled \"" << title << "\"\n";
        return false;
    }
    answered.insert(window);
    // Keys that come before the dialog has drawn itself and taken input go
    // nowhere: a busy machine needs a moment more than a quiet one.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const std::string focus = "xdotool windowfocus --sync " + window;
    auto run = [&](const std::string& command) {
        const ProgramResult r = RunCommand(command);
        if (r.exitCode != 0)
            std::cerr << "Answer \"" << title << "\" window " << window << ": `" << command << "` gave "
                      << r.exitCode << ": " << r.err << r.out << "\n";
        return r.exitCode == 0;
    };
    // A dialog just mapped on a busy machine may refuse the focus or the
    // screenshot for a moment: asked again while it is there.
    bool ok = false;
    WaitUntil([&] { return (ok = run(focus + " && import -window " + window + " " + kShots + shot)) || !Viewable(window); },
              kWindowSeconds, 500);
    std::string line = focus;
    for (const std::string& c : commands) line += " && xdotool " + c;
    const bool gone = WaitUntil(
        [&, n = 0]() mutable {
            if (n++ == 0)
                ok = run(line) && ok;
            else if (commands.size() == 1 && n % 30 == 0)
                RunCommand(line);  // the dialog may go meanwhile: no failure
            return !Viewable(window);
        },
        kWindowSeconds);
    if (!gone) {
        std::cerr << "Answer \"" << title << "\": window " << window << " stayed\n";
        RequestWindowClose(window);
    }
    return ok && gone;
}

// Runs answer on another thread while call runs the library's dialog loop on
// this one, and returns what answer returned. When answer fails (a dialog
// that did not show, a lost key, a box it did not expect), every window of
// this process is asked to close until call returns, so that the test fails
// instead of staying in a dialog for ever.
bool AnsweredWhile(const std::function<bool()>& answer, const std::function<void()>& call) {
    std::atomic<bool> returned{false};
    auto helper = std::async(std::launch::async, [&] {
        if (answer()) return true;
        const std::string own = "xdotool search --onlyvisible --pid " + std::to_string(::getpid());
        WaitUntil(
            [&] {
                std::istringstream windows(RunCommand(own).out);
                for (std::string id; std::getline(windows, id);)
                    if (!id.empty()) RequestWindowClose(id);
                return returned.load();
            },
            2 * kWindowSeconds, 500);
        return false;
    });
    call();
    returned = true;
    return helper.get();
}

// A key code with no symbols in the display's keyboard map; empty when none.
std::string FirstEmptyKeycode() {
    const std::string map = RunCommand("xmodmap -pke").out;
    size_t at = 0;
    while ((at = map.find("keycode", at)) != std::string::npos) {
        const size_t end = map.find('\n', at);
        const std::string line = map.substr(at, end - at);
        const size_t equals = line.find('=');
        if (equals != std::string::npos && line.find_first_not_of(' ', equals + 1) == std::string::npos)
            return std::to_string(std::atoi(line.c_str() + 7));
        at = end;
    }
    return {};
}

class RosterDialog : public testing::Test {
protected:
    void SetUp() override {
        if (!HaveXDisplay() || CommandOutput("command -v xdotool").empty() ||
            CommandOutput("command -v import").empty() || CommandOutput("command -v xmodmap").empty() ||
            CommandOutput("command -v xwininfo").empty())
            GTEST_SKIP() << "needs an X display, xdotool, xmodmap, xwininfo and ImageMagick";
        mOldDir = fs::current_path();
        fs::current_path(mDir.Path());
    }
    void TearDown() override {
        if (!mOldDir.empty()) fs::current_path(mOldDir);
    }

    TempDir mDir;
    fs::path mOldDir;
};

TEST_F(RosterDialog, ATeacherLogsInSavesASayAndReopensItsExercise) {
    const std::string usersFile = mDir.File("TrUsers.dat");
    {
        roster::vUsersFile_c users(usersFile);
        users.AddTeacher("Anna", "secret 7");
        users.Save();
    }
    // As in the program, which has GTK itself: the library does not take GTK
    // out of the process again when it goes (GLib cannot be unloaded cleanly).
    ASSERT_NE(dlopen("libgtk-3.so.0", RTLD_NOW | RTLD_NODELETE), nullptr);
    vUsersDll_c library;
    ASSERT_TRUE(StartUserManagement(library, usersFile, LORVANO_BINARY_DIR "/bin/"));

    // Each dialog runs its own loop on this thread; the teacher acts from another.
    ASSERT_TRUE(AnsweredWhile(
        [] {
            return Answer("Teacher login", "login_first.png",
                          {"type --delay 20 Anna", "key Tab", "type --delay 20 wrong", "key Return"}) &&
                   // Asked again with the name kept and the password field focused.
                   Answer("Teacher login", "login_retry.png", {"type --delay 20 'secret 7'", "key Return"});
        },
        [&] { library.Login(0); }));
    ASSERT_EQ(TeacherLoggedIn(&library), 1);

    WriteFile("say.wav", "the pupil's say");
    // xdotool types a letter the keyboard lacks by binding it to a spare key
    // for a moment; a busy dialog that reads the key after the binding is
    // undone gets nothing (the name came out "Zo"). On a key of its own, the
    // letter is typed like any other.
    const std::string spare = FirstEmptyKeycode();
    ASSERT_FALSE(spare.empty()) << "no spare key in the keyboard map";
    ASSERT_EQ(RunCommand("xmodmap -e 'keycode " + spare + " = ediaeresis Ediaeresis'").exitCode, 0);
    int saved = 0;
    ASSERT_TRUE(AnsweredWhile([] { return Answer("Pupil", "pupil.png", {"type --delay 20 'Zoë'", "key Return"}); },
                              [&] { saved = SaveSayForStudent(&library, 3, "Ball", "Words/ball.exc"); }));
    ASSERT_EQ(saved, 1);
    const fs::path folder = mDir.Path() / "pupils" / "Zoë";
    std::string pupils;
    if (fs::is_directory(mDir.Path() / "pupils"))
        for (const auto& e : fs::directory_iterator(mDir.Path() / "pupils")) pupils += e.path().filename().string() + " ";
    ASSERT_TRUE(fs::is_directory(folder)) << "pupils: " << pupils;

    std::string exercise, recording;
    int selected = 0;
    ASSERT_TRUE(AnsweredWhile([] { return Answer("Pupil's exercise", "recordings.png", {"key Return"}); },
                              [&] { selected = SelectStudentExerciseFile(&library, exercise, recording); }));
    ASSERT_EQ(selected, 1);
    EXPECT_EQ(exercise, mDir.File("Words/ball.exc"));
    EXPECT_EQ(fs::path(recording).parent_path(), folder);
    EXPECT_EQ(ReadFile(recording), "the pupil's say");
}

}  // namespace
