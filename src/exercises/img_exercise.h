#pragma once
// vTrImgExercise_c: an exercise that only shows a picture (an instruction
// page, a mouth-position drawing): ExImage in the display area, or only
// BgImage, with the card and any control buttons. It never listens: it has
// no capture object, and recording, suspension and the test tone do
// nothing. User-interface thread only.

#include "exercises/exercise.h"

class vTrImgExercise_c : public vTrContExercise_c {
    V_RTTI_CLASS(vTrImgExercise_c, vTrContExercise_c)
public:
    // The continuous attach, then the background without controls.
    void Attach(vDxImage_i* owner) override;

    void StartRecording() override {}
    void StopRecording() override {}
    void Suspend() override {}
    void Resume() override {}
    void SetTone(bool) override {}
    void SetToneFrequency(double) override {}
    double GetToneFrequency() override { return 0.0; }
    void SetToneAmplitude(double) override {}
    double GetToneAmplitude() override { return 0.0; }
};
