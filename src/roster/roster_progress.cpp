#include "roster/roster_progress.h"

#include <cstddef>
#include <cstdio>

namespace roster {

std::string ProgressDatabaseFor(const std::string& usersFile) {
    const std::size_t slash = usersFile.find_last_of("/\\");
    return (slash == std::string::npos ? std::string() : usersFile.substr(0, slash + 1)) + "progress.sqlite";
}

vRosterProgress_c::vRosterProgress_c(const vRosterSession_c& session, vRosterUi_i& ui)
    : mSession(session), mUi(ui) {}

void vRosterProgress_c::Initialize(const std::string& usersFile) {
    mRecorder.reset();
    mProblem.clear();
    mDatabase = usersFile.empty() ? std::string() : ProgressDatabaseFor(usersFile);
    if (!mDatabase.empty()) mRecorder = std::make_unique<progress::vProgressRecorder_c>(mDatabase);
}

void vRosterProgress_c::RecordTry(const LorvanoTry* t) {
    if (!mRecorder || !t || t->size < static_cast<int>(offsetof(LorvanoTry, held) + sizeof t->held)) return;
    progress::vTry_c entry;
    entry.kind = t->kind;
    entry.exerciseFile = t->exerciseFile ? t->exerciseFile : "";
    entry.cardText = t->cardText ? t->cardText : "";
    entry.mark = t->mark;
    entry.sound = t->sound ? t->sound : "";
    entry.soundMark = t->soundMark;
    entry.score = t->score;
    mRecorder->Shown(mSession.Teacher(), mSession.CurrentPupil(), std::move(entry), t->held != 0);
    TakeProblem();
}

void vRosterProgress_c::PupilChosen() {
    if (!mRecorder) return;
    mRecorder->Start();
    mRecorder->Flush();
    ShowProblem();
}

void vRosterProgress_c::Kept(const std::string& recording) {
    if (!mRecorder) return;
    mRecorder->Kept(mSession.CurrentPupil(), recording);
    // The teacher has just answered a dialog: waiting for the writer here
    // costs no exercise anything, and a problem it found is shown now.
    mRecorder->Flush();
    ShowProblem();
}

void vRosterProgress_c::ShowProgress(LorvanoParentWindow parent) {
    mUi.SetParent(parent);
    if (!mRecorder || mSession.Teacher().empty()) {
        mUi.ShowError("Only a logged-in teacher can see a pupil's progress.");
        return;
    }
    const std::string pupil = mSession.CurrentPupil();
    if (pupil.empty()) {
        mUi.ShowError("Choose a pupil first (Pupil in the drawer); the chart shows that pupil's progress.");
        return;
    }
    // The tries of the moment before are in the chart too; records that
    // cannot be used are said once, as when a pupil is chosen.
    mRecorder->Start();
    mRecorder->Flush();
    if (ShowProblem()) return;
    std::vector<progress::vStoredTry_c> tries;
    try {
        tries = progress::vProgressStore_c(mDatabase, progress::vProgressStore_c::Open::Existing).Tries(pupil);
    } catch (const progress::vProgressUnavailable_c& e) {
        mUi.ShowError(e.ShortText());
        return;
    }
    mUi.ShowProgress(pupil + " \u2014 all tries", tries);
}

int vRosterProgress_c::TeacherMark(LorvanoParentWindow parent) {
    const std::string& pupil = mSession.CurrentPupil();
    if (!mRecorder || mSession.Teacher().empty() || pupil.empty()) return -1;
    const int shown = mRecorder->LastTry(pupil);
    if (shown < 0) return -1;
    mUi.SetParent(parent);
    int mark = -1;
    if (!mUi.AskTeacherMark(pupil, shown, mark)) return -1;
    mRecorder->TeacherMark(pupil, mark);
    // As after Keep: the teacher has just answered a dialog.
    mRecorder->Flush();
    ShowProblem();
    return mark;
}

void vRosterProgress_c::TakeProblem() {
    const std::string problem = mRecorder->TakeProblem();
    if (problem.empty()) return;
    std::fprintf(stderr, "libRoster: %s\n", problem.c_str());
    mProblem = problem;
}

bool vRosterProgress_c::ShowProblem() {
    TakeProblem();
    if (mProblem.empty()) return false;
    mUi.ShowError(mProblem);
    mProblem.clear();
    return true;
}

}  // namespace roster
