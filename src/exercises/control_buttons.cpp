#include "exercises/control_buttons.h"

void vTrBgEditBtn_c::OnClick() {
    if (mExercise) mExercise->EditBackground();
}

void vTrStartBtn_c::OnClick() {
    if (mExercise) mExercise->StartRecording();
}

void vTrStopBtn_c::OnClick() {
    if (mExercise) mExercise->StopRecording();
}

void vTrFreqUpBtn_c::OnClick() {
    if (mExercise) mExercise->SetToneFrequency(mExercise->GetToneFrequency() * kTrSemitoneStep);
}

void vTrFreqDownBtn_c::OnClick() {
    if (mExercise) mExercise->SetToneFrequency(mExercise->GetToneFrequency() / kTrSemitoneStep);
}

void vTrAmpUpBtn_c::OnClick() {
    if (mExercise) mExercise->SetToneAmplitude(mExercise->GetToneAmplitude() * kTrFiveDbStep);
}

void vTrAmpDownBtn_c::OnClick() {
    if (mExercise) mExercise->SetToneAmplitude(mExercise->GetToneAmplitude() / kTrFiveDbStep);
}

void vTrOscBtn_c::OnClick() {
    vDxFileCheckbox_c::OnClick();
    if (mExercise) mExercise->SetTone(GetValue() > 0);
}

void vTrBackBtn_c::OnClick() { PostToDxMainWindow(mMsg, reinterpret_cast<std::uintptr_t>(this), 0); }

V_REGISTER_CLASS(vTrBgEditBtn_c);
V_REGISTER_CLASS(vTrStartBtn_c);
V_REGISTER_CLASS(vTrStopBtn_c);
V_REGISTER_CLASS(vTrOscBtn_c);
V_REGISTER_CLASS(vTrFreqUpBtn_c);
V_REGISTER_CLASS(vTrFreqDownBtn_c);
V_REGISTER_CLASS(vTrAmpUpBtn_c);
V_REGISTER_CLASS(vTrAmpDownBtn_c);
V_REGISTER_CLASS(vTrBackBtn_c);
V_REGISTER_CLASS(vTrHomeBtn_c);
