#include "exercises/marker_buttons.h"

#include "exercises/exercise.h"

vTrMarkerCommands_i* MarkerCommandsOf(const vTrExerciseBinding_c& binding) {
    return dynamic_cast<vTrMarkerCommands_i*>(binding.Exercise());
}

vTrLockMarkersBtn_c::vTrLockMarkersBtn_c() = default;
vTrChActBtn_c::vTrChActBtn_c() = default;
vTrDispErrBtn_c::vTrDispErrBtn_c() { SetValueCount(4); }

void vTrLockMarkersBtn_c::OnClick() {
    vDxFileCheckbox_c::OnClick();
    if (vTrMarkerCommands_i* e = MarkerCommandsOf(*this)) e->LockMarkersClicked(GetValue() > 0);
}

void vTrChActBtn_c::OnClick() {
    vDxFileCheckbox_c::OnClick();
    if (vTrMarkerCommands_i* e = MarkerCommandsOf(*this)) e->EtalonModeClicked(GetValue() == 0);
}

void vTrDispErrBtn_c::OnClick() {
    vDxFileCheckbox_c::OnClick();
    if (vTrMarkerCommands_i* e = MarkerCommandsOf(*this)) e->WordDisplayClicked(static_cast<int>(GetValue()) + 1);
}

void vHm1EdAutoSegmentBtn_c::OnClick() {
    if (vTrMarkerCommands_i* e = MarkerCommandsOf(*this)) e->AutoSegmentClicked();
}

void vTrEditBtn_c::OnClick() {
    if (vTrMarkerCommands_i* e = MarkerCommandsOf(*this)) e->EditMarkerClicked();
}

void vTrSaveBtn_c::OnClick() {
    if (vTrMarkerCommands_i* e = MarkerCommandsOf(*this)) e->SaveExerciseClicked();
}

V_REGISTER_CLASS(vTrLockMarkersBtn_c);
V_REGISTER_CLASS(vTrChActBtn_c);
V_REGISTER_CLASS(vTrDispErrBtn_c);
V_REGISTER_CLASS(vHm1EdAutoSegmentBtn_c);
V_REGISTER_CLASS(vTrEditBtn_c);
V_REGISTER_CLASS(vTrSaveBtn_c);
