#include "exercises/editor_buttons.h"

vEdChActBtn_c::vEdChActBtn_c() { SetValueCount(kEditorTakes); }
vEdDispErrBtn_c::vEdDispErrBtn_c() { SetValueCount(3); }

void vEdChActBtn_c::OnClick() {
    vDxFileCheckbox_c::OnClick();
    if (vTrMarkerCommands_i* e = MarkerCommandsOf(*this)) e->ActiveTakeClicked(static_cast<int>(GetValue()));
}

void vEdDispErrBtn_c::OnClick() {
    vDxFileCheckbox_c::OnClick();
    static constexpr int kModes[] = {1, 3, 4};
    vTrMarkerCommands_i* e = MarkerCommandsOf(*this);
    if (e && GetValue() < 3) e->EditorDisplayClicked(kModes[GetValue()]);
}

V_REGISTER_CLASS(vEdChActBtn_c);
V_REGISTER_CLASS(vEdDispErrBtn_c);
V_REGISTER_CLASS(vEdSaveBtn_c);
