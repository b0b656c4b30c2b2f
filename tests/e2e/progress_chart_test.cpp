// The progress chart in the real program: a teacher logs in, chooses a pupil
// whose tries are on record, and the drawer's Chart shows them in a dialog
// above the program; once it is closed the program goes on. The dialog is
// kept as <build>/e2e_progress_chart.png for a look.

#include <gtest/gtest.h>

#include "progress/progress_store.h"
#include "trainer_session.h"

using namespace lorvano_test;

namespace {

const std::string kTeacher = "Anna Berg";
const std::string kPassword = "chart day";
const std::string kPupil = "Tom";
// The colours of the chart: the program's mean mark (line), the teacher's (squares).
const std::string kProgramLine = "#2e6eb5";
const std::string kTeacherSquares = "#bf4d1a";

// Four sessions of word tries on four days, the marks rising, the teacher's
// mark on the first try of each; then a held sound's session (a second page).
void SeedTries(const fs::path& database) {
    progress::vProgressStore_c store(database.string(), progress::vProgressStore_c::Open::CreateOrWrite);
    store.Begin();
    for (int day = 1; day <= 4; ++day) {
        const std::string date = "2026-11-0" + std::to_string(day);
        const int64_t session = store.BeginSession(kPupil, kTeacher, date + " 10:00:00");
        for (int i = 0; i < 2 + day; ++i) {
            progress::vTry_c t;
            t.time = date + " 10:0" + std::to_string(i) + ":00";
            t.exerciseFile = "Words/Fish.exc";
            t.cardText = "fish";
            t.kind = 3;
            t.mark = std::min(5, day + i % 2);
            t.sound = "sh";
            t.soundMark = t.mark;
            t.teacherMark = i == 0 ? day : -1;
            store.AddTry(session, t);
        }
        store.EndSession(session, date + " 10:30:00");
    }
    const int64_t held = store.BeginSession(kPupil, kTeacher, "2026-11-05 10:00:00");
    for (int mark : {2, 3, 3}) {
        progress::vTry_c t;
        t.time = "2026-11-05 10:10:00";
        t.exerciseFile = "Sounds/Z_z.exc";
        t.cardText = "z";
        t.kind = 2;
        t.mark = mark;
        t.sound = "z";
        store.AddTry(held, t);
    }
    store.EndSession(held, "2026-11-05 10:30:00");
    store.Commit();
}

}  // namespace

TEST(ProgressChart, ATeacherOpensTheCurrentPupilsChartFromTheDrawer) {
    if (!CanDriveWindows()) GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    TrainerSession trainer({}, 500);
    const std::string roster = (trainer.Root() / "bin/lorvano-roster").string();
    ASSERT_EQ(RunCommand("echo '" + kPassword + "' | '" + roster + "' add-teacher '" + kTeacher + "'").exitCode, 0);
    SeedTries(trainer.UserData() / "progress.sqlite");

    ASSERT_TRUE(trainer.Start(TrainerSession::LoginAs(kTeacher, kPassword))) << trainer.Errors();
    ASSERT_TRUE(trainer.ChoosePupil(kPupil)) << "no choice of pupil; " << trainer.Errors();

    trainer.Drawer(TrainerSession::kChartY);
    const std::string chart = trainer.WindowNamed("Progress", kWindowSeconds);
    ASSERT_FALSE(chart.empty()) << "no chart; " << trainer.Errors();
    // Drawn once mapped: the line shows within moments.
    std::string shot;
    EXPECT_TRUE(WaitUntil([&] { return PixelsOfColour(shot = trainer.Shot("progress_chart", chart), kProgramLine) > 50; },
                          kWindowSeconds))
        << "no chart line in " << shot;
    EXPECT_GT(PixelsOfColour(shot, kTeacherSquares), 20) << "no teacher's marks in " << shot;
    // The page choice above the chart (scrolled on): the held sound's page, without the teacher's marks.
    CommandOutput("xdotool mousemove --window " + chart + " 300 28 click 5");
    EXPECT_TRUE(WaitUntil([&] { return PixelsOfColour(shot = trainer.Shot("progress_chart_held", chart),
                                                      kTeacherSquares) == 0; },
                          kWindowSeconds))
        << "the page did not change: " << shot;

    TrainerSession::Keys(chart, "Escape");
    ASSERT_TRUE(WaitUntil([&] { return trainer.Dialog("Progress").empty(); }, kWindowSeconds)) << "the chart stayed";
    // The program goes on: a card beside the open drawer leads into its folder.
    EXPECT_TRUE(trainer.ClickCard(trainer.Language(), "Voice")) << "the program stands still";
    EXPECT_EQ(trainer.Finish(), 0) << trainer.Errors();
}
