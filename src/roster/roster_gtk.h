#pragma once
// vRosterGtkUi_c: the user-management dialogs as GTK 3 dialogs, modal above
// the program's window. Without a display nothing can be asked: every
// question is declined and errors go to standard error. User-interface thread
// only.

#include "roster/roster_session.h"

namespace roster {

class vRosterGtkUi_c : public vRosterUi_i {
public:
    void SetParent(LorvanoParentWindow parent) override { mParent = parent; }
    void ShowError(const std::string& text) override;
    bool AskLogin(std::string& name, std::string& password, const std::string& message) override;
    bool AskFirstTeacher(std::string& name, std::string& password, const std::string& message) override;
    bool AskPupil(const std::vector<std::string>& pupils, std::string& pupil, const std::string& message) override;
    bool ChooseRecording(const std::vector<std::string>& pupils, const RecordingLister& recordings, bool needExercise,
                         std::string& pupil, std::string& wavPath) override;
    void ShowProgress(const std::string& title, const std::vector<progress::vStoredTry_c>& tries) override;
    bool AskTeacherMark(const std::string& pupil, int shown, int& mark) override;

private:
    // The login form, with a second password field for a new teacher.
    bool AskNameAndPassword(bool newTeacher, std::string& name, std::string& password, const std::string& message);

    LorvanoParentWindow mParent = 0;
};

}  // namespace roster
