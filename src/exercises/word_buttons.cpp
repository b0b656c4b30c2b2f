#include "exercises/word_buttons.h"

vTrWordCommands_i* BoundWordExercise(const vTrExerciseBinding_c& binding) {
    return dynamic_cast<vTrWordCommands_i*>(binding.Exercise());
}

void vTrPlaybackBtn_c::OnClick() {
    if (vTrWordCommands_i* e = BoundWordExercise(*this)) e->StartPlayback();
}
void vTrPlaybackBtn2_c::OnClick() {
    if (vTrWordCommands_i* e = BoundWordExercise(*this)) e->StartPlayback2();
}
void vTrSaveSayFile_c::OnClick() {
    if (vTrWordCommands_i* e = BoundWordExercise(*this)) e->SaveSay();
}
void vTrLoadBtn_c::OnClick() {
    if (vTrWordCommands_i* e = BoundWordExercise(*this)) e->LoadRecording();
}
void vTrLoadBtn2_c::OnClick() {
    if (vTrWordCommands_i* e = BoundWordExercise(*this)) e->LoadRecording2();
}
void vTrGotoBtn_c::OnClick() {
    if (vTrWordCommands_i* e = BoundWordExercise(*this)) e->Goto();
}

V_REGISTER_CLASS(vTrPlaybackBtn_c);
V_REGISTER_CLASS(vTrPlaybackBtn2_c);
V_REGISTER_CLASS(vTrSaveSayFile_c);
V_REGISTER_CLASS(vTrLoadBtn_c);
V_REGISTER_CLASS(vTrLoadBtn2_c);
V_REGISTER_CLASS(vTrGotoBtn_c);
