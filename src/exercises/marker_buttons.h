#pragma once
// The buttons of the word exercise's marker and display functions. The
// checkboxes lock the markers, switch between etalon and say mode and choose
// the display mode (four states, modes 1..4); each acts after toggling, on
// the word exercise it is bound to (not owned), and without one only
// toggles. The edit, auto-segment and save buttons act on the editor they are
// bound to (the word exercise drops them); without one they do nothing.
// User-interface thread only.

#include "display/dx_button.h"
#include "exercises/control_buttons.h"
#include "exercises/marker_commands.h"

// The commands of the exercise a button is bound to; null when it answers none.
vTrMarkerCommands_i* MarkerCommandsOf(const vTrExerciseBinding_c& binding);

#define V_TR_MARKER_CHECKBOX(Name)                                        \
    class Name : public vDxFileCheckbox_c, public vTrExerciseBinding_c {  \
        V_RTTI_CLASS(Name, vDxFileCheckbox_c)                             \
    public:                                                               \
        Name();                                                           \
        void OnClick() override;                                          \
    }

// The markers-locked flag := value > 0.
V_TR_MARKER_CHECKBOX(vTrLockMarkersBtn_c);
// Say mode when value > 0, else etalon mode.
V_TR_MARKER_CHECKBOX(vTrChActBtn_c);
// SetDisplayMode(value + 1); four values.
V_TR_MARKER_CHECKBOX(vTrDispErrBtn_c);

#undef V_TR_MARKER_CHECKBOX

#define V_TR_EDITOR_BUTTON(Name)                                         \
    class Name : public vDxFileButton_c, public vTrExerciseBinding_c {   \
        V_RTTI_CLASS(Name, vDxFileButton_c)                              \
    public:                                                              \
        void OnClick() override;                                         \
    }

// Proposes the active take's markers.
V_TR_EDITOR_BUTTON(vHm1EdAutoSegmentBtn_c);
// The marker editor on the selected marker.
V_TR_EDITOR_BUTTON(vTrEditBtn_c);
// Saves the active take as a new word exercise.
V_TR_EDITOR_BUTTON(vTrSaveBtn_c);

#undef V_TR_EDITOR_BUTTON
