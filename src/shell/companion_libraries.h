#pragma once
// The companion libraries the program loads by name at run time, and the
// program-wide user-management functions built on them.
//
//   vPrefsDll_c  "libPrefs.so"   DoPrefs
//   vGuideDll_c  "libGuide.so"   DoGuide
//   vUsersDll_c  "libRoster.so"  Initialize, Login, Logout, IsTeacherLoggedIn,
//                                SelectStudentFileName, SelectStudentExercise,
//                                CreateStudentFileName; and, when the library
//                                has them, RecordTry, ChoosePupil,
//                                ShowProgress, TeacherMark and CurrentPupil
//
// Each handler owns its library: LoadEntryPoints loads the file (from the
// handler's folder, by default the program's own, then the system's search)
// and resolves every entry point; destruction frees it. A library that lacks
// any one entry point counts as missing (the optional ones aside). The settings and guide handlers are
// made for one call and destroyed right after; the users handler lives as
// long as the main window. User-interface thread only.

#include "platform/companion_abi.h"
#include "platform/module.h"

#include <string>

class vDllHandler_c {
public:
    // folder: where the library is looked for first; empty means the
    // program's own folder.
    explicit vDllHandler_c(std::string folder = {});
    virtual ~vDllHandler_c();
    vDllHandler_c(const vDllHandler_c&) = delete;
    vDllHandler_c& operator=(const vDllHandler_c&) = delete;

    // Clears all entry points, loads the library and resolves them in table
    // order. 0 when all are there (the handler is then loaded), 1 at the
    // first missing file or entry point.
    virtual int LoadEntryPoints() = 0;

    bool IsLoaded() const { return mLoaded; }

    // Replaces the held library: clears the loaded flag and frees the old
    // one. 1 when freeing failed (nothing is held then, and module is freed
    // too) or module is null; 0 when module is now held.
    int SetModule(platform::ModuleHandle module);

protected:
    // SetModule(the library fileName, looked for as described above).
    int LoadFile(const char* fileName);

    // Resolves one entry point into fn; false when the library lacks it.
    template <class Fn>
    bool Resolve(Fn& fn, const char* name) {
        fn = reinterpret_cast<Fn>(platform::ModuleSymbol(mModule, name));
        return fn != nullptr;
    }

    void SetLoaded() { mLoaded = true; }

private:
    std::string mFolder;
    platform::ModuleHandle mModule = nullptr;
    bool mLoaded = false;
};

// libPrefs.so: the settings property sheet.
class vPrefsDll_c : public vDllHandler_c {
public:
    using vDllHandler_c::vDllHandler_c;
    int LoadEntryPoints() override;

    // Edits the INI file; nonzero when settings were changed. 0 when not loaded.
    int DoPrefs(const char* iniPath, LorvanoParentWindow parent, int startPage) const;

private:
    DoPrefsFn mDoPrefs = nullptr;
};

// libGuide.so: shows a guide page in the desktop's browser.
class vGuideDll_c : public vDllHandler_c {
public:
    using vDllHandler_c::vDllHandler_c;
    int LoadEntryPoints() override;

    // Shows the page (a full path) and returns at once; nothing when not loaded.
    void DoGuide(const char* pagePath, LorvanoParentWindow parent) const;

private:
    DoGuideFn mDoGuide = nullptr;
};

// libRoster.so: teachers' logins and pupils' recordings. Every call does
// nothing (and returns 0) while the library is not loaded.
class vUsersDll_c : public vDllHandler_c {
public:
    using vDllHandler_c::vDllHandler_c;
    int LoadEntryPoints() override;

    void Initialize(const char* usersFile, const char* programDir) const;
    void Login(LorvanoParentWindow parent) const;
    int IsTeacherLoggedIn() const;
    int SelectStudentFileName(char* fileName, int size, const char* startName) const;
    int SelectStudentExercise(char* exercise, int exerciseSize, char* recording, int recordingSize,
                              int reserved) const;
    int CreateStudentFileName(char* fileName, int size, int exerciseType, const char* cardText,
                              const char* exerciseFile, int reserved1, int reserved2) const;
    // The progress records' entry points; nothing (0) with an older library
    // that lacks them.
    void RecordTry(const LorvanoTry& t) const;
    int ChoosePupil(LorvanoParentWindow parent) const;
    void ShowProgress(LorvanoParentWindow parent) const;
    // The teacher's own mark of the current pupil's last try (a dialog):
    // 1..5, 0 "not a try"; -1 when none was given or the library cannot.
    int TeacherMark(LorvanoParentWindow parent) const;
    // The current pupil's name; empty when none is chosen or the library
    // cannot tell.
    std::string CurrentPupil() const;

private:
    InitializeFn mInitialize = nullptr;
    LoginFn mLogin = nullptr;
    LogoutFn mLogout = nullptr;
    IsTeacherLoggedInFn mIsTeacherLoggedIn = nullptr;
    SelectStudentFileNameFn mSelectStudentFileName = nullptr;
    SelectStudentExerciseFn mSelectStudentExercise = nullptr;
    CreateStudentFileNameFn mCreateStudentFileName = nullptr;
    RecordTryFn mRecordTry = nullptr;
    ChoosePupilFn mChoosePupil = nullptr;
    ShowProgressFn mShowProgress = nullptr;
    TeacherMarkFn mTeacherMark = nullptr;
    CurrentPupilFn mCurrentPupil = nullptr;
};

// The users file of the account that runs the program:
// "$XDG_DATA_HOME/lorvano/TrUsers.dat" (see platform::UserDataDir). The
// library keeps its pupils' folders beside it.
std::string UsersDataFile();

// Start-up of user management: loads the library and, when it is complete,
// calls Initialize(usersFile, programDir). A missing or incomplete library is
// no error: false, and the program runs without user management.
bool StartUserManagement(vUsersDll_c& users, const std::string& usersFile, const std::string& programDir);

// The program-wide user-management functions. Each returns 0 when users is
// null or its library is not loaded. Texts are UTF-8. All but TeacherLoggedIn
// may show modal dialogs (which pupil, which recording) that run their own
// loop until answered: callers suspend the running exercise around them.

// Copies "Say.wav" of the current directory (any letter case) to the file
// CreateStudentFileName names for the given exercise, replacing it whole or
// not at all. 1 when the copy was made. Without "Say.wav" the library is not
// asked.
int SaveSayForStudent(const vUsersDll_c* users, int exerciseType, const std::string& cardText,
                      const std::string& exerciseFile);

// Nonzero while a teacher is logged in.
int TeacherLoggedIn(const vUsersDll_c* users);

// Lets the teacher choose a pupil's recording (starting from startName when
// it is not empty); 1 or more and fileName set when one was chosen.
int SelectStudentFile(const vUsersDll_c* users, std::string& fileName, const std::string& startName);

// Records a mark an exercise showed for the current pupil (nothing without
// one, or with a library that keeps no progress records).
void RecordTry(const vUsersDll_c* users, int kind, const std::string& exerciseFile, const std::string& cardText,
               int mark, const std::string& sound, int soundMark, double score, bool held);

// Lets the teacher choose a pupil's recording together with the exercise it
// was made in; 1 or more and both names set when one was chosen.
int SelectStudentExerciseFile(const vUsersDll_c* users, std::string& exercise, std::string& recording);
