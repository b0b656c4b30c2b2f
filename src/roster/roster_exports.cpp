// The entry points of libRoster.so, the only names the library exports: the
// seven of user management, then RecordTry, ChoosePupil, ShowProgress,
// TeacherMark and CurrentPupil. Each forwards to the one session of the
// process; nothing thrown inside may cross into the program.

#include "platform/companion_abi.h"
#include "roster/roster_gtk.h"
#include "roster/roster_progress.h"
#include "roster/roster_session.h"

#include <cstdio>
#include <exception>

#define LORVANO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

roster::vRosterGtkUi_c& Ui() {
    static roster::vRosterGtkUi_c ui;
    return ui;
}

roster::vRosterSession_c& Session() {
    static roster::vRosterSession_c session(Ui());
    return session;
}

// Made after the session, so gone before it: the open session's end is
// written as the library is unloaded.
roster::vRosterProgress_c& Progress() {
    static roster::vRosterProgress_c progress(Session(), Ui());
    return progress;
}

// The call's result, or 0 (nothing done) when it failed.
template <class Call>
int Guarded(Call call) noexcept {
    try {
        return call();
    } catch (const vException_c& e) {
        std::fprintf(stderr, "libRoster: %s", e.Message().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "libRoster: %s\n", e.what());
    }
    return 0;
}

}  // namespace

LORVANO_EXPORT void Initialize(const char* usersFile, const char* /*programDir*/) {
    Guarded([&] {
        Session().Initialize(usersFile);
        Progress().Initialize(usersFile ? usersFile : "");
        return 0;
    });
}

LORVANO_EXPORT void Login(LorvanoParentWindow parent) {
    Guarded([&] {
        Session().Login(parent);
        return 0;
    });
}

LORVANO_EXPORT void Logout(void) {
    Guarded([&] {
        Session().Logout();
        return 0;
    });
}

LORVANO_EXPORT int IsTeacherLoggedIn(void) {
    return Guarded([&] { return Session().IsTeacherLoggedIn(); });
}

LORVANO_EXPORT int SelectStudentFileName(char* fileName, int size, const char* startName) {
    return Guarded([&] { return Session().SelectStudentFileName(fileName, size, startName); });
}

LORVANO_EXPORT int SelectStudentExercise(char* exercise, int exerciseSize, char* recording, int recordingSize,
                                         int /*reserved*/) {
    return Guarded([&] { return Session().SelectStudentExercise(exercise, exerciseSize, recording, recordingSize); });
}

LORVANO_EXPORT int CreateStudentFileName(char* fileName, int size, int exerciseType, const char* cardText,
                                         const char* exerciseFile, int /*reserved1*/, int /*reserved2*/) {
    return Guarded([&] {
        const int made = Session().CreateStudentFileName(fileName, size, exerciseType, cardText, exerciseFile);
        if (made > 0) Progress().Kept(fileName);
        return made;
    });
}

LORVANO_EXPORT void RecordTry(const LorvanoTry* t) {
    Guarded([&] {
        Progress().RecordTry(t);
        return 0;
    });
}

LORVANO_EXPORT int ChoosePupil(LorvanoParentWindow parent) {
    return Guarded([&] {
        if (!Session().ChoosePupil(parent)) return 0;
        Progress().PupilChosen();
        return 1;
    });
}

LORVANO_EXPORT void ShowProgress(LorvanoParentWindow parent) {
    Guarded([&] {
        Progress().ShowProgress(parent);
        return 0;
    });
}

// -1, not Guarded's 0 ("not a try"), when the call failed.
LORVANO_EXPORT int TeacherMark(LorvanoParentWindow parent) {
    int mark = -1;
    Guarded([&] {
        mark = Progress().TeacherMark(parent);
        return 0;
    });
    return mark;
}

LORVANO_EXPORT int CurrentPupil(char* name, int size) {
    return Guarded([&] {
        const std::string& pupil = Session().CurrentPupil();
        if (pupil.empty()) {
            roster::CopyOut({}, name, size);
            return 0;
        }
        return roster::CopyOut(pupil, name, size) ? 1 : 0;
    });
}
