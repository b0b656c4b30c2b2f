#pragma once
// The control buttons of an exercise: file-picture buttons (the test-tone
// switch is a checkbox) that call into the exercise they belong to, which
// does not own them back (the exercise owns its buttons). A button without
// an exercise does nothing when clicked. The back and home buttons post
// their message to the main window instead.
//
// Tone steps are unbounded: one equal-tempered semitone per frequency click,
// 5 dB per amplitude click. User-interface thread only.

#include "display/dx_button.h"

// One semitone (2^(1/12)) and 5 dB of amplitude (10^(5/20)).
inline constexpr double kTrSemitoneStep = 1.059463094;
inline constexpr double kTrFiveDbStep = 1.77827941;

// What the control buttons ask of the exercise they act on (every exercise
// answers it).
class vTrControls_i {
public:
    virtual void StartRecording() = 0;
    virtual void StopRecording() = 0;
    virtual void SetTone(bool on) = 0;
    virtual void SetToneFrequency(double hz) = 0;
    virtual double GetToneFrequency() = 0;
    // Peak level as a fraction of full scale.
    virtual void SetToneAmplitude(double amplitude) = 0;
    virtual double GetToneAmplitude() = 0;
    virtual void EditBackground() = 0;

protected:
    ~vTrControls_i() = default;
};

// The exercise a control button acts on.
class vTrExerciseBinding_c {
public:
    void BindExercise(vTrControls_i* exercise) { mExercise = exercise; }
    vTrControls_i* Exercise() const { return mExercise; }

protected:
    vTrControls_i* mExercise = nullptr;
};

#define V_TR_CONTROL_BUTTON(Name)                                     \
    class Name : public vDxFileButton_c, public vTrExerciseBinding_c { \
        V_RTTI_CLASS(Name, vDxFileButton_c)                            \
    public:                                                            \
        void OnClick() override;                                       \
    }

// EditBackground.
V_TR_CONTROL_BUTTON(vTrBgEditBtn_c);
// StartRecording.
V_TR_CONTROL_BUTTON(vTrStartBtn_c);
// StopRecording.
V_TR_CONTROL_BUTTON(vTrStopBtn_c);
// Tone frequency one semitone up / down.
V_TR_CONTROL_BUTTON(vTrFreqUpBtn_c);
V_TR_CONTROL_BUTTON(vTrFreqDownBtn_c);
// Tone amplitude 5 dB up / down.
V_TR_CONTROL_BUTTON(vTrAmpUpBtn_c);
V_TR_CONTROL_BUTTON(vTrAmpDownBtn_c);

#undef V_TR_CONTROL_BUTTON

// The test-tone switch: after the checkbox toggles, SetTone(value > 0).
class vTrOscBtn_c : public vDxFileCheckbox_c, public vTrExerciseBinding_c {
    V_RTTI_CLASS(vTrOscBtn_c, vDxFileCheckbox_c)
public:
    void OnClick() override;
};

// Posts its message id to the main window with the button as parameter
// (the menus go back one level).
class vTrBackBtn_c : public vDxMsgBtn_c {
    V_RTTI_CLASS(vTrBackBtn_c, vDxMsgBtn_c)
public:
    void OnClick() override;
};

// A message button: posts its message and parameters to the main window.
class vTrHomeBtn_c : public vDxMsgBtn_c {
    V_RTTI_CLASS(vTrHomeBtn_c, vDxMsgBtn_c)
};
