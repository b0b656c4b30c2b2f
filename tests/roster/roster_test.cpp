// User management without a display: the users file, names, pupils' folders
// and the session behind libRoster.so's entry points, driven by a scripted
// stand-in for the dialogs.

#include "roster/pupils.h"
#include "progress/progress_store.h"
#include "roster/roster_names.h"
#include "roster/roster_progress.h"
#include "roster/roster_session.h"
#include "roster/users_file.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lorvano_test;
using namespace roster;
namespace fs = std::filesystem;

namespace {

// Answers the session's questions from queues and records what it was shown.
class ScriptedUi : public vRosterUi_i {
public:
    struct Login {
        std::string name, password;
    };
    std::deque<Login> logins;        // AskLogin and AskFirstTeacher answers; empty: decline
    std::deque<std::string> pupils;  // AskPupil answers; empty: decline
    // ChooseRecording: the index of the offered recording to take, -1 to decline.
    int choose = 0;
    std::string choosePupil;  // the pupil to switch to first, when not empty

    std::vector<std::string> messages;  // the message of every login question
    std::vector<std::string> errors;
    std::vector<std::string> pupilMessages;
    int loginQuestions = 0, firstTeacherQuestions = 0, pupilQuestions = 0;
    std::string startPupil, startWav;  // what ChooseRecording started from
    std::vector<vRecordingInfo_c> offered;
    struct Chart {
        std::string title;
        std::vector<progress::vStoredTry_c> tries;
    };
    std::vector<Chart> charts;  // every chart shown

