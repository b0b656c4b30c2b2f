// A recorded lesson with the real program: a teacher logs in and chooses a
// pupil with the drawer's Pupil button (the name then shows in the top right
// corner), the pupil says three words to the fish, and the teacher clicks
// the mark picture and gives her own mark instead of the program's last one.
// The progress database then holds one session with the three tries and her
// mark beside the program's unchanged one, and the roster tool's report shows
// them as CSV and draws them as a PDF (its first page is kept as
// <build>/e2e_progress_report.png for a look).

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "trainer_session.h"

using namespace lorvano_test;

namespace {

const std::string kTeacher = "Anna Berg";
const std::string kPassword = "lesson one";
const std::string kPupil = "Tom";
const std::string kWords = "Words";
const std::string kFish = "Fish.exc";

// The CSV report's rows below its header, split into cells (no cell of
// this lesson holds a comma or quote).
std::vector<std::vector<std::string>> CsvRows(const std::string& csv) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cells;
        std::istringstream cellStream(line);
        std::string cell;
        while (std::getline(cellStream, cell, ',')) cells.push_back(cell);
        if (line.back() == ',') cells.emplace_back();
        rows.push_back(cells);
    }
    return rows;
}

// Columns of the CSV report.
enum { kSessionColumn = 2, kMarkColumn = 8, kTeacherMarkColumn = 12 };

std::string Sql(const fs::path& database, const std::string& query) {
    std::string out = CommandOutput("sqlite3 '" + database.string() + "' '" + query + "'");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

}  // namespace

TEST(ProgressLesson, ATeachersMarkStandsBesideTheProgramsAndTheReportShowsIt) {
    if (!CanDriveWindows() || !HaveSpeech() || CommandOutput("command -v sqlite3").empty() ||
        CommandOutput("command -v pdftoppm").empty())
        GTEST_SKIP() << "needs an X display, xdotool, ImageMagick, espeak-ng, sox, sqlite3 and pdftoppm";
    TempDir speech;
    std::vector<fs::path> says;
    int n = 0;
    for (const Utterance& u : {Utterance{"fish", "en-us", 120, 35}, Utterance{"fish", "en", 110, 60},
                               Utterance{"moon", "en-us", 120, 35}}) {
        says.push_back(speech.Path() / ("say" + std::to_string(n++) + ".wav"));
        ASSERT_TRUE(Speak(u, 2.0, says.back()));
    }
    TrainerSession trainer(says, 1500);
    const std::string roster = (trainer.Root() / "bin/lorvano-roster").string();
    ASSERT_EQ(RunCommand("echo '" + kPassword + "' | '" + roster + "' add-teacher '" + kTeacher + "'").exitCode, 0);
    const ResultView view = ResultViewOf(trainer.Language(), kWords + "/" + kFish);
    ASSERT_GE(view.pictures.size(), 5u);

    ASSERT_TRUE(trainer.Start(TrainerSession::LoginAs(kTeacher, kPassword))) << trainer.Errors();

    // The pupil, chosen once; her name shows in the top right corner.
    trainer.MouseAway();
    trainer.Settle();
    const std::string before = trainer.Shot("no_pupil");
    auto corner = [](const std::string& shot) { return Region(shot, 600, 0, 200, 30); };
    ASSERT_TRUE(trainer.ChoosePupil(kPupil)) << trainer.Errors();
    // The drawer stays open behind the dialog: its Close, where Menu rests.
    trainer.Click(48, TrainerSession::kCloseY);
    trainer.MouseAway();
    EXPECT_TRUE(WaitUntil([&] { return !trainer.DrawerOpen(); }, kWindowSeconds));
    EXPECT_TRUE(WaitUntil([&] { return DifferingPixels(corner(trainer.Shot("pupil_name")), corner(before)) > 30; },
                          kWindowSeconds))
        << "the pupil's name does not show";

    // Three words, each a try of the pupil's.
    ASSERT_TRUE(trainer.ClickCard(trainer.Language(), kWords));
    ASSERT_TRUE(trainer.ClickCard(trainer.Language() / kWords, kFish));
    const fs::path csv = trainer.Root() / "tries.csv";
    auto report = [&] {
        RunCommand("'" + roster + "' report '" + kPupil + "' --csv '" + csv.string() + "'");
        return CsvRows(ReadFile(csv.string()));
    };
    ASSERT_TRUE(WaitUntil([&] { return report().size() >= 3; }, 120)) << "tries recorded: " << report().size();
    const std::vector<std::string> last = report().back();
    ASSERT_GT(last.size(), static_cast<size_t>(kTeacherMarkColumn));
    const int programMark = std::atoi(last[kMarkColumn].c_str());
    ASSERT_TRUE(WaitUntil([&] { return trainer.MarkShown(view) == programMark; }, 30)) << programMark;

    // The teacher disagrees with the program's last mark.
    const int teacherMark = programMark >= 3 ? 1 : 5;
    trainer.Click(view.x + view.width / 2, view.y + view.height / 2);
    const std::string markDialog = trainer.WindowNamed("Teacher.s mark", kWindowSeconds);
    ASSERT_FALSE(markDialog.empty()) << trainer.Errors();
    trainer.Shot("teacher_mark", markDialog);
    TrainerSession::Keys(markDialog, "alt+" + std::to_string(teacherMark));
    EXPECT_TRUE(WaitUntil([&] { return trainer.Dialog("Teacher.s mark").empty(); }, kWindowSeconds));
    trainer.MouseAway();
    trainer.Settle();
    EXPECT_EQ(trainer.MarkShown(view), programMark) << "the shown mark stays";
    EXPECT_EQ(trainer.Finish(), 0) << trainer.Errors();

    const fs::path database = trainer.UserData() / "progress.sqlite";
    EXPECT_EQ(Sql(database, "SELECT count(*) FROM sessions"), "1");
    EXPECT_EQ(Sql(database, "SELECT count(*) FROM tries"), "3");
    EXPECT_EQ(Sql(database, "SELECT group_concat(ifnull(teacher_mark, \"-\"), \" \") FROM tries ORDER BY id"),
              "- - " + std::to_string(teacherMark));

    const auto rows = report();
    ASSERT_EQ(rows.size(), 3u);
    std::set<std::string> sessions;
    for (const auto& row : rows) sessions.insert(row.at(kSessionColumn));
    EXPECT_EQ(sessions.size(), 1u);
    EXPECT_EQ(rows[0].at(kTeacherMarkColumn), "");
    EXPECT_EQ(rows[2].at(kTeacherMarkColumn), std::to_string(teacherMark));
    EXPECT_EQ(rows[2].at(kMarkColumn), std::to_string(programMark));

    const fs::path pdf = trainer.Root() / "tries.pdf";
    ASSERT_EQ(RunCommand("'" + roster + "' report '" + kPupil + "' --pdf '" + pdf.string() + "'").exitCode, 0);
    EXPECT_EQ(ReadFile(pdf.string()).substr(0, 5), "%PDF-");
    const std::string page = LORVANO_BINARY_DIR "/e2e_progress_report";
    fs::remove(page + ".png");
    ASSERT_EQ(RunCommand("pdftoppm -f 1 -l 1 -r 90 -png -singlefile '" + pdf.string() + "' '" + page + "'").exitCode,
              0);
    EXPECT_GT(fs::file_size(page + ".png"), 1000u);
}
