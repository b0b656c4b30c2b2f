#pragma once
// The buttons of the word exercises' base: playback of the pupil's recording
// and of the reference, saving the last say into the pupil's files, the two
// load actions and the goto action. Each calls the word exercise it is bound
// to (not owned); a button without a word exercise does nothing.
// User-interface thread only.

#include "display/dx_button.h"
#include "exercises/control_buttons.h"

// What the word buttons ask of the word exercise they are bound to.
class vTrWordCommands_i {
public:
    virtual void StartPlayback() = 0;
    virtual void StartPlayback2() = 0;
    virtual void SaveSay() = 0;
    virtual void LoadRecording() = 0;
    virtual void LoadRecording2() = 0;
    virtual void Goto() = 0;

protected:
    ~vTrWordCommands_i() = default;
};

// The word exercise a button is bound to, or null.
vTrWordCommands_i* BoundWordExercise(const vTrExerciseBinding_c& binding);

#define V_TR_WORD_BUTTON(Name)                                          \
    class Name : public vDxFileButton_c, public vTrExerciseBinding_c {  \
        V_RTTI_CLASS(Name, vDxFileButton_c)                             \
    public:                                                             \
        void OnClick() override;                                        \
    }

// StartPlayback.
V_TR_WORD_BUTTON(vTrPlaybackBtn_c);
// StartPlayback2.
V_TR_WORD_BUTTON(vTrPlaybackBtn2_c);
// SaveSay.
V_TR_WORD_BUTTON(vTrSaveSayFile_c);
// LoadRecording.
V_TR_WORD_BUTTON(vTrLoadBtn_c);
// LoadRecording2.
V_TR_WORD_BUTTON(vTrLoadBtn2_c);
// Goto.
V_TR_WORD_BUTTON(vTrGotoBtn_c);

#undef V_TR_WORD_BUTTON
