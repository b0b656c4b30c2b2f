#pragma once
// The editor's own buttons: the three-state checkbox choosing the active
// take, the display-mode checkbox (bands, volume, pitch) and the save
// button. Each acts after toggling on the editor it is bound to (not owned);
// without one it only toggles. User-interface thread only.

#include "display/dx_button.h"
#include "exercises/control_buttons.h"
#include "exercises/marker_buttons.h"

// SetActive(value); three values.
class vEdChActBtn_c : public vDxFileCheckbox_c, public vTrExerciseBinding_c {
    V_RTTI_CLASS(vEdChActBtn_c, vDxFileCheckbox_c)
public:
    vEdChActBtn_c();
    void OnClick() override;
};

// Values 0, 1, 2: display modes 1, 3, 4.
class vEdDispErrBtn_c : public vDxFileCheckbox_c, public vTrExerciseBinding_c {
    V_RTTI_CLASS(vEdDispErrBtn_c, vDxFileCheckbox_c)
public:
    vEdDispErrBtn_c();
    void OnClick() override;
};

// Saves the active take as a new word exercise (the word exercise's save button's action).
class vEdSaveBtn_c : public vTrSaveBtn_c {
    V_RTTI_CLASS(vEdSaveBtn_c, vTrSaveBtn_c)
};
