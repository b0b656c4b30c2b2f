#include "exercises/img_exercise.h"

void vTrImgExercise_c::Attach(vDxImage_i* owner) {
    vTrContExercise_c::Attach(owner);
    DrawBackground(false);
}

V_REGISTER_CLASS(vTrImgExercise_c);
