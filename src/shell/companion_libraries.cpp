#include "shell/companion_libraries.h"

#include "platform/atomic_file.h"
#include "platform/path_case.h"
#include "platform/user_data.h"

namespace {

// The size of every name buffer handed to the user-management library.
constexpr int kNameSize = 255;

}  // namespace

vDllHandler_c::vDllHandler_c(std::string folder) : mFolder(std::move(folder)) {}

vDllHandler_c::~vDllHandler_c() { SetModule(nullptr); }

int vDllHandler_c::SetModule(platform::ModuleHandle module) {
    mLoaded = false;
    if (mModule) {
        const bool freed = platform::FreeModule(mModule);
        mModule = nullptr;
        if (!freed) {
            // Nothing is held after a failure, so the new load is not kept
            // either (it would otherwise never be released).
            if (module) platform::FreeModule(module);
            return 1;
        }
    }
    mModule = module;
    return module ? 0 : 1;
}

int vDllHandler_c::LoadFile(const char* fileName) {
    return SetModule(platform::LoadModule(fileName, mFolder.empty() ? platform::ProgramFolder() : mFolder));
}

int vPrefsDll_c::LoadEntryPoints() {
    mDoPrefs = nullptr;
    if (LoadFile("libPrefs.so") != 0 || !Resolve(mDoPrefs, "DoPrefs")) return 1;
    SetLoaded();
    return 0;
}

int vPrefsDll_c::DoPrefs(const char* iniPath, LorvanoParentWindow parent, int startPage) const {
    return IsLoaded() ? mDoPrefs(iniPath, parent, startPage) : 0;
}

int vGuideDll_c::LoadEntryPoints() {
    mDoGuide = nullptr;
    if (LoadFile("libGuide.so") != 0 || !Resolve(mDoGuide, "DoGuide")) return 1;
    SetLoaded();
    return 0;
}

void vGuideDll_c::DoGuide(const char* pagePath, LorvanoParentWindow parent) const {
    if (IsLoaded()) mDoGuide(pagePath, parent);
}

int vUsersDll_c::LoadEntryPoints() {
    mInitialize = nullptr;
    mLogin = nullptr;
    mLogout = nullptr;
    mIsTeacherLoggedIn = nullptr;
    mSelectStudentFileName = nullptr;
    mSelectStudentExercise = nullptr;
    mCreateStudentFileName = nullptr;
    mRecordTry = nullptr;
    mChoosePupil = nullptr;
    mShowProgress = nullptr;
    mTeacherMark = nullptr;
    mCurrentPupil = nullptr;
    if (LoadFile("libRoster.so") != 0) return 1;
    // Logout is never called but is part of a complete library.
    if (!Resolve(mInitialize, "Initialize") || !Resolve(mLogin, "Login") || !Resolve(mLogout, "Logout") ||
        !Resolve(mIsTeacherLoggedIn, "IsTeacherLoggedIn") ||
        !Resolve(mSelectStudentFileName, "SelectStudentFileName") ||
        !Resolve(mSelectStudentExercise, "SelectStudentExercise") ||
        !Resolve(mCreateStudentFileName, "CreateStudentFileName"))
        return 1;
    // Optional: older libraries keep no progress records.
    Resolve(mRecordTry, "RecordTry");
    Resolve(mChoosePupil, "ChoosePupil");
    Resolve(mShowProgress, "ShowProgress");
    Resolve(mTeacherMark, "TeacherMark");
    Resolve(mCurrentPupil, "CurrentPupil");
    SetLoaded();
    return 0;
}

void vUsersDll_c::RecordTry(const LorvanoTry& t) const {
    if (IsLoaded() && mRecordTry) mRecordTry(&t);
}

int vUsersDll_c::ChoosePupil(LorvanoParentWindow parent) const {
    return IsLoaded() && mChoosePupil ? mChoosePupil(parent) : 0;
}

void vUsersDll_c::ShowProgress(LorvanoParentWindow parent) const {
    if (IsLoaded() && mShowProgress) mShowProgress(parent);
}

int vUsersDll_c::TeacherMark(LorvanoParentWindow parent) const {
    return IsLoaded() && mTeacherMark ? mTeacherMark(parent) : -1;
}

