// lorvano-roster: keeps teachers (passwords from standard input, stored only
// hashed) and pupils in a users file given with --users, and leaves a damaged
// file as it is.

#include "progress/progress_store.h"
#include "roster/pupils.h"
#include "roster/users_file.h"

#include "../support/temp_dir.h"
#include "../support/tool_run.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Records of two sessions: Anna with the pupil (marks program/teacher 4/5,
// 2/1 on fish; 3/4 on s the next day) and Bert with another pupil.
void SeedRecords(const TempDir& dir, const std::string& pupil) {
    progress::vProgressStore_c store(dir.File("progress.sqlite"), progress::vProgressStore_c::Open::CreateOrWrite);
    auto add = [&](int64_t session, const std::string& time, const std::string& exercise, int mark, int teacher) {
        progress::vTry_c t;
        t.time = time;
        t.exerciseFile = exercise;
        t.cardText = "a \"quoted\", card";
        t.kind = 3;
        t.mark = mark;
        t.teacherMark = teacher;
        store.AddTry(session, t);
    };
    store.Begin();
    const int64_t anna = store.BeginSession(pupil, "Anna", "2026-03-01 10:00:00");
    add(anna, "2026-03-01 10:01:00", "/l/Words/fish.exc", 4, 5);
    add(anna, "2026-03-01 10:02:00", "/l/Words/fish.exc", 2, 1);
    add(anna, "2026-03-02 09:00:00", "/l/Sounds/s.exc", 3, 4);
    add(store.BeginSession("Bob", "Bert", "2026-03-01 11:00:00"), "2026-03-01 11:01:00", "/l/Words/fish.exc", 5, 1);
    store.Commit();
}

TEST(LorvanoRoster, ReportsExportsAndRemovesAPupilsRecords) {
    TempDir dir;
    const std::string pupil = "Zoë \"Z\" O'Neill " + std::string(40, 'o');
    const std::string inShell = "'" + std::string("Zoë \"Z\" O'\\''Neill ") + std::string(40, 'o') + "'";
    ASSERT_EQ(Roster(dir, "add-pupil " + inShell).exitCode, 0);
    SeedRecords(dir, pupil);
    WriteFile(roster::vPupilStore_c(dir.File("pupils")).NewRecording(pupil, 3, "fish", "fish.exc"), "RIFF");
    const std::string quoted = "'" + std::string("zoë \"Z\" o'\\''neill ") + std::string(40, 'o') + "'";

    ToolRun r =
        Roster(dir, "report " + quoted + " --from 2026-03-01 --to 2026-03-01 --csv '" + dir.File("r.csv") + "'");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    const std::string csv = ReadFile(dir.File("r.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3) << csv;  // header and the first day's two tries
    EXPECT_NE(csv.find("\"Zoë \"\"Z\"\" O'Neill "), std::string::npos) << csv;
    EXPECT_NE(csv.find(",\"a \"\"quoted\"\", card\",3,4,,0,0,5,"), std::string::npos) << csv;

    // A page per sound and kind (all of the seeded tries are words without one).
    ASSERT_EQ(Roster(dir, "report " + quoted + " --pdf '" + dir.File("r.pdf") + "'").exitCode, 0);
    const std::string text = RunTool("pdftotext '" + dir.File("r.pdf") + "' -").out;
    EXPECT_NE(text.find("no trained sound, words"), std::string::npos) << text;
    EXPECT_NE(text.find("tries per session (most: 3)"), std::string::npos) << text;
    EXPECT_EQ(RunTool("pdfinfo '" + dir.File("r.pdf") + "' | awk '/^Pages:/ {print $2}'").out, "1\n");
    ASSERT_EQ(Roster(dir, "report " + quoted + " --from 2026-05-01 --pdf '" + dir.File("none.pdf") + "'").exitCode, 0);
    EXPECT_NE(RunTool("pdftotext '" + dir.File("none.pdf") + "' -").out.find("No tries in this period."),
              std::string::npos);

    r = Roster(dir, "report " + quoted + " --from 2026-04-01 --csv '" + dir.File("empty.csv") + "'");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.substr(0, 8), "0 tries ");
    EXPECT_EQ(Roster(dir, "report " + quoted + " --from 2026-03-02 --to 2026-03-01 --csv x.csv").out,
              "lorvano-roster: The period ends (2026-03-01) before it begins (2026-03-02).\n");
    EXPECT_EQ(Roster(dir, "report Nobody --csv '" + dir.File("n.csv") + "'").out,
              "lorvano-roster: There is no pupil named Nobody.\n");
    EXPECT_EQ(Roster(dir, "report " + std::string(5000, 'x') + " --csv '" + dir.File("n.csv") + "'").exitCode, 1);
    EXPECT_EQ(Roster(dir, "report " + quoted + " --from 1.3.2026 --csv x.csv").exitCode, 1);
    EXPECT_EQ(Roster(dir, "report " + quoted).exitCode, 2);

    // Anna: fish 4/5 and 2/1 (both within one, none exact), s 3/4.
    r = Roster(dir, "agreement --teacher anna");
    EXPECT_EQ(r.out.substr(r.out.find("/l/Sounds")), "/l/Sounds/s.exc\t1\t0%\t100%\t0.00\t3.00\t-\n"
                                                     "/l/Words/fish.exc\t2\t0%\t100%\t0.80\t4.00\t2.00\n"
                                                     "all\t3\t0%\t100%\t0.73\t3.50\t2.00\n");
    r = Roster(dir, "agreement --exercise fish.exc");
    EXPECT_NE(r.out.find("all\t3\t0%\t67%\t"), std::string::npos) << r.out;
    EXPECT_EQ(Roster(dir, "agreement --teacher Nobody").out, "No tries with the teacher's mark.\n");

    r = Roster(dir, "export " + quoted + " '" + dir.File("out") + "'");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    const std::string exported = ReadFile(dir.File("out/tries.csv"));
    EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), 4);
    EXPECT_EQ(CountEntries(dir.File("out")), 2);  // the CSV and the WAV
    EXPECT_EQ(Roster(dir, "export " + quoted + " '" + dir.File("out") + "'").exitCode, 1);  // nothing overwritten

    EXPECT_EQ(Roster(dir, "remove-pupil " + quoted).exitCode, 1);
    EXPECT_EQ(Roster(dir, "remove-pupil " + quoted + " --with-recordings").exitCode, 0);
    progress::vProgressStore_c store(dir.File("progress.sqlite"), progress::vProgressStore_c::Open::Existing);
    EXPECT_TRUE(store.Tries(pupil).empty());
    EXPECT_EQ(store.Tries("Bob").size(), 1u);
}

}  // namespace
