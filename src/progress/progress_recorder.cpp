#include "progress/progress_recorder.h"

#include "progress/held_try.h"

#include <cmath>
#include <ctime>

namespace progress {
namespace {

bool SameExercise(const vTry_c& a, const vTry_c& b) {
    return a.exerciseFile == b.exerciseFile && a.cardText == b.cardText && a.kind == b.kind && a.sound == b.sound;
}

int MeanMark(int sum, int count) {
    return count ? static_cast<int>(std::lround(static_cast<double>(sum) / count)) : 0;
}

}  // namespace

std::string LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

vProgressRecorder_c::vProgressRecorder_c(std::string databasePath) : mPath(std::move(databasePath)) {}

vProgressRecorder_c::~vProgressRecorder_c() { EndSession(); }

void vProgressRecorder_c::Shown(const std::string& teacher, const std::string& pupil, vTry_c t, bool held,
                                Clock::time_point now) {
    if (pupil != mPupil || teacher != mTeacher) EndSession();
    if (pupil.empty()) return;
    if (mHeld && (!held || !SameExercise(mHeld->first, t) || now - mHeld->last > kHeldPause)) CloseHeld();
    if (mPupil.empty()) {
        Start();
        mWriter->BeginSession(pupil, teacher, LocalTimeNow());
        mPupil = pupil;
        mTeacher = teacher;
    }
    if (!held) {
        t.time = LocalTimeNow();
        Add(std::move(t));
        return;
    }
    if (!mHeld) {
        mHeld = Held{};
        t.time = LocalTimeNow();
        mHeld->first = t;
    }
    Held& h = *mHeld;
    if (t.mark > 0) ++h.marks, h.markSum += t.mark;
    if (t.soundMark > 0) ++h.soundMarks, h.soundMarkSum += t.soundMark;
    ++h.scores;
    h.scoreSum += t.score;
    h.last = now;
}

void vProgressRecorder_c::Start() {
    if (!mWriter) mWriter = std::make_unique<vProgressWriter_c>(mPath);
}

void vProgressRecorder_c::Add(vTry_c t) {
    mLastMark = t.mark;
    mWriter->AddTry(std::move(t));
}

void vProgressRecorder_c::CloseHeld() {
    if (!mHeld) return;
    vTry_c t = std::move(mHeld->first);
    t.mark = MeanMark(mHeld->markSum, mHeld->marks);
    t.soundMark = MeanMark(mHeld->soundMarkSum, mHeld->soundMarks);
    t.score = mHeld->scores ? mHeld->scoreSum / mHeld->scores : 0;
    mHeld.reset();
    Add(std::move(t));
}

void vProgressRecorder_c::EndSession() {
    if (mPupil.empty()) return;
    CloseHeld();
    mWriter->EndSession(LocalTimeNow());
    mLastMark = -1;
    mPupil.clear();
    mTeacher.clear();
}

void vProgressRecorder_c::Kept(const std::string& pupil, const std::string& recording) {
    if (pupil.empty() || pupil != mPupil) return;
    CloseHeld();
    mWriter->KeepRecording(recording);
}

int vProgressRecorder_c::LastTry(const std::string& pupil) {
    if (pupil.empty() || pupil != mPupil) return -1;
    CloseHeld();
    return mLastMark;
}

void vProgressRecorder_c::TeacherMark(const std::string& pupil, int mark) {
    if (LastTry(pupil) < 0 || mark < 0 || mark > 5) return;
    mWriter->TeacherMark(mark);
}

std::string vProgressRecorder_c::TakeProblem() { return mWriter ? mWriter->TakeProblem() : std::string(); }

void vProgressRecorder_c::Flush() {
    CloseHeld();
    if (mWriter) mWriter->Flush();
}

}  // namespace progress
