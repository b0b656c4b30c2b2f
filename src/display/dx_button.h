#pragma once
// Buttons and checkboxes: image arrays with one picture per visual state that
// react to the mouse through the window's mouse-move, left-down and left-up
// chains. A click (press inside, release inside) shows hover, posts message
// 1028 to the main window (which refreshes its root menu) and performs the
// button's action (OnClick). A checkbox adds a value that cycles on each
// click; a message button posts the window message of its definition.
//
// The main window is the one given to SetDxMainWindow (buttons post to it and
// menus join its chains). User-interface thread only.

#include "display/dx_image_array.h"
#include "events/cmd_target.h"
#include "events/window.h"

#include <cstdint>

// Posted by every button after a click: refresh the root menu.
inline constexpr platform::MessageId kDxRefreshMessage = platform::msg::kUser + 4;  // 1028

void SetDxMainWindow(vWindow_c* window);
vWindow_c* DxMainWindow();
// Posts to the main window (a thread message while there is none).
void PostToDxMainWindow(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2);

// The visual states; a state's picture is the entry of the same number.
struct vDxButtonState {
    static constexpr int kNormal = 0;
    static constexpr int kHover = 1;
    static constexpr int kPressed = 2;
    static constexpr int kDisabled = 3;
    static constexpr int kCount = 4;
};

template <class Image>
class vDxButton_t : public vDxImageArray_t<Image>, public vCmdTarget_c {
    using Array = vDxImageArray_t<Image>;

public:
    using Result = vCmdTarget_c::Result;

    vDxButton_t() { Array::SetCount(vDxButtonState::kCount); }

    // Joins the window's mouse-move, left-down and left-up chains after it.
    virtual void Subscribe(vCmdTarget_c& window) {
        JoinChain(Chain::MouseMove, window);
        JoinChain(Chain::LeftDown, window);
        JoinChain(Chain::LeftUp, window);
    }
    // Each sets the state; the button is drawn again only when the state
    // changed or its picture is not drawn yet.
    void ShowNormal() { Show(vDxButtonState::kNormal); }
    void ShowHover() { Show(vDxButtonState::kHover); }
    void ShowPressed() { Show(vDxButtonState::kPressed); }
    void ShowDisabled() { Show(vDxButtonState::kDisabled); }
    int GetState() const { return mState; }
    // Returns the previous state.
    virtual int SetState(int state) {
        const int previous = mState;
        SetPicture(state);
        return previous;
    }
    // Sets the state and shows its picture (picture 0 when it has none).
    virtual void SetPicture(int state) {
        mState = state;
        this->SetCurrent(PictureIndex(state));
        Redraw();
    }
    // Blits the current picture onto the parent at the button's position.
    virtual void Redraw() {
        vDxImage_i* parent = this->GetParent();
        if (parent && this->GetSurface()) parent->BltImage(this->GetPos(), *this);
        mDirty = false;
    }
    // The point (in the coordinates of the screen) lies on the current
    // picture of an enabled button; transparent pixels count as inside.
    virtual bool HitTest(int x, int y) {
        if (mState == vDxButtonState::kDisabled) return false;
        const vDxPoint origin = DxScreenOrigin(*this);
        const int bx = x - origin.x, by = y - origin.y;
        return bx >= 0 && by >= 0 && bx < this->GetWidth() && by < this->GetHeight();
    }
    virtual void OnClick() = 0;
    // Posts 1028 to the main window.
    virtual void RequestRefresh() { PostToDxMainWindow(kDxRefreshMessage, 0, 0); }
    virtual void Disable() {
        mSavedState = mState;
        ShowDisabled();
    }
    virtual void Enable() { SetPicture(mSavedState); }

    bool IsDirty() const { return mDirty; }
    bool IsTracking() const { return mTracking; }