std::string vUsersDll_c::CurrentPupil() const {
    if (!IsLoaded() || !mCurrentPupil) return {};
    // A pupil's name is a folder's name: at most 255 bytes.
    char name[256] = {};
    if (mCurrentPupil(name, sizeof name) != 1) return {};
    name[sizeof name - 1] = '\0';
    return name;
}

void vUsersDll_c::Initialize(const char* usersFile, const char* programDir) const {
    if (IsLoaded()) mInitialize(usersFile, programDir);
}

void vUsersDll_c::Login(LorvanoParentWindow parent) const {
    if (IsLoaded()) mLogin(parent);
}

int vUsersDll_c::IsTeacherLoggedIn() const { return IsLoaded() ? mIsTeacherLoggedIn() : 0; }

int vUsersDll_c::SelectStudentFileName(char* fileName, int size, const char* startName) const {
    return IsLoaded() ? mSelectStudentFileName(fileName, size, startName) : 0;
}

int vUsersDll_c::SelectStudentExercise(char* exercise, int exerciseSize, char* recording, int recordingSize,
                                       int reserved) const {
    return IsLoaded() ? mSelectStudentExercise(exercise, exerciseSize, recording, recordingSize, reserved) : 0;
}

int vUsersDll_c::CreateStudentFileName(char* fileName, int size, int exerciseType, const char* cardText,
                                       const char* exerciseFile, int reserved1, int reserved2) const {
    return IsLoaded() ? mCreateStudentFileName(fileName, size, exerciseType, cardText, exerciseFile, reserved1,
                                               reserved2)
                      : 0;
}

std::string UsersDataFile() { return platform::UserDataDir() + "TrUsers.dat"; }

bool StartUserManagement(vUsersDll_c& users, const std::string& usersFile, const std::string& programDir) {
    if (users.LoadEntryPoints() != 0) return false;
    users.Initialize(usersFile.c_str(), programDir.c_str());
    return true;
}

namespace {

bool Usable(const vUsersDll_c* users) { return users && users->IsLoaded(); }

// The library's answer as a string; the buffer is cut at its last byte in
// case the library filled it without a terminator.
std::string FromBuffer(char (&buffer)[kNameSize]) {
    buffer[kNameSize - 1] = '\0';
    return buffer;
}

}  // namespace

int SaveSayForStudent(const vUsersDll_c* users, int exerciseType, const std::string& cardText,
                      const std::string& exerciseFile) {
    if (!Usable(users)) return 0;
    const std::string say = platform::MatchExistingCase("Say.wav");
    if (!platform::IsRegularFile(say)) return 0;
    char target[kNameSize] = {};
    if (users->CreateStudentFileName(target, kNameSize, exerciseType, cardText.c_str(), exerciseFile.c_str(), 0,
                                     0) <= 0)
        return 0;
    std::string data;
    if (!platform::ReadWholeFile(say, data)) return 0;
    return platform::WriteFileAtomically(FromBuffer(target), data) ? 1 : 0;
}

int TeacherLoggedIn(const vUsersDll_c* users) { return Usable(users) ? users->IsTeacherLoggedIn() : 0; }

int SelectStudentFile(const vUsersDll_c* users, std::string& fileName, const std::string& startName) {
    if (!Usable(users)) return 0;
    char buffer[kNameSize] = {};
    const int result = users->SelectStudentFileName(buffer, kNameSize, startName.empty() ? nullptr : startName.c_str());
    if (result >= 1) fileName = FromBuffer(buffer);
    return result;
}

void RecordTry(const vUsersDll_c* users, int kind, const std::string& exerciseFile, const std::string& cardText,
               int mark, const std::string& sound, int soundMark, double score, bool held) {
    if (!Usable(users)) return;
    const LorvanoTry t{sizeof(LorvanoTry), kind, exerciseFile.c_str(), cardText.c_str(), mark, sound.c_str(),
                       soundMark, score, held ? 1 : 0};
    users->RecordTry(t);
}

int SelectStudentExerciseFile(const vUsersDll_c* users, std::string& exercise, std::string& recording) {
    if (!Usable(users)) return 0;
    char exerciseBuffer[kNameSize] = {};
    char recordingBuffer[kNameSize] = {};
    const int result = users->SelectStudentExercise(exerciseBuffer, kNameSize, recordingBuffer, kNameSize, 0);
    if (result >= 1) {
        exercise = FromBuffer(exerciseBuffer);
        recording = FromBuffer(recordingBuffer);
    }
    return result;
}
