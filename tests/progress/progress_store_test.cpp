// The progress store: databases of every earlier schema are migrated with
// their records; a database it cannot use is reported and left byte for
// byte as it was; odd names go in and come out unchanged.

#include "progress/progress_report.h"
#include "progress/progress_store.h"

#include "../support/child_process.h"
#include "../support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cmath>
#include <sstream>
#include <thread>

using namespace lorvano_test;
using progress::vProgressStore_c;
using progress::vProgressUnavailable_c;

namespace {

constexpr auto kCreate = vProgressStore_c::Open::CreateOrWrite;

// Records written the way each schema version stored them: seeds[v] fills a
// database of version v (nothing to keep in version 0).
const char* const kSeeds[] = {
    "",
    "INSERT INTO sessions(id, pupil, teacher, started, ended) VALUES(7, 'Zoë', 'Anna', '2026-03-01 10:00:00', NULL);"
    "INSERT INTO tries(session, time, exercise, card, kind, mark, sound, sound_mark, score, teacher_mark, recording)"
    " VALUES(7, '2026-03-01 10:01:00', 'Words/fish.exc', 'fish', 1, 4, 'sh', 3, 812.5, 5, '');",
};
static_assert(std::size(kSeeds) == progress::kSchemaVersion + 1);

progress::vTry_c Try(const std::string& time, int mark, int teacherMark = -1, const std::string& card = "") {
    progress::vTry_c t;
    t.time = time;
    t.mark = mark;
    t.teacherMark = teacherMark;
    t.cardText = card;
    return t;
}

int Version(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &s, nullptr);
    const int v = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : -1;
    sqlite3_finalize(s);
    sqlite3_close(db);
    return v;
}

TEST(ProgressStore, MigratesFromEveryEarlierVersion) {
    for (int from = 0; from <= progress::kSchemaVersion; ++from) {
        SCOPED_TRACE("from version " + std::to_string(from));
        TempDir dir;
        const std::string path = dir.File("progress.sqlite");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        progress::Migrate(db, path, from);
        ASSERT_EQ(sqlite3_exec(db, kSeeds[from], nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
        ASSERT_EQ(Version(path), from);

        vProgressStore_c store(path, kCreate);
        EXPECT_EQ(Version(path), progress::kSchemaVersion);
        const auto tries = store.Tries("Zoë");
        ASSERT_EQ(tries.size(), from >= 1 ? 1u : 0u);
        if (from >= 1) {
            EXPECT_EQ(tries[0].sessionStart, "2026-03-01 10:00:00");
            EXPECT_EQ(tries[0].mark, 4);
            EXPECT_EQ(tries[0].sound, "sh");
            EXPECT_EQ(tries[0].teacherMark, 5);
        }
        // The migrated database takes new records.
        store.Begin();
        store.AddTry(store.BeginSession("Zoë", "Anna", "2026-03-02 09:00:00"), Try("2026-03-02 09:00:01", 3));
        store.Commit();
        EXPECT_EQ(store.Tries("Zoë").size(), tries.size() + 1);
    }
}

TEST(ProgressStore, IsPrivateAndKeepsOddNamesAsTheyAre) {
    TempDir dir;
    const std::string path = dir.File("sub/progress.sqlite");
    const std::string odd = "Robert'); DROP TABLE tries;-- \"Zoë\" " + std::string(3000, 'x');
    {
        vProgressStore_c store(path, kCreate);
        store.Begin();
        const int64_t s = store.BeginSession(odd, "Ánna, \"the\" teacher", "2026-03-01 10:00:00");
        store.AddTry(s, Try("2026-03-01 10:00:05", 3, 0, "=1+1"));
        store.AddTry(s, Try("2026-03-03 10:00:05", 2));
        store.Commit();
        store.Begin();
        store.BeginSession("Other", "Anna", "2026-03-02 10:00:00");
        store.Commit();
    }
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    vProgressStore_c store(path, vProgressStore_c::Open::Existing);
    const auto all = store.Tries(odd);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].pupil, odd);
    EXPECT_EQ(all[0].teacherMark, 0);
    EXPECT_EQ(store.Tries(odd, "2026-03-02", "2026-03-03").size(), 1u);
    EXPECT_EQ(store.Tries(odd, "2026-03-04", "").size(), 0u);

    std::ostringstream csv;
    progress::WriteCsv(csv, {all[0]});
    EXPECT_NE(csv.str().find("\"Ánna, \"\"the\"\" teacher\""), std::string::npos) << csv.str();
    EXPECT_NE(csv.str().find(",'=1+1,"), std::string::npos) << csv.str();
    EXPECT_NE(csv.str().find(",not a try,"), std::string::npos);

    EXPECT_EQ(store.RemovePupil(odd), 2);
    EXPECT_TRUE(store.Tries(odd).empty());
}

