#pragma once
// vDxSimpleImage_c: an image with a surface of its own. It is a member of the
// surface registry for its whole life. Pictures load into it from BMP or JPEG
// files, scaled from the design resolution to the screen's.
//
// User-interface thread only.

#include "display/dx_image.h"
#include "platform/picture.h"

#include <memory>

class vDxSimpleImage_c : public vDxImage_i {
    V_RTTI_CLASS(vDxSimpleImage_c, vDxImage_i)
public:
    vDxSimpleImage_c();
    ~vDxSimpleImage_c() override;

    void Create(int width, int height, int bits) override;
    void LoadResized(const std::string& fileName, int paletteStart = 0) override;
    void Load(const std::string& fileName, int paletteStart = 0) override;
    void Release() override;
    void RestoreSurface() override;
    bool Loaded() override;

    int GetWidth() const override;
    int GetHeight() const override;
    int GetBPP() const override;
    platform::Surface* GetSurface() override { return mSurface.get(); }

    // The values the definition file gave (used by Loaded to create the surface).
    int RequestedWidth() const { return mWidth; }
    int RequestedHeight() const { return mHeight; }
    int RequestedBPP() const { return mBpp; }
    void SetRequestedSize(int width, int height, int bits) { mWidth = width; mHeight = height; mBpp = bits; }
    bool NeedVidMem() const { return mNeedVidMem; }
    void SetNeedVidMem(bool need) { mNeedVidMem = need; }

protected:
    // True while the contents were lost and not yet drawn again.
    bool ContentsLost() const { return mContentsLost; }
    void SetContentsLost(bool lost) { mContentsLost = lost; }
    // Writes a decoded picture into the surface from (0, 0), clipped.
    void WritePicture(const platform::Picture& picture, int paletteStart);

private:
    // Reads the picture a name refers to, scaled to the screen; a cache
    // reference ("name?index") is blitted from the cache instead (returns false).
    bool ReadNamed(const std::string& fileName, bool resize, platform::Picture* out);

    std::unique_ptr<platform::Surface> mSurface;
    int32_t mWidth = 0, mHeight = 0, mBpp = -1;
    bool mNeedVidMem = false;
    bool mContentsLost = false;
};

// The picture in a file, by its extension ("bmp", "jpg"; any letter case);
// raises "Unknown file type" or "Cannot open file: %s".
platform::Picture ReadPictureFile(const std::string& fileName);
// A picture's size scaled from the design resolution to the screen's.
vDxPoint ScaledPictureSize(int width, int height);
// The picture resampled to its scaled size when the resolutions differ.
platform::Picture ScalePictureToScreen(const platform::Picture& picture);
