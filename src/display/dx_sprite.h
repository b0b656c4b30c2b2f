#pragma once
// Sprites: small pictures drawn over their parent image with the parent's
// pixels saved underneath, so that they can be moved and taken away without
// the parent drawing itself again. A sprite listens to its parent's locks:
// every lock hides it and every unlock shows it again, so locked drawing
// never captures or overwrites it. Hides nest (BeginUpdate / EndUpdate).
//
// The mouse pointer drawn in full screen is a sprite over a file-image array
// with one picture per pointer shape (vDxFileImgArrSprite_c).
//
// A sprite must be hidden before its parent is drawn over by other means.
// User-interface thread only.

#include "display/dx_image_array.h"
#include "objects/point_color.h"

class vDxSprite_i {
public:
    virtual ~vDxSprite_i() = default;
    // Draws the sprite with its hot spot on the point (of the parent).
    virtual void Show(vDxPoint point) = 0;
    // Puts the saved pixels back.
    virtual void Hide() = 0;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    virtual vDxPoint GetHotSpot() const = 0;
    virtual void SetHotSpot(vDxPoint hotSpot) = 0;
};

template <class Image>
class vDxSprite_t : public Image, public vDxSprite_i, public vDxLockListener_i {
    V_RTTI_CLASS(vDxSprite_t, Image)
public:
    vDxSprite_t() = default;
    ~vDxSprite_t() override {
        if (vDxImage_i* parent = this->GetParent()) parent->RemoveLockListener(this);
    }

    void SetParent(vDxImage_i* parent) override {
        if (parent == this->GetParent()) return;
        Hide();
        if (vDxImage_i* old = this->GetParent()) old->RemoveLockListener(this);
        Image::SetParent(parent);
        if (parent) parent->AddLockListener(this);
    }

    void Show(vDxPoint point) override {
        mPosition = point;
        vDxImage_i* parent = this->GetParent();
        if (mVisible || !parent || !this->GetSurface()) return;
        const vDxPoint at = TopLeft();
        const int w = this->GetWidth(), h = this->GetHeight();
        if (!mSave || mSave->GetWidth() != w || mSave->GetHeight() != h || mSave->GetBPP() != parent->GetBPP())
            mSave = MakeSaveImage(w, h, parent->GetBPP());
        // Cut at the parent's right and bottom edges; the clipped blits take
        // care of the left and top.
        const vDxRect under{at.x, at.y, std::min(w, parent->GetWidth() - at.x), std::min(h, parent->GetHeight() - at.y)};
        mSave->BltClipped({0, 0}, *parent, under);
        parent->BltClipped(at, *this, {0, 0, under.w, under.h});
        mVisible = true;
    }
    void Hide() override {
        if (!mVisible) return;
        mVisible = false;
        if (vDxImage_i* parent = this->GetParent()) parent->BltClipped(TopLeft(), *mSave, {0, 0, mSave->GetWidth(), mSave->GetHeight()});
    }
    void BeginUpdate() override {
        if (mHideCount++ == 0) {
            mWasVisible = mVisible;
            Hide();
        }
    }
    void EndUpdate() override {
        if (mHideCount == 0) return;
        if (--mHideCount == 0 && mWasVisible) Show(mPosition);
    }
    vDxPoint GetHotSpot() const override { return {mHotSpot.mX, mHotSpot.mY}; }
    void SetHotSpot(vDxPoint hotSpot) override { mHotSpot = vPointProp_c(hotSpot.x, hotSpot.y); }

    // A new position; a shown sprite moves there, a hidden one is shown there next.
    void MoveTo(vDxPoint point) {
        if (mVisible) {
            Hide();
            Show(point);
        } else {
            mPosition = point;
        }
    }
    bool IsVisible() const { return mVisible; }
    vDxPoint Position() const { return mPosition; }

protected:
    vDxPoint TopLeft() const { return {mPosition.x - mHotSpot.mX, mPosition.y - mHotSpot.mY}; }

    vPointProp_c mHotSpot;

private:
    static std::unique_ptr<vDxSimpleImage_c> MakeSaveImage(int w, int h, int bits) {
        auto save = std::make_unique<vDxSimpleImage_c>();
        save->Create(w, h, bits);
        return save;
    }

    vDxPoint mPosition;
    bool mVisible = false;
    bool mWasVisible = false;
    int mHideCount = 0;
    std::unique_ptr<vDxSimpleImage_c> mSave;
};

using vDxSprite_c = vDxSprite_t<vDxSimpleImage_c>;
using vDxFileSprite_c = vDxSprite_t<vDxFileImage_c>;
using vDxFileImgArrSprite_c = vDxSprite_t<vDxFileImageArray_c>;