// Opening must fail with a sentence containing `why`, and change nothing.
void ExpectRefused(const std::string& path, const std::string& why) {
    const std::string before = ReadFile(path);
    try {
        vProgressStore_c store(path, kCreate);
        ADD_FAILURE() << "opened " << path;
    } catch (const vProgressUnavailable_c& e) {
        EXPECT_NE(e.Text().find(why), std::string::npos) << e.Text();
    }
    EXPECT_EQ(ReadFile(path), before);
}

TEST(ProgressStore, LeavesWhatItCannotUseAlone) {
    TempDir dir;
    const std::string damaged = dir.File("damaged.sqlite");
    { vProgressStore_c store(damaged, kCreate); }
    std::string bytes = ReadFile(damaged);
    ASSERT_GT(bytes.size(), 100u);
    bytes.replace(0, 16, "not a database!!");
    WriteFile(damaged, bytes);
    ExpectRefused(damaged, "are damaged");

    const std::string newer = dir.File("newer.sqlite");
    { vProgressStore_c store(newer, kCreate); }
    sqlite3* db = nullptr;
    sqlite3_open(newer.c_str(), &db);
    const std::string bump = "PRAGMA user_version = " + std::to_string(progress::kSchemaVersion + 1);
    sqlite3_exec(db, bump.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ExpectRefused(newer, "newer version");

    // Another program holds the write lock longer than the busy timeout.
    const std::string locked = dir.File("locked.sqlite");
    { vProgressStore_c store(locked, kCreate); }
    sqlite3_open(locked.c_str(), &db);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    ExpectRefused(locked, "in use by another program");
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);

    const std::string readOnly = dir.File("readonly.sqlite");
    { vProgressStore_c store(readOnly, kCreate); }
    ::chmod(readOnly.c_str(), 0444);
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(RunInChild([&] {
                  if (!DropRoot()) return 2;
                  try {
                      vProgressStore_c store(readOnly, kCreate);
                  } catch (const vProgressUnavailable_c& e) {
                      return e.Text().find("cannot be written") != std::string::npos ? 0 : 3;
                  }
                  return 4;
              }),
              0);
}

TEST(ProgressReport, AgreementOfProgramAndTeacher) {
    std::vector<progress::vStoredTry_c> tries;
    auto add = [&](int mark, int teacher) {
        tries.emplace_back();
        tries.back().mark = mark;
        tries.back().teacherMark = teacher;
    };
    add(5, 5), add(4, 5), add(2, 1), add(1, 1), add(3, 5), add(4, 0), add(4, -1);
    const progress::vAgreement_c a = progress::Agreement(tries);
    EXPECT_EQ(a.tries, 5);
    EXPECT_DOUBLE_EQ(a.exact, 2.0 / 5);
    EXPECT_DOUBLE_EQ(a.withinOne, 4.0 / 5);
    EXPECT_DOUBLE_EQ(a.meanWhenHigh, 4.0);
    EXPECT_DOUBLE_EQ(a.meanWhenLow, 1.5);
    // Quadratic weights, worked by hand: observed disagreement 6/80, by chance 30/80.
    EXPECT_NEAR(a.kappa, 1 - (6.0 / 80) / (30.0 / 80), 1e-12);

    EXPECT_TRUE(std::isnan(progress::Agreement({}).kappa));
}

}  // namespace
