#include "roster/roster_session.h"

#include "roster/roster_names.h"

#include <cstring>
#include <unistd.h>

namespace roster {
namespace {

constexpr const char* kWrongLogin = "Wrong name or password.";

}  // namespace

bool CopyOut(const std::string& text, char* buffer, int size) {
    if (!buffer || size <= 0) return false;
    if (text.size() + 1 > static_cast<std::size_t>(size)) {
        buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

vRosterSession_c::vRosterSession_c(vRosterUi_i& ui) : mUi(ui) {}

void vRosterSession_c::Initialize(const char* usersFile) {
    mTeacher.clear();
    mPupil.clear();
    mRefusalShown = false;
    mState = State::NotStarted;
    if (!usersFile || !*usersFile) return;
    mUsers = std::make_unique<vUsersFile_c>(usersFile);
    mPupils = std::make_unique<vPupilStore_c>(PupilsRootFor(usersFile));
    mState = State::Ready;
    // Read now so that a damaged file is known before anyone logs in; Login
    // reads it again to see teachers added meanwhile.
    ReadUsers();
}

void vRosterSession_c::ReadUsers() {
    try {
        mUsers->Load();
    } catch (const vException_c& e) {
        mState = State::Refused;
        mRefusal = e.ShortText();
    }
}

void vRosterSession_c::Login(LorvanoParentWindow parent) {
    mUi.SetParent(parent);
    Logout();
    if (mState == State::Ready) ReadUsers();
    if (mState == State::Refused) {
        if (!mRefusalShown)
            mUi.ShowError(mRefusal + "\n\nUser management is off until the program is started again; the file was "
                                     "left as it is. Restore it from a backup, or move it away to start afresh.");
        mRefusalShown = true;
        return;
    }
    if (mState != State::Ready) return;
    if (mUsers->Teachers().empty())
        CreateFirstTeacher();
    else
        AskTeacher();
}

void vRosterSession_c::AskTeacher() {
    std::string name, password, message;
    while (mUi.AskLogin(name, password, message)) {
        if (mUsers->CheckLogin(name, password)) {
            for (const std::string& t : mUsers->Teachers())
                if (SameName(t, name)) mTeacher = t;
            return;
        }
        message = kWrongLogin;
        password.clear();
    }
}

void vRosterSession_c::CreateFirstTeacher() {
    std::string name, password, message;
    while (mUi.AskFirstTeacher(name, password, message)) {
        try {
            mUsers->AddTeacher(name, password);
        } catch (const vTextException_c& e) {
            message = e.Text();
            continue;
        }
        try {
            mUsers->Save();
            mTeacher = name;
        } catch (const vUsersFileDamaged_c& e) {
            mState = State::Refused;
            mRefusal = e.Text();
            mRefusalShown = true;
            mUi.ShowError(e.Text() + "\n\nThe teacher was not added and the file was left as it is.");
        } catch (const vException_c& e) {
            mUsers->RemoveTeacher(name);
            mUi.ShowError("The teacher could not be saved.\n\n" + e.ShortText());
        }
        return;
    }
}

void vRosterSession_c::Logout() {
    mTeacher.clear();
    mPupil.clear();
}

int vRosterSession_c::IsTeacherLoggedIn() const { return mTeacher.empty() ? 0 : 1; }

std::string vRosterSession_c::EnsurePupil() {
    if (!mPupil.empty() && !mPupils->Find(mPupil).empty()) return mPupil;
    mPupil.clear();
    std::string name, message;
    while (mUi.AskPupil(mPupils->Pupils(), name, message)) {
        try {
            mPupil = mPupils->Add(name);
            return mPupil;
        } catch (const vTextException_c& e) {
            message = e.Text();
        } catch (const vException_c& e) {
            mUi.ShowError("The pupil's folder could not be made.\n\n" + e.ShortText());
            return {};
        }
    }
    return {};
}

int vRosterSession_c::CreateStudentFileName(char* fileName, int size, int exerciseType, const char* cardText,
                                            const char* exerciseFile) {
    if (mTeacher.empty()) return 0;
    const std::string pupil = EnsurePupil();
    if (pupil.empty()) return 0;
    std::string wav;
    try {
        wav = mPupils->NewRecording(pupil, exerciseType, cardText ? cardText : "", exerciseFile ? exerciseFile : "");
    } catch (const vException_c& e) {
        mUi.ShowError("The recording could not be saved for " + pupil + ".\n\n" + e.ShortText());
        return 0;
    }
    if (!CopyOut(wav, fileName, size)) {
        ::unlink((wav.substr(0, wav.size() - 4) + ".info").c_str());
        mUi.ShowError("The recording could not be saved: its file name is too long:\n" + wav);
        return 0;
    }
    return 1;
}

bool vRosterSession_c::ChooseRecording(bool needExercise, const std::string& start, vRecordingInfo_c& chosen) {
    const std::vector<std::string> pupils = mPupils->Pupils();
    if (pupils.empty()) {
        mUi.ShowError("No pupil has any recordings yet.");
        return false;
    }
    const vRosterUi_i::RecordingLister lister = [this, needExercise](const std::string& pupil) {
        std::vector<vRecordingInfo_c> list = mPupils->Recordings(pupil);
        if (needExercise) std::erase_if(list, [](const vRecordingInfo_c& r) { return r.exerciseFile.empty(); });
        return list;
    };
    std::string pupil = start.empty() ? std::string() : mPupils->PupilOf(start);
    std::string wav = pupil.empty() ? std::string() : start;
    if (pupil.empty()) pupil = mPupil;
    if (!mUi.ChooseRecording(pupils, lister, needExercise, pupil, wav)) return false;
    // Only what the lister offers counts, whatever the dialog answered.
    if (mPupils->Find(pupil) != pupil) return false;
    for (vRecordingInfo_c& r : lister(pupil)) {
        if (r.wavPath == wav) {
            chosen = std::move(r);
            mPupil = pupil;
            return true;
        }
    }
    return false;
}

int vRosterSession_c::SelectStudentFileName(char* fileName, int size, const char* startName) {
    if (mTeacher.empty()) return 0;
    vRecordingInfo_c chosen;
    if (!ChooseRecording(false, startName ? startName : "", chosen)) return 0;
    return CopyOut(chosen.wavPath, fileName, size) ? 1 : 0;
}

int vRosterSession_c::SelectStudentExercise(char* exercise, int exerciseSize, char* recording, int recordingSize) {
    if (mTeacher.empty()) return 0;
    vRecordingInfo_c chosen;
    if (!ChooseRecording(true, {}, chosen)) return 0;
    if (!CopyOut(chosen.exerciseFile, exercise, exerciseSize) || !CopyOut(chosen.wavPath, recording, recordingSize))
        return 0;
    return 1;
}

}  // namespace roster
