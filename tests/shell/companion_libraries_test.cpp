#include "shell/companion_libraries.h"

#include "../support/temp_dir.h"
#include "../support/tool_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

const std::string kFakes = LORVANO_BINARY_DIR "/tests/shell/fakes/";
const std::string kFullRoster = kFakes + "roster/";
const std::string kRosterWithoutLogout = kFakes + "roster_without_logout/";
const std::string kPrefs = kFakes + "prefs/";

// The fake library's own controls, reached through a second load of the
// same file (the same instance the handler uses).
class FakeRoster {
public:
    FakeRoster() : mModule(platform::LoadModule(kFullRoster + "libRoster.so", {})) {}
    ~FakeRoster() { platform::FreeModule(mModule); }
    template <class Fn>
    Fn Get(const char* name) const { return reinterpret_cast<Fn>(platform::ModuleSymbol(mModule, name)); }
    void Answer(const std::string& name, int result) const { Get<void (*)(const char*, int)>("FakeAnswer")(name.c_str(), result); }
    int CreateCalls() const { return Get<int (*)()>("FakeCreateCalls")(); }
    std::string Text(const char* getter) const { return Get<const char* (*)()>(getter)(); }

private:
    platform::ModuleHandle mModule;
};

bool StillLoaded(const std::string& path) {
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (h) dlclose(h);
    return h != nullptr;
}

// Runs a test in its own current directory and load log.
class CompanionTest : public testing::Test {
protected:
    void SetUp() override {
        mOldDir = fs::current_path();
        fs::current_path(mDir.Path());
        setenv("FAKE_COMPANION_LOG", mDir.File("log").c_str(), 1);
    }
    void TearDown() override {
        fs::current_path(mOldDir);
        unsetenv("FAKE_COMPANION_LOG");
    }
    std::string Log() const { return ReadFile(mDir.File("log")); }

    TempDir mDir;
    fs::path mOldDir;
};

TEST_F(CompanionTest, AUsersLibraryLackingOnlyLogoutCountsAsMissing) {
    vUsersDll_c complete(kFullRoster);
    EXPECT_EQ(complete.LoadEntryPoints(), 0);
    EXPECT_TRUE(complete.IsLoaded());
    EXPECT_EQ(TeacherLoggedIn(&complete), 7);

    vUsersDll_c partial(kRosterWithoutLogout);
    EXPECT_EQ(partial.LoadEntryPoints(), 1);
    EXPECT_FALSE(partial.IsLoaded());
    // Every call then behaves as without a library.
    EXPECT_EQ(TeacherLoggedIn(&partial), 0);
    EXPECT_FALSE(StartUserManagement(partial, "users", "dir/"));
    std::string name = "unchanged";
    EXPECT_EQ(SelectStudentFile(&partial, name, {}), 0);
    EXPECT_EQ(name, "unchanged");
}

TEST_F(CompanionTest, AMissingLibraryLeavesUserManagementOff) {
    vUsersDll_c users(mDir.Path().string());  // a folder without libRoster.so
    EXPECT_EQ(users.LoadEntryPoints(), 1);
    EXPECT_FALSE(users.IsLoaded());
    std::string exercise, recording;
    EXPECT_EQ(SelectStudentExerciseFile(&users, exercise, recording), 0);
    EXPECT_EQ(TeacherLoggedIn(nullptr), 0);
    WriteFile("Say.wav", "RIFF");
    EXPECT_EQ(SaveSayForStudent(nullptr, 3, "Ball", "ball.exc"), 0);
    EXPECT_EQ(SaveSayForStudent(&users, 3, "Ball", "ball.exc"), 0);

    vGuideDll_c guide(mDir.Path().string());
    EXPECT_EQ(guide.LoadEntryPoints(), 1);
    guide.DoGuide("page.htm", 0);  // not loaded: nothing happens
}

TEST_F(CompanionTest, TwoSettingsDialogsLoadAndFreeTheLibraryTwice) {
    for (int i = 0; i < 2; ++i) {
        vPrefsDll_c prefs(kPrefs);
        ASSERT_EQ(prefs.LoadEntryPoints(), 0);
        EXPECT_EQ(prefs.DoPrefs("trainer.ini", 42, 3), 30);
    }
    EXPECT_EQ(Log(), "load\nunload\nload\nunload\n");
    EXPECT_FALSE(StillLoaded(kPrefs + "libPrefs.so"));
}

TEST_F(CompanionTest, LoadingAgainOrSettingNoModuleReleasesTheOldLoad) {
    {
        vUsersDll_c users(kFullRoster);
        ASSERT_EQ(users.LoadEntryPoints(), 0);
        ASSERT_EQ(users.LoadEntryPoints(), 0);
        EXPECT_TRUE(users.IsLoaded());
        EXPECT_EQ(users.SetModule(nullptr), 1);
        EXPECT_FALSE(users.IsLoaded());
        EXPECT_FALSE(StillLoaded(kFullRoster + "libRoster.so"));
        ASSERT_EQ(users.LoadEntryPoints(), 0);
    }
    EXPECT_EQ(Log(), "load\nunload\nload\nunload\n");
    EXPECT_FALSE(StillLoaded(kFullRoster + "libRoster.so"));
}