    Result OnMouseMove(int x, int y, std::uintptr_t keyFlags) override {
        if (HitTest(x, y)) {
            if (mState == vDxButtonState::kPressed || (keyFlags != 0 && mTracking))
                ShowPressed();
            else
                ShowHover();
        } else if (mState != vDxButtonState::kDisabled) {
            ShowNormal();
        }
        return vCmdTarget_c::OnMouseMove(x, y, keyFlags);
    }
    Result OnLeftDown(int x, int y, std::uintptr_t keyFlags) override {
        if (HitTest(x, y)) {
            mTracking = true;
            ShowPressed();
            return 0;
        }
        if (mState != vDxButtonState::kDisabled) ShowNormal();
        return vCmdTarget_c::OnLeftDown(x, y, keyFlags);
    }
    Result OnLeftUp(int x, int y, std::uintptr_t keyFlags) override {
        mTracking = false;
        if (mState == vDxButtonState::kPressed) {
            if (HitTest(x, y)) {
                ShowHover();
                RequestRefresh();
                OnClick();
                return 0;
            }
            ShowNormal();
        }
        return vCmdTarget_c::OnLeftUp(x, y, keyFlags);
    }

protected:
    void Show(int state) {
        if (state != mState || mDirty)
            SetPicture(state);
    }
    // The picture of a state: the entry of the state, or 0 when it has no picture.
    virtual int PictureIndex(int state) const { return HasPicture(state) ? state : 0; }
    bool HasPicture(int index) const {
        const Image* p = Array::Picture(static_cast<unsigned>(index));
        return p && p->GetWidth() > 0;
    }
    void MarkDirty() { mDirty = true; }
    void PicturesChanged() override { mDirty = true; }

    int mState = vDxButtonState::kNormal;

private:
    int mSavedState = vDxButtonState::kNormal;
    bool mTracking = false;
    bool mDirty = false;
};

// A plain button: the click only asks for the refresh.
class vDxButton_c : public vDxButton_t<vDxSimpleImage_c> {
    V_RTTI_CLASS(vDxButton_c, vDxSimpleImageArray_c)
public:
    void OnClick() override {}
};
class vDxFileButton_c : public vDxButton_t<vDxFileImage_c> {
    V_RTTI_CLASS(vDxFileButton_c, vDxFileImageArray_c)
public:
    void OnClick() override {}
};

template <class Image>
struct vDxButtonOf_s;
template <>
struct vDxButtonOf_s<vDxSimpleImage_c> {
    using type = vDxButton_c;
};
template <>
struct vDxButtonOf_s<vDxFileImage_c> {
    using type = vDxFileButton_c;
};

// A button with a value 0..n-1 that advances on each click. Pictures: for a
// value v, normal 0 (v = 0) or 2v + 2, hover 1 (v = 0) or 2v + 3; pressed 2
// and disabled 3 for every value.
template <class Image>
class vDxCheckbox_t : public vDxButtonOf_s<Image>::type {
    V_RTTI_CLASS(vDxCheckbox_t, typename vDxButtonOf_s<Image>::type)
    using Button = typename vDxButtonOf_s<Image>::type;

public:
    vDxCheckbox_t() { SetValueCount(2); }

    // Resizes the pictures to 2n + 2 and resets the value to 0.
    void SetValueCount(unsigned count) {
        if (count == 0) throw vException_c(0);
        mValueCount = count;
        mValue = 0;
        this->SetCount(2 * count + 2);
    }
    unsigned ValueCount() const { return mValueCount; }
    unsigned GetValue() const { return mValue; }
    void SetValue(unsigned value) {
        if (value >= mValueCount) throw vException_c(0);
        mValue = value;
        this->MarkDirty();
        this->SetPicture(this->mState);
    }

    void OnClick() override {
        mValue = (mValue + 1) % mValueCount;
        if (this->mState != vDxButtonState::kDisabled) {
            this->MarkDirty();
            this->ShowHover();
        }
    }

protected:
    int PictureIndex(int state) const override {
        int index = state;
        if (state == vDxButtonState::kNormal && mValue > 0) index = static_cast<int>(2 * mValue + 2);
        if (state == vDxButtonState::kHover && mValue > 0) index = static_cast<int>(2 * mValue + 3);
        return this->HasPicture(index) ? index : 0;
    }

private:
    unsigned mValueCount = 2;
    unsigned mValue = 0;
};

using vDxCheckbox_c = vDxCheckbox_t<vDxSimpleImage_c>;
using vDxFileCheckbox_c = vDxCheckbox_t<vDxFileImage_c>;

// A file button that posts (Msg, WParam, LParam) to the main window when clicked.
class vDxMsgBtn_c : public vDxFileButton_c {
    V_RTTI_CLASS(vDxMsgBtn_c, vDxFileButton_c)
public:
    void SetMessage(uint32_t msg, uint32_t wParam, uint32_t lParam) {
        mMsg = msg;
        mWParam = wParam;
        mLParam = lParam;
    }
    void OnClick() override { PostToDxMainWindow(mMsg, mWParam, mLParam); }

protected:
    uint32_t mMsg = 0, mWParam = 0, mLParam = 0;
};
