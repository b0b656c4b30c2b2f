#include "objects/point_color.h"

V_REGISTER_CLASS(vPointProp_c,
    V_PROP("x", mX),
    V_PROP("y", mY));

V_REGISTER_CLASS(vColor_c,
    V_PROP("Red", mRed),
    V_PROP("Green", mGreen),
    V_PROP("Blue", mBlue),
    V_PROP("Alpha", mAlpha));
