#pragma once
// vDxImageArray_t: an image made of several pictures of one image class, one
// of them current. Drawing, size, colour and surface operations act on the
// current picture; transparency and the restore passes on every picture.
// Buttons (one picture per state) and the pointer shapes are built on it.
//
// The array owns its pictures (an entry may be empty); every picture gets the
// array's parent as its own. User-interface thread only.

#include "display/dx_images.h"
#include "platform/exception.h"

#include <memory>
#include <string>
#include <vector>

// The image the mouse and the screen see: the point of the screen where the
// image's origin lies (the sum of the positions up its chain of parents).
vDxPoint DxScreenOrigin(const vDxImage_i& image);

template <class Image>
class vDxImageArray_t : public vDxImage_i {
    V_RTTI_CLASS(vDxImageArray_t, vDxImage_i)
public:
    // Releases the old pictures and makes count new ones with this array's
    // parent; with a positive size every picture gets a surface of it.
    void Create(int width, int height, int bits, unsigned count) {
        mImages.clear();
        SetCount(count);
        for (auto& picture : mImages)
            if (width > 0 && height > 0) picture->Create(width, height, bits);
        mCurrent = 0;
    }
    void Create(int width, int height, int bits) override { Create(width, height, bits, Count()); }

    // Loads a picture into entry index, making the entry's image when missing.
    virtual void LoadAt(const std::string& fileName, unsigned index, int paletteStart = 0) {
        PictureAt(index).LoadResized(fileName, paletteStart);
        PicturesChanged();
    }
    void LoadResized(const std::string& fileName, int paletteStart = 0) override {
        LoadAt(fileName, static_cast<unsigned>(mCurrent), paletteStart);
    }
    void Load(const std::string& fileName, int paletteStart = 0) override {
        PictureAt(static_cast<unsigned>(mCurrent)).Load(fileName, paletteStart);
        PicturesChanged();
    }
    void Release() override {
        for (auto& picture : mImages)
            if (picture) picture->Release();
    }
    void RestoreSurface() override {
        for (auto& picture : mImages)
            if (picture) picture->RestoreSurface();
    }
    void Restore() override {
        for (auto& picture : mImages)
            if (picture) picture->Restore();
    }

    unsigned Count() const { return static_cast<unsigned>(mImages.size()); }
    // Grows or shrinks the array; new entries get an image with the array's parent.
    void SetCount(unsigned count) {
        const unsigned old = Count();
        mImages.resize(count);
        for (unsigned i = old; i < count; ++i) mImages[i] = NewPicture();
        mImageCount = count;
        if (mCurrent >= static_cast<int>(count)) mCurrent = 0;
    }
    // The picture of an entry, null when the entry is empty or out of range.
    Image* Picture(unsigned index) const { return index < Count() ? mImages[index].get() : nullptr; }

    // Raises vException_c 0 for an index outside 0..count-1.
    virtual void SetCurrent(int index) {
        if (index < 0 || index >= static_cast<int>(Count())) throw vException_c(0);
        mCurrent = index;
    }
    int Current() const { return mCurrent; }

    int GetWidth() const override { return Current_() ? Current_()->GetWidth() : 0; }
    int GetHeight() const override { return Current_() ? Current_()->GetHeight() : 0; }
    int GetBPP() const override { return Current_() ? Current_()->GetBPP() : 0; }
    platform::Surface* GetSurface() override { return Current_() ? Current_()->GetSurface() : nullptr; }

    void SetParent(vDxImage_i* parent) override {
        vDxImage_i::SetParent(parent);
        for (auto& picture : mImages)
            if (picture) picture->SetParent(parent);
    }
    void SetTransparentColor(uint32_t rgb) override {
        vDxImage_i::SetTransparentColor(rgb);
        for (auto& picture : mImages)
            if (picture) picture->SetTransparentColor(rgb);
    }
    void ClearTransparency() override {
        vDxImage_i::ClearTransparency();
        for (auto& picture : mImages)
            if (picture) picture->ClearTransparency();
    }

    // A declaration of an entry past the end grows the array.
    bool OnDeclareIndex(const vPropDesc_c&, uint32_t index) override {
        if (index >= kMaxDeclaredCount) return false;
        if (index >= Count()) SetCount(index + 1);
        return true;
    }

    // After the loader set the pictures: the count follows them, and each
    // gets the array's parent.
    bool Loaded() override {
        if (mImageCount > kMaxDeclaredCount) throw vPrintException_c(0, "Too many images: %u", mImageCount);
        if (mImageCount != Count()) SetCount(mImageCount);
        for (auto& picture : mImages)
            if (picture) picture->SetParent(GetParent());
        if (IsTransparent())
            for (auto& picture : mImages)
                if (picture) picture->SetTransparentColor(GetTransparentColor());
        PicturesChanged();
        return true;
    }

protected:
    // Something new is in the pictures (buttons then draw themselves again).
    virtual void PicturesChanged() {}
    Image* Current_() const { return Picture(static_cast<unsigned>(mCurrent)); }
    Image& PictureAt(unsigned index) {
        if (index >= Count()) throw vException_c(0);
        if (!mImages[index]) mImages[index] = NewPicture();
        return *mImages[index];
    }

    uint32_t mImageCount = 0;
    std::vector<std::unique_ptr<Image>> mImages;

private:
    // Bounds what a definition file can make an array allocate.
    static constexpr uint32_t kMaxDeclaredCount = 4096;

    std::unique_ptr<Image> NewPicture() {
        auto picture = std::make_unique<Image>();
        picture->SetParent(GetParent());
        if (IsTransparent()) picture->SetTransparentColor(GetTransparentColor());
        return picture;
    }

    int mCurrent = 0;
};

using vDxSimpleImageArray_c = vDxImageArray_t<vDxSimpleImage_c>;
using vDxFileImageArray_c = vDxImageArray_t<vDxFileImage_c>;
