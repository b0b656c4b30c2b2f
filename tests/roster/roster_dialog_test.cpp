// The login dialog of the real libRoster.so on an X display, typed into the
// way a teacher would (xdotool); its screenshots land beside this test's
// binary ("login_first.png", "login_retry.png").

#include "roster/users_file.h"
#include "shell/companion_libraries.h"

#include "../support/run_program.h"
#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

const std::string kShots = LORVANO_BINARY_DIR "/tests/roster/";

// The id of the visible window with that title, waiting for it to show.
std::string WaitForWindow(const std::string& title) {
    for (int i = 0; i < 200; ++i) {
        const std::string id = CommandOutput("xdotool search --onlyvisible --name '^" + title + "$'");
        if (!id.empty()) return id;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

// Types into the dialog's fields and presses Return: the name (when given)
// into the focused name field, then the password.
bool Answer(const std::string& window, const std::string& shot, const std::string& name,
            const std::string& password) {
    if (window.empty()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // first paint
    const std::string typeName = name.empty() ? "" : " && xdotool type --delay 20 '" + name + "' && xdotool key Tab";
    return std::system(("xdotool windowfocus --sync " + window + " && import -window " + window + " " + kShots + shot +
                        typeName + " && xdotool type --delay 20 '" + password + "' && xdotool key Return")
                           .c_str()) == 0;
}

TEST(RosterDialog, ATeacherLogsInThroughTheDialogAfterAWrongPassword) {
    if (!HaveXDisplay() || CommandOutput("command -v xdotool").empty() || CommandOutput("command -v import").empty())
        GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    TempDir dir;
    const std::string usersFile = dir.File("TrUsers.dat");
    {
        roster::vUsersFile_c users(usersFile);
        users.AddTeacher("Anna", "secret 7");
        users.Save();
    }
    vUsersDll_c library;
    ASSERT_TRUE(StartUserManagement(library, usersFile, LORVANO_BINARY_DIR "/bin/"));

    // The dialog runs its own loop on this thread; the teacher types from another.
    auto teacher = std::async(std::launch::async, [] {
        const bool first = Answer(WaitForWindow("Teacher login"), "login_first.png", "Anna", "wrong");
        // The dialog asks again; wait until the first one is gone.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const bool second = Answer(WaitForWindow("Teacher login"), "login_retry.png", "", "secret 7");
        return first && second;
    });
    library.Login(0);
    ASSERT_TRUE(teacher.get());
    EXPECT_EQ(TeacherLoggedIn(&library), 1);
    EXPECT_TRUE(fs::file_size(kShots + "login_retry.png") > 0);
}

}  // namespace
