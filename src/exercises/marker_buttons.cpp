#include "exercises/marker_buttons.h"

#include "exercises/editor_buttons.h"
#include "exercises/editor_record.h"
#include "exercises/word_exercise.h"

namespace {

vTrWordExercise_c* BoundWordExercise(const vTrExerciseBinding_c& binding) {
    return dynamic_cast<vTrWordExercise_c*>(binding.Exercise());
}

vEdRecordExercise_c* BoundEditor(const vTrExerciseBinding_c& binding) {
    return dynamic_cast<vEdRecordExercise_c*>(binding.Exercise());
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

void vHm1EdAutoSegmentBtn_c::OnClick() {
    if (vEdRecordExercise_c* e = BoundEditor(*this)) e->AutoSegment();
}

void vTrEditBtn_c::OnClick() {
    vEdRecordExercise_c* e = BoundEditor(*this);
    if (e && e->SelectedMarker() >= 0) e->EditMarker(static_cast<size_t>(e->SelectedMarker()));
}

void vTrSaveBtn_c::OnClick() {
    if (vEdRecordExercise_c* e = BoundEditor(*this)) e->SaveExercise();
}

vEdChActBtn_c::vEdChActBtn_c() { SetValueCount(vEdRecordExercise_c::kSlots); }
vEdDispErrBtn_c::vEdDispErrBtn_c() { SetValueCount(3); }

void vEdChActBtn_c::OnClick() {
    vDxFileCheckbox_c::OnClick();
    if (vEdRecordExercise_c* e = BoundEditor(*this)) e->SetActive(static_cast<int>(GetValue()));
}

void vEdDispErrBtn_c::OnClick() {
    vDxFileCheckbox_c::OnClick();
    static constexpr int kModes[] = {1, 3, 4};
    vEdRecordExercise_c* e = BoundEditor(*this);
    if (e && GetValue() < 3) e->SetDisplayMode(kModes[GetValue()]);
}

V_REGISTER_CLASS(vTrLockMarkersBtn_c);
V_REGISTER_CLASS(vTrChActBtn_c);
V_REGISTER_CLASS(vTrDispErrBtn_c);
V_REGISTER_CLASS(vHm1EdAutoSegmentBtn_c);
V_REGISTER_CLASS(vTrEditBtn_c);
V_REGISTER_CLASS(vTrSaveBtn_c);
V_REGISTER_CLASS(vEdChActBtn_c);
V_REGISTER_CLASS(vEdDispErrBtn_c);
V_REGISTER_CLASS(vEdSaveBtn_c);