    void SetParent(LorvanoParentWindow) override {}
    void ShowError(const std::string& text) override { errors.push_back(text); }
    bool AskLogin(std::string& name, std::string& password, const std::string& message) override {
        ++loginQuestions;
        return Next(name, password, message);
    }
    bool AskFirstTeacher(std::string& name, std::string& password, const std::string& message) override {
        ++firstTeacherQuestions;
        return Next(name, password, message);
    }
    bool AskPupil(const std::vector<std::string>&, std::string& pupil, const std::string& message) override {
        ++pupilQuestions;
        pupilMessages.push_back(message);
        if (pupils.empty()) return false;
        pupil = pupils.front();
        pupils.pop_front();
        return true;
    }
    // AskTeacherMark: the teacher's answers; empty: cancel. The shown marks asked about.
    std::deque<int> teacherMarks;
    std::vector<int> shownAsked;
    bool AskTeacherMark(const std::string&, int shown, int& mark) override {
        shownAsked.push_back(shown);
        if (teacherMarks.empty()) return false;
        mark = teacherMarks.front();
        teacherMarks.pop_front();
        return true;
    }
    bool ChooseRecording(const std::vector<std::string>&, const RecordingLister& recordings, bool,
                         std::string& pupil, std::string& wavPath) override {
        startPupil = pupil;
        startWav = wavPath;
        if (!choosePupil.empty()) pupil = choosePupil;
        offered = recordings(pupil);
        if (choose < 0 || choose >= static_cast<int>(offered.size())) return false;
        wavPath = offered[static_cast<std::size_t>(choose)].wavPath;
        return true;
    }
    void ShowProgress(const std::string& title, const std::vector<progress::vStoredTry_c>& tries) override {
        charts.push_back({title, tries});
    }

private:
    bool Next(std::string& name, std::string& password, const std::string& message) {
        messages.push_back(message);
        if (logins.empty()) return false;
        name = logins.front().name;
        password = logins.front().password;
        logins.pop_front();
        return true;
    }
};

mode_t Mode(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

class RosterTest : public testing::Test {
protected:
    void SetUp() override {
        mOldDir = fs::current_path();
        fs::current_path(mDir.Path());
    }
    void TearDown() override { fs::current_path(mOldDir); }

    // A users file with one teacher, "Anna", password "correct horse 42".
    void MakeAnna() {
        vUsersFile_c users(mUsers);
        users.AddTeacher("Anna", "correct horse 42");
        users.Save();
    }
    // A session with Anna logged in.
    void LogInAnna() {
        MakeAnna();
        mSession.Initialize(mUsers.c_str());
        mUi.logins.push_back({"anna", "correct horse 42"});
        mSession.Login(0);
        ASSERT_EQ(mSession.IsTeacherLoggedIn(), 1);
    }
    int Create(char* buffer, int size, const char* card = "Ball", const char* exercise = "Words/ball.exc") {
        return mSession.CreateStudentFileName(buffer, size, 3, card, exercise);
    }

    TempDir mDir;
    fs::path mOldDir;
    const std::string mUsers = mDir.File("lorvano/TrUsers.dat");
    ScriptedUi mUi;
    vRosterSession_c mSession{mUi};
};

TEST_F(RosterTest, TheUsersFileHoldsOnlyHashesAndOnlyItsOwnerMayReadIt) {
    MakeAnna();
    const std::string text = ReadFile(mUsers);
    EXPECT_EQ(text.find("correct horse"), std::string::npos);
    EXPECT_NE(text.find("teacher\tAnna\t$argon2id$"), std::string::npos);
    EXPECT_EQ(Mode(mUsers), 0600u);
    EXPECT_EQ(Mode(mDir.File("lorvano")), 0700u);

    // Reloaded: the hash still checks, and a new password replaces the old one.
    vUsersFile_c users(mUsers);
    users.Load();
    EXPECT_TRUE(users.CheckLogin("Anna", "correct horse 42"));
    EXPECT_TRUE(users.CheckLogin("ANNA", "correct horse 42"));
    EXPECT_FALSE(users.CheckLogin("Anna", "correct horse 43"));
    EXPECT_FALSE(users.CheckLogin("Bert", "correct horse 42"));
    users.SetPassword("Anna", "new one");
    users.Save();
    users.Load();
    EXPECT_FALSE(users.CheckLogin("Anna", "correct horse 42"));
    EXPECT_TRUE(users.CheckLogin("Anna", "new one"));
    EXPECT_THROW(users.AddTeacher("anna", "x"), vTextException_c);
    EXPECT_THROW(users.AddTeacher("Bert", ""), vTextException_c);
}

TEST_F(RosterTest, AWrongPasswordIsRefusedWithoutSayingWhetherTheNameExists) {
    MakeAnna();
    mSession.Initialize(mUsers.c_str());
    mUi.logins = {{"Anna", "wrong"}, {"Nobody", "correct horse 42"}, {"Anna", "correct horse 42"}};
    mSession.Login(0);
    ASSERT_EQ(mUi.messages.size(), 3u);
    EXPECT_EQ(mUi.messages[0], "");
    EXPECT_EQ(mUi.messages[1], "Wrong name or password.");
    EXPECT_EQ(mUi.messages[2], mUi.messages[1]);
    EXPECT_EQ(mSession.IsTeacherLoggedIn(), 1);
    EXPECT_EQ(mSession.Teacher(), "Anna");

    // Giving up after a wrong password is pupil mode.
    mUi.logins = {{"Anna", "wrong"}};
    mSession.Login(0);
    EXPECT_EQ(mSession.IsTeacherLoggedIn(), 0);
    char buffer[255];
    EXPECT_EQ(Create(buffer, sizeof buffer), 0);
    EXPECT_EQ(mUi.pupilQuestions, 0);
}

TEST_F(RosterTest, TheFirstRunOffersToCreateTheFirstTeacher) {
    mSession.Initialize(mUsers.c_str());
    mUi.logins = {{"../Anna", "pw"}, {"Anna", ""}, {"Anna", "pw"}};
    mSession.Login(0);
    EXPECT_EQ(mUi.firstTeacherQuestions, 3);
    EXPECT_EQ(mUi.loginQuestions, 0);
    EXPECT_EQ(mUi.messages[1], "The name must not contain \"/\" or \"\\\".");
    EXPECT_EQ(mUi.messages[2], "The password is empty.");
    EXPECT_EQ(mSession.Teacher(), "Anna");
    EXPECT_EQ(Mode(mUsers), 0600u);

    // The next start asks for a login instead.
    vRosterSession_c next(mUi);
    next.Initialize(mUsers.c_str());
    mUi.logins = {{"Anna", "pw"}};
    next.Login(0);
    EXPECT_EQ(mUi.loginQuestions, 1);
    EXPECT_EQ(next.IsTeacherLoggedIn(), 1);

    // "Continue without login" on a first run writes nothing.
    TempDir other;
    vRosterSession_c declined(mUi);
    declined.Initialize(other.File("TrUsers.dat").c_str());
    declined.Login(0);
    EXPECT_EQ(declined.IsTeacherLoggedIn(), 0);
    EXPECT_EQ(CountEntries(other.Path()), 0);
}

TEST_F(RosterTest, ADamagedUsersFileIsRefusedAndNeverWritten) {
    MakeAnna();
    const std::string whole = ReadFile(mUsers);
    std::string flipped = whole;
    flipped[flipped.find("$argon2id$") + 40] ^= 1;
    const std::vector<std::string> damaged = {
        whole.substr(0, whole.size() - 1),            // cut inside the last line
        whole.substr(0, whole.find("end\t")),         // cut before the last line
        flipped,                                      // a changed hash
        whole + "teacher\tEve\t$argon2id$x\n",         // text after the end
        "[Users]\nAnna=secret\n",                     // not ours at all
    };
    for (const std::string& content : damaged) {
        SCOPED_TRACE(content);
        WriteFile(mUsers, content);
        vUsersFile_c users(mUsers);
        EXPECT_THROW(users.Load(), vUsersFileDamaged_c);
        EXPECT_TRUE(users.Teachers().empty());
        EXPECT_THROW(users.Save(), vUsersFileDamaged_c);

        ScriptedUi ui;
        ui.logins = {{"Eve", "pw"}};
        vRosterSession_c session(ui);
        session.Initialize(mUsers.c_str());
        session.Login(0);
        session.Login(0);
        EXPECT_EQ(ui.firstTeacherQuestions + ui.loginQuestions, 0);
        ASSERT_EQ(ui.errors.size(), 1u);  // said once, not at every login
        EXPECT_NE(ui.errors[0].find("damaged"), std::string::npos);
        EXPECT_NE(ui.errors[0].find(mUsers), std::string::npos);
        EXPECT_EQ(session.IsTeacherLoggedIn(), 0);
        EXPECT_EQ(ReadFile(mUsers), content);
    }
}

TEST_F(RosterTest, AFirstSaveKilledMidwayLeavesNoFileAndNothingOthersCanRead) {
    fs::create_directories(mDir.File("lorvano"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The write of the new file's data is the kill point: past 64 bytes the
        // kernel stops the process with SIGXFSZ.
        umask(022);
        const rlimit limit{64, 64}, noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            vUsersFile_c users(mUsers);
            users.AddTeacher("Anna", "correct horse 42");
            users.Save();
        } catch (...) {
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    ASSERT_EQ(CountEntries(mDir.File("lorvano")), 1);  // the temporary, private
    for (const auto& e : fs::directory_iterator(mDir.File("lorvano"))) EXPECT_EQ(Mode(e.path().string()), 0600u);

    vUsersFile_c users(mUsers);
    users.Load();  // no file yet; the dead save's temporary goes
    EXPECT_TRUE(users.Teachers().empty());
    EXPECT_EQ(CountEntries(mDir.File("lorvano")), 0);
    users.AddTeacher("Anna", "correct horse 42");
    users.Save();
    EXPECT_EQ(CountEntries(mDir.File("lorvano")), 1);
}

TEST_F(RosterTest, AnEmptyUsersFileIsAFirstSaveThatDidNotFinish) {
    fs::create_directories(mDir.File("lorvano"));
    WriteFile(mUsers, "");
    vUsersFile_c users(mUsers);
    testing::internal::CaptureStderr();
    users.Load();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("is empty: a first save did not finish"), std::string::npos);
    EXPECT_TRUE(users.Teachers().empty());
    users.AddTeacher("Anna", "correct horse 42");
    users.Save();
    vUsersFile_c again(mUsers);
    again.Load();
    EXPECT_TRUE(again.CheckLogin("Anna", "correct horse 42"));
    EXPECT_EQ(Mode(mUsers), 0600u);
}

TEST_F(RosterTest, RemovingAPupilNeverFollowsALink) {
    vPupilStore_c store(PupilsRootFor(mUsers));
    const std::string elsewhere = mDir.File("elsewhere");
    fs::create_directories(elsewhere + "/deep");
    WriteFile(elsewhere + "/a.wav", "RIFF");
    WriteFile(elsewhere + "/deep/b.wav", "RIFF");
    store.Add("Bert");
    fs::create_directory_symlink(elsewhere, store.Root() + "Carl");

    // A pupil's folder that is a link is refused, whatever it holds.
    try {
        store.Remove("Carl", true);
        ADD_FAILURE() << "a linked pupil folder was removed";
    } catch (const vTextException_c& e) {
        EXPECT_NE(e.Text().find("symbolic link"), std::string::npos) << e.Text();
    }
    EXPECT_TRUE(fs::is_symlink(store.Root() + "Carl"));

    // Links inside a pupil's folder go as links; what they point at stays.
    WriteFile(store.Folder("Bert") + "take.wav", "RIFF");
    fs::create_directory_symlink(elsewhere, store.Folder("Bert") + "into");
    fs::create_symlink(elsewhere + "/a.wav", store.Folder("Bert") + "link.wav");
    store.Remove("Bert", true);
    EXPECT_FALSE(fs::exists(store.Root() + "Bert"));
    EXPECT_EQ(ReadFile(elsewhere + "/a.wav"), "RIFF");
    EXPECT_EQ(ReadFile(elsewhere + "/deep/b.wav"), "RIFF");
}

TEST_F(RosterTest, AFileChangedAfterItWasReadIsNotOverwritten) {
    MakeAnna();
    vUsersFile_c mine(mUsers), theirs(mUsers);
    mine.Load();
    theirs.Load();
    // Another program (the tool, say) adds a teacher meanwhile: it is kept.
    theirs.AddTeacher("Carl", "pw");
    theirs.Save();
    mine.AddTeacher("Bert", "pw");
    EXPECT_THROW(mine.Save(), vTextException_c);
    mine.Load();
    EXPECT_EQ(mine.Teachers(), (std::vector<std::string>{"Anna", "Carl"}));

    // Damaged meanwhile: left for its owner.
    mine.AddTeacher("Bert", "pw");
    const std::string cut = ReadFile(mUsers).substr(0, 30);
    WriteFile(mUsers, cut);
    EXPECT_THROW(mine.Save(), vUsersFileDamaged_c);
    EXPECT_EQ(ReadFile(mUsers), cut);
}

TEST_F(RosterTest, NamesThatCouldLeaveThePupilsFolderAreRefused) {
    for (const char* bad : {"", "..", ".", "../evil", "a/b", "a\\b", "x..y", ".hidden", "tab\there", "line\nbreak",
                            "del\x7f", "\xff\xfe", "\xc3", " padded", "padded "})
        EXPECT_NE(NameProblem(bad), "") << bad;
    EXPECT_NE(NameProblem(std::string(kMaxNameBytes + 1, 'a')), "");
    for (const char* good : {"Tom", "Anna Müller", "O'Brien", "Łukasz-2", "Zoë (4b)"})
        EXPECT_EQ(NameProblem(good), "") << good;

    // Through the session: the bad name is asked again, and nothing is made
    // outside the pupils' folder.
    LogInAnna();
    mUi.pupils = {"../evil", "Tom"};
    char buffer[255];
    ASSERT_EQ(Create(buffer, sizeof buffer), 1);
    EXPECT_EQ(mUi.pupilMessages[1], "The name must not contain \"/\" or \"\\\".");
    EXPECT_FALSE(fs::exists(mDir.File("lorvano/evil")));
    EXPECT_FALSE(fs::exists(mDir.File("evil")));
    EXPECT_EQ(Mode(mDir.File("lorvano/pupils/Tom")), 0700u);
    EXPECT_THROW(vPupilStore_c(mDir.File("lorvano/pupils")).Folder("../Tom"), vTextException_c);
}

TEST_F(RosterTest, ARecordingLandsInThePupilsFolderAndReopensItsExercise) {
    LogInAnna();
    mUi.pupils = {"Tom"};
    char first[255], second[255];
    ASSERT_EQ(Create(first, sizeof first), 1);
    ASSERT_EQ(Create(second, sizeof second, "Ball again"), 1);
    EXPECT_EQ(mUi.pupilQuestions, 1);  // the pupil is remembered
    const std::string folder = mDir.File("lorvano/pupils/Tom/");
    EXPECT_EQ(std::string(first).rfind(folder, 0), 0u) << first;
    EXPECT_NE(std::string(first), std::string(second));
    EXPECT_NE(std::string(first).find("_ball.wav"), std::string::npos) << first;
    WriteFile(first, "first say");
    WriteFile(second, "second say");
    // A WAV put there by hand has no exercise to reopen.
    WriteFile(folder + "loose.wav", "loose");

    mUi.choose = 0;
    char exercise[255], recording[255];
    ASSERT_EQ(mSession.SelectStudentExercise(exercise, sizeof exercise, recording, sizeof recording), 1);
    EXPECT_EQ(mUi.offered.size(), 2u);
    EXPECT_EQ(std::string(exercise), mDir.File("Words/ball.exc"));
    const std::string chosen = recording;
    EXPECT_TRUE(chosen == first || chosen == second) << chosen;
    for (const vRecordingInfo_c& r : mUi.offered) {
        EXPECT_EQ(r.exerciseType, 3);
        EXPECT_EQ(r.cardText, r.wavPath == first ? "Ball" : "Ball again");
    }

    // The file chooser offers every recording and starts from the given one.
    char file[255];
    ASSERT_EQ(mSession.SelectStudentFileName(file, sizeof file, second), 1);
    EXPECT_EQ(mUi.offered.size(), 3u);
    EXPECT_EQ(mUi.startPupil, "Tom");
    EXPECT_EQ(mUi.startWav, second);

    // An answer that does not fit is no answer.
    char tiny[20];
    EXPECT_EQ(mSession.SelectStudentFileName(tiny, sizeof tiny, nullptr), 0);
    EXPECT_EQ(tiny[0], '\0');
    EXPECT_EQ(Create(tiny, sizeof tiny), 0);
    EXPECT_EQ(CountEntries(folder), 5);  // 3 WAVs, 2 descriptions: nothing left behind
}

TEST_F(RosterTest, ChoosingAnotherPupilsRecordingMakesThatPupilCurrent) {
    LogInAnna();
    vPupilStore_c store(PupilsRootFor(mUsers));
    for (const char* pupil : {"Tom", "Zoë"}) {
        store.Add(pupil);
        WriteFile(store.NewRecording(pupil, 1, "Card", "a.exc"), "wav");
    }
    mUi.choosePupil = "Zoë";
    char file[255];
    ASSERT_EQ(mSession.SelectStudentFileName(file, sizeof file, nullptr), 1);
    EXPECT_EQ(mSession.CurrentPupil(), "Zoë");
    char next[255];
    ASSERT_EQ(Create(next, sizeof next), 1);
    EXPECT_EQ(mUi.pupilQuestions, 0);
    EXPECT_EQ(store.PupilOf(next), "Zoë");

    // A pupil with recordings is removed only on purpose.
    EXPECT_THROW(store.Remove("tom", false), vTextException_c);
    EXPECT_TRUE(fs::exists(store.Folder("Tom")));
    store.Remove("tom", true);
    EXPECT_EQ(store.Pupils(), std::vector<std::string>{"Zoë"});
}

// A word try as the program hands it over.
LorvanoTry WordTry(int mark) {
    return {sizeof(LorvanoTry), 3, "/l/Words/ball.exc", "Ball", mark, "b", mark, 1500.0, 0};
}

TEST_F(RosterTest, TriesAreRecordedForTheCurrentPupilOnly) {
    vRosterProgress_c progress(mSession, mUi);
    LogInAnna();
    progress.Initialize(mUsers);
    const LorvanoTry first = WordTry(2);
    progress.RecordTry(&first);  // no pupil chosen yet: not recorded
    mUi.pupils = {"Tom"};
    char wav[255];
    ASSERT_EQ(Create(wav, sizeof wav), 1);
    for (int mark : {4, 5}) {
        const LorvanoTry t = WordTry(mark);
        progress.RecordTry(&t);
    }
    progress.Kept(wav);
    LorvanoTry old = WordTry(1);
    old.size = 12;  // a program older than the fields it would need
    progress.RecordTry(&old);
    progress.Initialize("");  // the session ends, its tries are written

    const std::string database = mDir.File("lorvano/progress.sqlite");
    EXPECT_EQ(Mode(database), 0600u);
    const auto tries = progress::vProgressStore_c(database, progress::vProgressStore_c::Open::Existing).Tries({});
    ASSERT_EQ(tries.size(), 2u);
    EXPECT_EQ(tries[0].pupil, "Tom");
    EXPECT_EQ(tries[0].teacher, "Anna");
    EXPECT_EQ(tries[0].mark, 4);
    EXPECT_EQ(tries[0].sound, "b");
    EXPECT_EQ(tries[1].recording, wav);
    EXPECT_TRUE(mUi.errors.empty());
}

TEST_F(RosterTest, TheTeachersMarkGoesBesideTheLastTryOfTheCurrentPupil) {
    vRosterProgress_c progress(mSession, mUi);
    LogInAnna();
    progress.Initialize(mUsers);
    mUi.teacherMarks = {2, 0, 4};
    EXPECT_EQ(progress.TeacherMark(0), -1);  // no pupil: nothing asked
    mUi.pupils = {"Tom"};
    ASSERT_EQ(mSession.ChoosePupil(0), 1);
    EXPECT_EQ(progress.TeacherMark(0), -1);  // no try yet: nothing asked
    EXPECT_TRUE(mUi.shownAsked.empty());
    for (int mark : {5, 3}) {
        const LorvanoTry t = WordTry(mark);
        progress.RecordTry(&t);
    }
    EXPECT_EQ(progress.TeacherMark(0), 2);
    LorvanoTry held = WordTry(4);
    held.held = 1;
    progress.RecordTry(&held);
    EXPECT_EQ(progress.TeacherMark(0), 0);  // the held sound's try, closed by the question
    const LorvanoTry next = WordTry(1);
    progress.RecordTry(&next);
    mUi.pupils = {"Eve"};
    ASSERT_EQ(mSession.ChoosePupil(0), 1);
    EXPECT_EQ(progress.TeacherMark(0), -1);  // Tom's try is not Eve's
    EXPECT_EQ(mUi.shownAsked, (std::vector<int>{3, 4}));
    progress.Initialize("");

    const auto tries = progress::vProgressStore_c(mDir.File("lorvano/progress.sqlite"),
                                                  progress::vProgressStore_c::Open::Existing)
                           .Tries({});
    ASSERT_EQ(tries.size(), 4u);
    std::vector<int> marks, teacher;
    for (const auto& t : tries) marks.push_back(t.mark), teacher.push_back(t.teacherMark);
    EXPECT_EQ(marks, (std::vector<int>{5, 3, 4, 1}));  // the program's marks stay
    EXPECT_EQ(teacher, (std::vector<int>{-1, 2, 0, -1}));
}

TEST_F(RosterTest, OnlyATeacherChoosesThePupilAndDecliningKeepsTheOldOne) {
    MakeAnna();
    mSession.Initialize(mUsers.c_str());
    mUi.pupils = {"Tom"};
    EXPECT_EQ(mSession.ChoosePupil(0), 0);  // pupil mode: nobody is asked
    EXPECT_EQ(mUi.pupilQuestions, 0);
    mUi.logins.push_back({"Anna", "correct horse 42"});
    mSession.Login(0);
    EXPECT_EQ(mSession.ChoosePupil(0), 1);
    EXPECT_EQ(mSession.CurrentPupil(), "Tom");
    EXPECT_TRUE(fs::is_directory(mDir.File("lorvano/pupils/Tom")));
    EXPECT_EQ(mSession.ChoosePupil(0), 0);  // declined
    EXPECT_EQ(mSession.CurrentPupil(), "Tom");
    mUi.pupils = {"eve"};
    EXPECT_EQ(mSession.ChoosePupil(0), 1);
    EXPECT_EQ(mSession.CurrentPupil(), "eve");
}

TEST_F(RosterTest, OnlyATeacherSeesTheChartOfTheCurrentPupilWithItsLatestTries) {
    vRosterProgress_c progress(mSession, mUi);
    MakeAnna();
    mSession.Initialize(mUsers.c_str());
    progress.Initialize(mUsers);
    progress.ShowProgress(0);  // pupil mode
    ASSERT_EQ(mUi.errors.size(), 1u);
    EXPECT_NE(mUi.errors[0].find("teacher"), std::string::npos) << mUi.errors[0];
    mUi.logins.push_back({"Anna", "correct horse 42"});
    mSession.Login(0);
    progress.ShowProgress(0);  // no pupil chosen
    ASSERT_EQ(mUi.errors.size(), 2u);
    EXPECT_NE(mUi.errors[1].find("pupil"), std::string::npos) << mUi.errors[1];
    for (const auto& [pupil, marks] : {std::pair{"Tom", std::vector{4, 5}}, std::pair{"Eve", std::vector{1}}}) {
        mUi.pupils = {pupil};
        ASSERT_EQ(mSession.ChoosePupil(0), 1);
        progress.PupilChosen();
        for (int mark : marks) {
            const LorvanoTry t = WordTry(mark);
            progress.RecordTry(&t);
        }
    }
    progress.ShowProgress(0);  // Eve's one try, written just before
    ASSERT_EQ(mUi.charts.size(), 1u);
    EXPECT_EQ(mUi.charts[0].title.rfind("Eve", 0), 0u) << mUi.charts[0].title;
    ASSERT_EQ(mUi.charts[0].tries.size(), 1u);
    EXPECT_EQ(mUi.charts[0].tries[0].pupil, "Eve");
    EXPECT_EQ(mUi.charts[0].tries[0].mark, 1);
    EXPECT_EQ(mUi.errors.size(), 2u);
}

TEST_F(RosterTest, DamagedRecordsAreShownOnceAndLeftAlone) {
    vRosterProgress_c progress(mSession, mUi);
    LogInAnna();
    progress.Initialize(mUsers);
    const std::string database = mDir.File("lorvano/progress.sqlite");
    WriteFile(database, "not a database at all");
    mUi.pupils = {"Tom"};
    char wav[255];
    ASSERT_EQ(Create(wav, sizeof wav), 1);
    for (int i = 0; i < 3; ++i) {
        const LorvanoTry t = WordTry(3);
        progress.RecordTry(&t);
        progress.Kept(wav);
    }
    ASSERT_EQ(mUi.errors.size(), 1u);
    EXPECT_NE(mUi.errors[0].find("are damaged"), std::string::npos) << mUi.errors[0];
    progress.ShowProgress(0);  // no chart, the reason in a box
    EXPECT_TRUE(mUi.charts.empty());
    ASSERT_EQ(mUi.errors.size(), 2u);
    EXPECT_NE(mUi.errors[1].find("damaged"), std::string::npos) << mUi.errors[1];
    progress.Initialize("");
    EXPECT_EQ(ReadFile(database), "not a database at all");
}

}  // namespace
