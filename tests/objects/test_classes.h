#pragma once
// Small loadable classes that exercise every kind of property. Registered in
// test_classes.cpp; the tests of the type layer and of the reader use them.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "objects/loader.h"
#include "objects/point_color.h"
#include "objects/registration.h"

// An image-like root with a getter property and a value that can be absent.
class vTestShape_c : public vPropCntnr_c {
    V_RTTI_CLASS(vTestShape_c, vPropCntnr_c)
public:
    ~vTestShape_c() override { ++sDestroyed; }
    int32_t GetPosX() const { return mPosX; }
    void SetPosX(int32_t x) { mPosX = x; }
    // Shapes marked "NoX" have no position (their getter is not implemented).
    int32_t GetPosY() const { return mPosY; }
    void SetPosY(int32_t y) { mPosY = y; }
    int32_t mPosX = 0;
    int32_t mPosY = 0;
    vStrTmpl_c mName;
    int32_t mSize = 0;  // "Size": also registered by vTestBox_c
    static int sDestroyed;
};

class vTestBox_c : public vTestShape_c {
    V_RTTI_CLASS(vTestBox_c, vTestShape_c)
public:
    int32_t mSize = 0;  // hides the shape's "Size"
    vPointProp_c mCorner;
    vColor_c mColor;
    bool mFilled = false;
    double mRatio = 0;
    float mScale = 0;
    char mMark = 'x';
    int8_t mS8 = 0;
    int16_t mS16 = 0;
    uint16_t mU16 = 0;
    uint32_t mU32 = 0;
    int32_t mValues[20] = {};
    char mFixedText[8] = {};
    std::unique_ptr<char[]> mHeapText;
    double mLong = 0;
};

// A shape whose position comes through accessors; LoadFinished counts calls
// and IsValid follows mValid.
class vTestSprite_c : public vTestShape_c {
    V_RTTI_CLASS(vTestSprite_c, vTestShape_c)
public:
    int32_t GetHotX() const {
        if (mNoHot) throw vExNotImplemented_c();
        return mHotX;
    }
    void SetHotX(int32_t x) { mHotX = x; }
    void LoadStarting() override { ++mStarting; }
    void LoadPrepared() override { ++mPrepared; }
    void LoadFinished() override { ++mFinished; }
    bool IsValid() override { return mValid; }

    int32_t mHotX = 0;
    bool mNoHot = false;
    bool mValid = true;
    int mStarting = 0, mPrepared = 0, mFinished = 0;
};

// An abstract class: cannot be created.
class vTestAbstract_c : public vTestShape_c {
    V_RTTI_CLASS(vTestAbstract_c, vTestShape_c)
public:
    virtual void Draw() = 0;
};

// Holds objects of every ownership kind, lists and dynamic arrays.
class vTestPanel_c : public vPropCntnr_c {
    V_RTTI_CLASS(vTestPanel_c, vPropCntnr_c)
public:
    vTestPanel_c() : mFrames(4) {}
    bool OnDeclareIndex(const vPropDesc_c& prop, uint32_t index) override;

    std::unique_ptr<vTestShape_c> mBackground;  // declared class
    std::unique_ptr<vTestBox_c> mButton;        // fixed class
    std::unique_ptr<vTestBox_c> mOwned;         // via pointer, made by the owner
    std::vector<std::unique_ptr<vTestShape_c>> mItems;
    std::vector<vPointProp_c> mPoints;
    uint32_t mFrameCount = 0;
    std::vector<vPointProp_c> mFrames;
    uint32_t mSlotCount = 0;
    std::vector<std::unique_ptr<vTestShape_c>> mSlots;
    int32_t mLimit = 16;  // OnDeclareIndex grows mFrames up to this
};

// A class template registered per instance, as the display's button
// templates are.
template <class Base>
class vTestButton_t : public Base {
    V_RTTI_CLASS(vTestButton_t, Base)
public:
    int32_t mState = 0;
};
using vTestButton_c = vTestButton_t<vTestBox_c>;

// A picture with a file name, as the display's file images are.
class vTestFileImage_c : public vTestShape_c {
    V_RTTI_CLASS(vTestFileImage_c, vTestShape_c)
public:
    vStrTmpl_c mFileName;
    uint32_t mTransparentColor = 0;
};

// An exercise-like class with the properties of the worked example.
class vTestExercise_c : public vPropCntnr_c {
    V_RTTI_CLASS(vTestExercise_c, vPropCntnr_c)
public:
    std::unique_ptr<vTestShape_c> mBgImage;
    vPointProp_c mCardPos;
    vColor_c mPenColor;
    std::unique_ptr<vTestShape_c> mHeadImage;
    std::unique_ptr<vTestShape_c> mStartBtn;
    vStrTmpl_c mGuidePage;
    std::vector<std::unique_ptr<vTestShape_c>> mButtons;
    int32_t mRecPos = 0;  // signed count of Data
    std::vector<vPointProp_c> mData = std::vector<vPointProp_c>(8);
};

// A loader variant that requires an exercise.
class vTestExerciseLoader_c : public vLoader_c {
    V_RTTI_CLASS(vTestExerciseLoader_c, vLoader_c)
public:
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;
};
