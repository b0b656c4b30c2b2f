#include "test_classes.h"

int vTestShape_c::sDestroyed = 0;

namespace {
using vTD_TestShape_GetPosX_c = vTD_GetterTmpl_c<vTestShape_c, int32_t, &vTestShape_c::GetPosX, &vTestShape_c::SetPosX>;
using vTD_TestSprite_GetHotX_c =
    vTD_GetterTmpl_c<vTestSprite_c, int32_t, &vTestSprite_c::GetHotX, &vTestSprite_c::SetHotX>;
using vTD_TestShape_GetPosY_c = vTD_GetterTmpl_c<vTestShape_c, int32_t, &vTestShape_c::GetPosY, &vTestShape_c::SetPosY>;
const vTD_TestShape_GetPosX_c gTD_TestShape_GetPosX{"vSInt32"};
const vTD_TestShape_GetPosY_c gTD_TestShape_GetPosY{"vSInt32"};
const vTD_TestSprite_GetHotX_c gTD_TestSprite_GetHotX{"vSInt32"};
}  // namespace

V_REGISTER_CLASS(vTestShape_c,
    V_PROP_GETTER("PosX", gTD_TestShape_GetPosX),
    V_PROP_GETTER("PosY", gTD_TestShape_GetPosY),
    V_PROP("Name", mName),
    V_PROP("Size", mSize));

V_REGISTER_CLASS(vTestBox_c,
    V_PROP("Size", mSize),
    V_PROP("Corner", mCorner),
    V_PROP("Color", mColor),
    V_PROP("Filled", mFilled),
    V_PROP("Ratio", mRatio),
    V_PROP("Scale", mScale),
    V_PROP("Mark", mMark),
    V_PROP("S8", mS8),
    V_PROP("S16", mS16),
    V_PROP("U16", mU16),
    V_PROP("U32", mU32),
    V_PROP("Values", mValues),
    V_PROP("FixedText", mFixedText),
    V_PROP("HeapText", mHeapText),
    V_PROP_TYPED("Long", mLong, gTD_vFloat10));

V_REGISTER_CLASS(vTestSprite_c,
    V_PROP_GETTER("HotX", gTD_TestSprite_GetHotX));

V_REGISTER_CLASS(vTestAbstract_c);

V_REGISTER_CLASS(vTestPanel_c,
    V_PROP_DECLARED("Background", mBackground),
    V_PROP_FIXED("Button", mButton),
    V_PROP_OBJECT("Owned", mOwned),
    V_PROP("Items", mItems),
    V_PROP("Points", mPoints),
    V_PROP_FLAGS("FrameCount", mFrameCount, vPropFlags_e::None),
    V_PROP_ARRAY("Frames", mFrames, "FrameCount"),
    V_PROP_FLAGS("SlotCount", mSlotCount, vPropFlags_e::None),
    V_PROP_ARRAY("Slots", mSlots, "SlotCount"));

V_REGISTER_TEMPLATE_CLASS(vTestButton_c,
    V_PROP("State", mState));

bool vTestPanel_c::OnDeclareIndex(const vPropDesc_c& prop, uint32_t index) {
    if (std::string(prop.name) != "Frames" || index >= static_cast<uint32_t>(mLimit)) return false;
    if (mFrames.size() <= index) mFrames.resize(index + 1);
    mFrameCount = index + 1;
    return true;
}

V_REGISTER_CLASS(vTestFileImage_c,
    V_PROP("FileName", mFileName),
    V_PROP("TransparentColor", mTransparentColor));

V_REGISTER_CLASS(vTestExercise_c,
    V_PROP_DECLARED("BgImage", mBgImage),
    V_PROP("CardPos", mCardPos),
    V_PROP("PenColor", mPenColor),
    V_PROP_DECLARED("HeadImage", mHeadImage),
    V_PROP_FIXED("StartBtn", mStartBtn),
    V_PROP("GuidePage", mGuidePage),
    V_PROP("Buttons", mButtons),
    V_PROP("RecPos", mRecPos),
    V_PROP_ARRAY("Data", mData, "RecPos"));

V_REGISTER_CLASS(vTestExerciseLoader_c);

void vTestExerciseLoader_c::OnDeclare(const char*, const char* className, const vPropDesc_c&, void*) {
    Declare(className, &vTestExercise_c::sTypeInfo, "Cannot create non vTestExercise_c derivateive object.");
}
