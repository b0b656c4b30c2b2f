// lorvano-roster: keeps teachers (passwords from standard input, stored only
// hashed) and pupils in a users file given with --users, and leaves a damaged
// file as it is.

#include "roster/pupils.h"
#include "roster/users_file.h"

#include "../support/temp_dir.h"
#include "../support/tool_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

// Runs the tool on the users file with the given text as standard input.
ToolRun Roster(const TempDir& dir, const std::string& args, const std::string& input = "") {
    WriteFile(dir.File("stdin"), input);
    return RunTool(std::string(LORVANO_BINARY_DIR) + "/bin/lorvano-roster --users '" + dir.File("TrUsers.dat") +
                   "' " + args + " < '" + dir.File("stdin") + "'");
}

TEST(LorvanoRoster, KeepsTeachersAndPupils) {
    TempDir dir;
    EXPECT_EQ(Roster(dir, "add-teacher Anna", "first pass\n").exitCode, 0);
    EXPECT_EQ(Roster(dir, "add-teacher 'Bert Brown'", "bert's\n").exitCode, 0);
    EXPECT_EQ(Roster(dir, "add-teacher anna", "again\n").exitCode, 1);
    EXPECT_EQ(Roster(dir, "add-teacher Eve", "\n").out, "lorvano-roster: The password is empty.\n");
    EXPECT_EQ(Roster(dir, "set-password Anna", "second pass\n").exitCode, 0);
    EXPECT_EQ(Roster(dir, "remove-teacher 'Bert Brown'").exitCode, 0);
    EXPECT_EQ(Roster(dir, "add-pupil 'Zoë'").out, dir.File("pupils/Zoë/") + "\n");
    EXPECT_EQ(Roster(dir, "add-pupil ../x").exitCode, 1);
    EXPECT_EQ(Roster(dir, "list").out, "teacher\tAnna\npupil\tZoë\t0 recording(s)\n");
    EXPECT_EQ(ReadFile(dir.File("TrUsers.dat")).find("pass"), std::string::npos);

    roster::vUsersFile_c users(dir.File("TrUsers.dat"));
    users.Load();
    EXPECT_TRUE(users.CheckLogin("Anna", "second pass"));
    EXPECT_FALSE(users.CheckLogin("Anna", "first pass"));

    // A pupil with a recording goes only with --with-recordings.
    roster::vPupilStore_c pupils(dir.File("pupils"));
    WriteFile(pupils.NewRecording("Zoë", 1, "Card", "a.exc"), "wav");
    EXPECT_EQ(Roster(dir, "remove-pupil zoë").exitCode, 1);
    EXPECT_EQ(Roster(dir, "remove-pupil zoë --with-recordings").exitCode, 0);
    EXPECT_FALSE(fs::exists(dir.File("pupils/Zoë")));

    EXPECT_EQ(Roster(dir, "add-teacher").exitCode, 2);
    EXPECT_EQ(Roster(dir, "frobnicate x").exitCode, 2);
}

TEST(LorvanoRoster, AnEmptyUsersFileIsNoUsersYetAndSaidSo) {
    TempDir dir;
    WriteFile(dir.File("TrUsers.dat"), "");
    const ToolRun listed = Roster(dir, "list");
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.out.find("is empty: a first save did not finish"), std::string::npos) << listed.out;
    EXPECT_EQ(Roster(dir, "add-teacher Anna", "pw\n").exitCode, 0);
    EXPECT_EQ(Roster(dir, "list").out, "teacher\tAnna\n");
}

TEST(LorvanoRoster, LeavesADamagedUsersFileAlone) {
    TempDir dir;
    ASSERT_EQ(Roster(dir, "add-teacher Anna", "pw\n").exitCode, 0);
    const std::string cut = ReadFile(dir.File("TrUsers.dat")).substr(0, 40);
    WriteFile(dir.File("TrUsers.dat"), cut);
    const ToolRun add = Roster(dir, "add-teacher Bert", "pw\n");
    EXPECT_EQ(add.exitCode, 1);
    EXPECT_NE(add.out.find("is damaged"), std::string::npos) << add.out;
    EXPECT_EQ(Roster(dir, "list").exitCode, 1);
    EXPECT_EQ(ReadFile(dir.File("TrUsers.dat")), cut);
}

}  // namespace