TEST_F(CompanionTest, StartUpHandsTheUsersFileAndProgramFolderToTheLibrary) {
    // The fake is a library from before the progress records (no RecordTry):
    // it loads all the same, and a try goes nowhere.
    vUsersDll_c users(kFullRoster);
    ASSERT_TRUE(StartUserManagement(users, "/data/lorvano/TrUsers.dat", "/opt/lorvano/bin/"));
    RecordTry(&users, 3, "/l/ball.exc", "Ball", 4, "b", 4, 10.0, false);
    EXPECT_EQ(FakeRoster().Text("FakeInitialized"), "/data/lorvano/TrUsers.dat|/opt/lorvano/bin/");
}

TEST_F(CompanionTest, SaveSayCopiesSayWavWholeOnlyWhenThereIsOne) {
    vUsersDll_c users(kFullRoster);
    ASSERT_EQ(users.LoadEntryPoints(), 0);
    FakeRoster fake;
    fs::create_directory("pupil");
    const std::string target = mDir.File("pupil/rec.wav");
    fake.Answer(target, 1);

    // No "Say.wav": the library is not asked.
    EXPECT_EQ(SaveSayForStudent(&users, 3, "Ball", "ball.exc"), 0);
    EXPECT_EQ(fake.CreateCalls(), 0);

    // Written "say.wav" by the exercise: the same file.
    const std::string say(50000, 's');
    WriteFile("say.wav", say);
    WriteFile(target, "an older recording");
    EXPECT_EQ(SaveSayForStudent(&users, 3, "Ball", "ball.exc"), 1);
    EXPECT_EQ(fake.CreateCalls(), 1);
    EXPECT_EQ(ReadFile(target), say);

    // The library declines: nothing is written.
    fake.Answer(mDir.File("pupil/other.wav"), 0);
    EXPECT_EQ(SaveSayForStudent(&users, 3, "Ball", "ball.exc"), 0);
    EXPECT_FALSE(fs::exists(mDir.File("pupil/other.wav")));

    // A name that cannot be written: failure, and no partial file anywhere.
    fake.Answer(mDir.File("gone/rec.wav"), 1);
    EXPECT_EQ(SaveSayForStudent(&users, 3, "Ball", "ball.exc"), 0);
    EXPECT_EQ(CountEntries(mDir.File("pupil")), 1);
}

TEST_F(CompanionTest, ChooserAnswersAreCutToTheirBuffers) {
    vUsersDll_c users(kFullRoster);
    ASSERT_EQ(users.LoadEntryPoints(), 0);
    FakeRoster fake;

    fake.Answer("/pupils/Tom/a.wav", 1);
    std::string file;
    EXPECT_EQ(SelectStudentFile(&users, file, {}), 1);
    EXPECT_EQ(file, "/pupils/Tom/a.wav");
    EXPECT_EQ(fake.Text("FakeStartName"), "(null)");
    EXPECT_EQ(SelectStudentFile(&users, file, "ball.wav"), 1);
    EXPECT_EQ(fake.Text("FakeStartName"), "ball.wav");

    // An answer that fills the buffer without a terminator stays inside it.
    fake.Answer(std::string(300, 'n'), 2);
    std::string exercise, recording;
    EXPECT_EQ(SelectStudentExerciseFile(&users, exercise, recording), 2);
    EXPECT_EQ(exercise, "exercise-0.exc");
    EXPECT_EQ(recording, std::string(254, 'n'));

    fake.Answer("ignored", 0);
    file = "kept";
    EXPECT_EQ(SelectStudentFile(&users, file, {}), 0);
    EXPECT_EQ(file, "kept");
}

TEST(UsersDataFile, LivesInTheUsersDataFolder) {
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const std::string saved = oldXdg ? oldXdg : "";
    setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(UsersDataFile(), "/srv/data/lorvano/TrUsers.dat");
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_EQ(UsersDataFile(), std::string(std::getenv("HOME")) + "/.local/share/lorvano/TrUsers.dat");
    if (oldXdg)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

TEST(CompanionLibraries, OursAreFoundBesideTheProgramWithEveryEntryPoint) {
    // As in the program, which has GTK itself: the libraries do not take GTK
    // out of the process again when they go (GLib cannot be unloaded cleanly).
    ASSERT_NE(dlopen("libgtk-3.so.0", RTLD_NOW | RTLD_NODELETE), nullptr);
    vUsersDll_c users;
    EXPECT_EQ(users.LoadEntryPoints(), 0);
    vGuideDll_c guide;
    EXPECT_EQ(guide.LoadEntryPoints(), 0);
    vPrefsDll_c prefs;
    EXPECT_EQ(prefs.LoadEntryPoints(), 0);
}

TEST(CompanionLibraries, OursExportTheirEntryPointsOnly) {
    const auto exported = [](const std::string& library) {
        return RunTool("nm -D --defined-only --format=just-symbols " LORVANO_BINARY_DIR "/bin/" + library +
                       " | grep -v -e '^_end$' -e '^_edata$' -e '^__bss_start$' | LC_ALL=C sort")
            .out;
    };
    EXPECT_EQ(exported("libRoster.so"),
              "ChoosePupil\nCreateStudentFileName\nCurrentPupil\nInitialize\nIsTeacherLoggedIn\nLogin\nLogout\n"
              "RecordTry\nSelectStudentExercise\nSelectStudentFileName\nShowProgress\nTeacherMark\n");
    EXPECT_EQ(exported("libGuide.so"), "DoGuide\n");
    EXPECT_EQ(exported("libPrefs.so"), "DoPrefs\n");
}

}  // namespace
