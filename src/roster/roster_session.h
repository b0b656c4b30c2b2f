#pragma once
// vRosterSession_c: what libRoster.so does behind its seven entry points,
// with the user's side left to a vRosterUi_i (GTK dialogs in the library, a
// scripted stand-in in tests).
//
// Initialize reads the users file; pupils' folders live in "pupils/" beside
// it. A damaged users file switches user management off for the session: the
// first Login says so in a box, nobody can log in and the file is not
// touched. Login asks for a teacher's name and password (or, while no
// teacher exists, offers to create the first one); declining leaves pupil
// mode. Only a logged-in teacher reaches pupils' files. The current pupil is
// asked for once and remembered; choosing a pupil's recording makes that
// pupil the current one. User-interface thread only.

#include "platform/companion_abi.h"
#include "progress/progress_store.h"
#include "roster/pupils.h"
#include "roster/users_file.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace roster {

// The dialogs a session needs. Every Ask/Choose returns false when the user
// declines (or no dialog can be shown).
class vRosterUi_i {
public:
    virtual ~vRosterUi_i() = default;

    // Later dialogs stay above this window (0: none).
    virtual void SetParent(LorvanoParentWindow parent) = 0;

    virtual void ShowError(const std::string& text) = 0;

    // A teacher's name and password; message is empty at first and says
    // what went wrong on a repeated question.
    virtual bool AskLogin(std::string& name, std::string& password, const std::string& message) = 0;

    // Name and password of the first teacher (the dialog makes sure the
    // password was typed the same twice).
    virtual bool AskFirstTeacher(std::string& name, std::string& password, const std::string& message) = 0;

    // A pupil chosen from pupils or typed as a new name.
    virtual bool AskPupil(const std::vector<std::string>& pupils, std::string& pupil, const std::string& message) = 0;

    // One recording of one pupil: pupils to choose from, recordings(pupil)
    // lists a pupil's recordings, those without an exercise only when
    // !needExercise. pupil and wavPath hold the starting choice (possibly
    // empty) and receive the answer.
    using RecordingLister = std::function<std::vector<vRecordingInfo_c>(const std::string& pupil)>;
    virtual bool ChooseRecording(const std::vector<std::string>& pupils, const RecordingLister& recordings,
                                 bool needExercise, std::string& pupil, std::string& wavPath) = 0;

    // The chart of a pupil's tries (oldest first) under title, until the
    // teacher closes it.
    virtual void ShowProgress(const std::string& title, const std::vector<progress::vStoredTry_c>& tries) = 0;
    // The teacher's own mark of the pupil's last try, whose shown mark
    // (1..5, 0 none) is given: 1..5, or 0 "not a try".
    virtual bool AskTeacherMark(const std::string& pupil, int shown, int& mark) = 0;
};

class vRosterSession_c {
public:
    explicit vRosterSession_c(vRosterUi_i& ui);

    // The entry points; buffers are filled NUL-terminated (an answer that
    // does not fit is no answer: 0).
    void Initialize(const char* usersFile);
    void Login(LorvanoParentWindow parent);
    void Logout();
    int IsTeacherLoggedIn() const;
    int SelectStudentFileName(char* fileName, int size, const char* startName);
    int SelectStudentExercise(char* exercise, int exerciseSize, char* recording, int recordingSize);
    int CreateStudentFileName(char* fileName, int size, int exerciseType, const char* cardText,
                              const char* exerciseFile);

    // Lets a logged-in teacher choose the current pupil (a new name makes a
    // new pupil); 1 when one was chosen, 0 when declined (the pupil stays).
    int ChoosePupil(LorvanoParentWindow parent);

    const std::string& Teacher() const { return mTeacher; }
    const std::string& CurrentPupil() const { return mPupil; }

private:
    enum class State { NotStarted, Ready, Refused };

    // Reads the users file; a failure switches user management off.
    void ReadUsers();
    void CreateFirstTeacher();
    void AskTeacher();
    // The current pupil, asked for when there is none; empty when declined.
    std::string EnsurePupil();
    bool ChooseRecording(bool needExercise, const std::string& start, vRecordingInfo_c& chosen);

    vRosterUi_i& mUi;
    State mState = State::NotStarted;
    std::string mRefusal;  // why user management is off
    bool mRefusalShown = false;
    std::unique_ptr<vUsersFile_c> mUsers;
    std::unique_ptr<vPupilStore_c> mPupils;
    std::string mTeacher;  // logged-in teacher, empty in pupil mode
    std::string mPupil;    // current pupil, empty until chosen
};

// Copies text into a C buffer of size bytes; false (and buffer left empty
// where there is room) when it does not fit.
bool CopyOut(const std::string& text, char* buffer, int size);

}  // namespace roster
