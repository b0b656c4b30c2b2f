#pragma once
// The two small value objects of definition files: a point (x, y) and a
// colour (red, green, blue, alpha; stored blue, green, red, alpha as the
// drawing layer's pixels are). In files: CardPos = (40, 60); PenColor =
// (255, 0, 0, 0); or bodies with the property names.
// Plain values; any thread.

#include <cstdint>

#include "objects/registration.h"

class vPointProp_c : public vPropCntnr_c {
    V_RTTI_CLASS(vPointProp_c, vPropCntnr_c)
public:
    vPointProp_c() = default;
    vPointProp_c(int32_t x, int32_t y) : mX(x), mY(y) {}

    int32_t mX = 0;
    int32_t mY = 0;
};

class vColor_c : public vPropCntnr_c {
    V_RTTI_CLASS(vColor_c, vPropCntnr_c)
public:
    vColor_c() = default;
    vColor_c(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 0)
        : mBlue(blue), mGreen(green), mRed(red), mAlpha(alpha) {}

    uint8_t mBlue = 0;
    uint8_t mGreen = 0;
    uint8_t mRed = 0;
    uint8_t mAlpha = 0;
};
