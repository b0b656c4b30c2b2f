#pragma once
// vRosterProgress_c: the progress records of a roster session. Tries are
// recorded for the session's teacher and current pupil in
// "progress.sqlite" beside the users file (see vProgressRecorder_c); with no
// pupil chosen nothing is recorded. A problem with the records goes to
// standard error when it is found and is shown once in a box at the next
// moment the library shows a dialog anyway (a pupil chosen, a recording
// kept, the chart asked for), never
// in the middle of an exercise. User-interface thread only.

#include "platform/companion_abi.h"
#include "progress/progress_recorder.h"
#include "roster/roster_session.h"

#include <memory>
#include <string>

namespace roster {

// The progress database that belongs with a users file.
std::string ProgressDatabaseFor(const std::string& usersFile);

class vRosterProgress_c {
public:
    vRosterProgress_c(const vRosterSession_c& session, vRosterUi_i& ui);

    // Starts afresh for the users file (empty: records nothing).
    void Initialize(const std::string& usersFile);

    // A mark an exercise showed. A try of a size this library does not
    // know the fields of is ignored.
    void RecordTry(const LorvanoTry* t);

    // A pupil was just chosen: the records are opened now, so that a
    // problem with them is shown at once.
    void PupilChosen();

    // The current pupil's last try was kept as recording.
    void Kept(const std::string& recording);

    // Shows a logged-in teacher the current pupil's chart, the tries just
    // made included; anyone else, or a teacher without a chosen pupil, is
    // told so in a box.
    void ShowProgress(LorvanoParentWindow parent);
    // Asks the logged-in teacher for her own mark of the current pupil's
    // last try in this session and stores it beside the program's; the
    // mark, or -1 when none was given (or there was nobody or nothing to
    // mark: then nothing is asked).
    int TeacherMark(LorvanoParentWindow parent);

private:
    void TakeProblem();
    // True when a problem was shown.
    bool ShowProblem();

    const vRosterSession_c& mSession;
    vRosterUi_i& mUi;
    std::unique_ptr<progress::vProgressRecorder_c> mRecorder;
    std::string mDatabase;
    std::string mProblem;  // found, not shown yet
};

}  // namespace roster
