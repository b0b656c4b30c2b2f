#include "shell/loaders.h"

#include "exercises/exercise.h"
#include "shell/card_button.h"

V_REGISTER_CLASS(vTrExerciseLoader_c);
V_REGISTER_CLASS(vTrMenuBtnLoader_c);

void vTrExerciseLoader_c::OnDeclare(const char*, const char* className, const vPropDesc_c&, void*) {
    Declare(className, &vTrExercise_c::sTypeInfo, "Cannot create non vTrExercise_c derivateive object.");
    if (mOwner) dynamic_cast<vTrExercise_c&>(*Object()).Attach(mOwner);
}

void vTrMenuBtnLoader_c::OnDeclare(const char*, const char* className, const vPropDesc_c&, void*) {
    Declare(className, &vTrExLoadBtn_c::sTypeInfo, "Cannot create non vTrExLoadBtn_c derivateive object.");
    if (mOwner) dynamic_cast<vTrExLoadBtn_c&>(*Object()).SetParent(mOwner);
}
