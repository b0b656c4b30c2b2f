#include "exercises/marker_buttons.h"

#include "exercises/word_exercise.h"

namespace {

vTrWordExercise_c* BoundWordExercise(const vTrExerciseBinding_c& binding) {
    return dynamic_cast<vTrWordExercise_c*>(binding.Exercise());
}

}  // namespace

vTrLockMarkersBtn_c::vTrLockMarkersBtn_c() = default;
vTrChActBtn_c::vTrChActBtn_c() = default;
vTrDispErrBtn_c::vTrDispErrBtn_c() { SetValueCount(4); }

void vTrLockMarkersBtn_c::OnClick() {
    vDxFileCheckbox_c::OnClick();
    if (vTrWordExercise_c* e = BoundWordExercise(*this)) e->SetLockMarkers(GetValue() > 0);
}

void vTrChActBtn_c::OnClick() {
    vDxFileCheckbox_c::OnClick();
    if (vTrWordExercise_c* e = BoundWordExercise(*this)) e->SetEtalonMode(GetValue() == 0);
}

void vTrDispErrBtn_c::OnClick() {
    vDxFileCheckbox_c::OnClick();
    if (vTrWordExercise_c* e = BoundWordExercise(*this)) e->SetDisplayMode(static_cast<int>(GetValue()) + 1);
}

V_REGISTER_CLASS(vTrLockMarkersBtn_c);
V_REGISTER_CLASS(vTrChActBtn_c);
V_REGISTER_CLASS(vTrDispErrBtn_c);
V_REGISTER_CLASS(vHm1EdAutoSegmentBtn_c);
V_REGISTER_CLASS(vTrEditBtn_c);
V_REGISTER_CLASS(vTrSaveBtn_c);
