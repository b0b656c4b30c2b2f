#pragma once
// vProgressRecorder_c: turns the marks the exercises show into the current
// pupil's tries and sessions, written by a vProgressWriter_c (made at the
// first try, so a program that records nothing never opens the database).
//
// A session is one teacher with one pupil: it begins with the first try
// after they changed and ends when they change again or the recorder goes.
// Without a pupil nothing is recorded. A held sound shows a mark many times
// a second while it is listened to; such marks make one try per stretch of
// listening (ended by a pause of over a second, another exercise or another
// pupil), with the mean of the marks shown and of the scores behind them.
//
// The thread that shows marks (the user-interface thread) only.

#include "progress/progress_store.h"
#include "progress/progress_writer.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace progress {

class vProgressRecorder_c {
public:
    using Clock = std::chrono::steady_clock;

    explicit vProgressRecorder_c(std::string databasePath);
    ~vProgressRecorder_c();
    vProgressRecorder_c(const vProgressRecorder_c&) = delete;
    vProgressRecorder_c& operator=(const vProgressRecorder_c&) = delete;

    // A mark was shown while teacher and pupil were there (t.time is filled
    // in here). held: one of the many marks of a held sound.
    void Shown(const std::string& teacher, const std::string& pupil, vTry_c t, bool held,
               Clock::time_point now = Clock::now());

    // The pupil's last try was kept as recording.
    void Kept(const std::string& pupil, const std::string& recording);

    // The mark shown at the pupil's last try in the open session (a held
    // sound's try is closed now), -1 when the session has no try of hers.
    int LastTry(const std::string& pupil);
    // The teacher's own mark of that try: 1..5, 0 "not a try". Nothing
    // when LastTry would be -1.
    void TeacherMark(const std::string& pupil, int mark);

    // Why nothing is recorded, once (see vProgressWriter_c::TakeProblem).
    std::string TakeProblem();

    // Opens the database now rather than at the first try.
    void Start();

    // Writes out a pending held sound's try and waits for the writer.
    void Flush();

private:
    struct Held {
        vTry_c first;
        int marks = 0, markSum = 0, soundMarks = 0, soundMarkSum = 0, scores = 0;
        double scoreSum = 0;
        Clock::time_point last;
    };

    void Add(vTry_c t);
    void CloseHeld();
    void EndSession();

    const std::string mPath;
    std::unique_ptr<vProgressWriter_c> mWriter;
    std::string mTeacher, mPupil;  // of the open session; empty pupil: none open
    std::optional<Held> mHeld;
    int mLastMark = -1;  // shown at the open session's last try; -1: none yet
};

// The local time now, "YYYY-MM-DD HH:MM:SS".
std::string LocalTimeNow();

}  // namespace progress
