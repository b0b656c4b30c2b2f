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
    if (!usersFile.empty()) mRecorder = std::make_unique<progress::vProgressRecorder_c>(ProgressDatabaseFor(usersFile));
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

void vRosterProgress_c::ShowProblem() {
    TakeProblem();
    if (mProblem.empty()) return;
    mUi.ShowError(mProblem);
    mProblem.clear();
}

}  // namespace roster
