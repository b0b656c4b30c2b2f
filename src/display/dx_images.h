#pragma once
// The image classes definition files name: pictures from files (cropped,
// reloaded after a loss), pictures drawn at their position, composites of
// sub-images, filled rectangles and the invisible placeholder.
//
// User-interface thread only.

#include "display/dx_simple_image.h"
#include "objects/point_color.h"

#include <memory>
#include <string>
#include <vector>

// A surface loaded from a picture file, optionally cut to a rectangle of it.
class vDxFileImage_c : public vDxSimpleImage_c {
    V_RTTI_CLASS(vDxFileImage_c, vDxSimpleImage_c)
public:
    const std::string& FileName() const { return mFileName; }
    void SetFileName(std::string name) { mFileName = std::move(name); }
    // In design-resolution pixels; a size of 0 keeps the whole picture.
    void SetCrop(int x, int y, int width, int height);
    vDxRect Crop() const { return {mCropX, mCropY, mCropSizeX, mCropSizeY}; }

    // Loads the file (when there is one) and applies the crop.
    bool Loaded() override;
    // Reloads the file when the surface's contents were lost.
    void Restore() override;
    // Loads FileName, then crops.
    void LoadFile();

protected:
    vStrTmpl_c mFileName;
    int32_t mCropX = 0, mCropY = 0, mCropSizeX = 0, mCropSizeY = 0;
};

// A file image that draws itself onto its parent at its position.
class vDxPosFileImage_c : public vDxFileImage_c {
    V_RTTI_CLASS(vDxPosFileImage_c, vDxFileImage_c)
public:
    void Draw() override;
};

// An invisible placeholder without a surface (exercises derive from it).
class vDxNoImage_c : public vDxImage_i {
    V_RTTI_CLASS(vDxNoImage_c, vDxImage_i)
};

// A filled rectangle drawn on its parent; it has no surface.
class vDxRectangle_c : public vDxImage_i {
    V_RTTI_CLASS(vDxRectangle_c, vDxImage_i)
public:
    int GetWidth() const override { return mWidth; }
    int GetHeight() const override { return mHeight; }
    void SetSize(int width, int height) { mWidth = width; mHeight = height; }
    void SetColor(uint8_t red, uint8_t green, uint8_t blue) { mColor = vColor_c(red, green, blue); }
    // Fills from the position to position + size, both corners scaled to the screen.
    void Draw() override;

protected:
    int32_t mWidth = 0, mHeight = 0;
    vColor_c mColor;
};

// Owned images in order.
using vDxImageList_c = std::vector<std::unique_ptr<vDxImage_i>>;

// An image composed of sub-images drawn, in list order, onto its own surface
// (a file, when named, gives the surface its size and first contents).
class vDxMultiImage_c : public vDxFileImage_c {
    V_RTTI_CLASS(vDxMultiImage_c, vDxFileImage_c)
public:
    vDxImageList_c& SubImages() { return mSubImages; }
    // Gives the sub-images this image as parent, then draws.
    bool Loaded() override;
    // Black, then every sub-image draws itself onto this image.
    void Draw() override;
    // Restores every sub-image and draws it again.
    void Restore() override;

protected:
    vDxImageList_c mSubImages;
};
