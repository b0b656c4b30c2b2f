#include "shell/menu_buttons.h"

#include "platform/message_queue.h"
#include "shell/app.h"
#include "shell/app_messages.h"

V_REGISTER_CLASS(vDxExLoadMenuBtn_c, V_PROP("Exercise", mExercise));
V_REGISTER_CLASS(vTrExerciseMenuBtn_c, V_PROP("Exercise", mExercise));

void vDxExLoadMenuBtn_c::OnClick() {
    vWindow_c* window = DxMainWindow();
    if (mExercise.empty() || !window) return;
    platform::Post(window->Handle(), app_msg::kLoadExercise, reinterpret_cast<std::uintptr_t>(this),
                   NewMessageText(mExercise));
    RequestRefresh();
}

void vTrExerciseMenuBtn_c::OnClick() {
    vDxCmdMenuBtn_c::OnClick();
    if (mExercise.empty() || !DxMainWindow()) return;
    LoadExerciseByName(mExercise);
}
