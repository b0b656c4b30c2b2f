#include "display/dx_images.h"

#include "platform/exception.h"

#include <algorithm>

V_REGISTER_CLASS(vDxFileImage_c,
    V_PROP("FileName", mFileName),
    V_PROP("CropX", mCropX),
    V_PROP("CropY", mCropY),
    V_PROP("CropSizeX", mCropSizeX),
    V_PROP("CropSizeY", mCropSizeY));
V_REGISTER_CLASS(vDxPosFileImage_c);
V_REGISTER_CLASS(vDxNoImage_c);
V_REGISTER_CLASS(vDxRectangle_c,
    V_PROP("Width", mWidth),
    V_PROP("Height", mHeight),
    V_PROP("Color", mColor));
V_REGISTER_CLASS(vDxMultiImage_c,
    V_PROP("SubImages", mSubImages));

void vDxFileImage_c::SetCrop(int x, int y, int width, int height) {
    mCropX = x;
    mCropY = y;
    mCropSizeX = width;
    mCropSizeY = height;
}

bool vDxFileImage_c::Loaded() {
    if (mFileName.empty()) return vDxSimpleImage_c::Loaded();
    LoadFile();
    return true;
}

void vDxFileImage_c::LoadFile() {
    if (mCropSizeX == 0 && mCropSizeY == 0) {
        LoadResized(mFileName);
        return;
    }
    // The whole picture goes into a plain image first (without this image's
    // colour key, so that key pixels are copied as they are).
    vDxSimpleImage_c whole;
    whole.SetRequestedSize(0, 0, GetBPP());
    whole.LoadResized(mFileName);
    // The crop is written for the design resolution, like the picture.
    const vDxPoint at = ScaledPictureSize(mCropX, mCropY);
    const vDxPoint size = ScaledPictureSize(mCropSizeX, mCropSizeY);
    const int pw = whole.GetWidth(), ph = whole.GetHeight();
    if (size.x <= 0 || size.y <= 0 || at.x >= pw || at.y >= ph || at.x + size.x <= 0 || at.y + size.y <= 0)
        throw vPrintException_c(0, "Crop rectangle (%d, %d, %d, %d) lies outside the picture %s (%d x %d)", mCropX,
                                mCropY, mCropSizeX, mCropSizeY, mFileName.c_str(), pw, ph);
    // Where the rectangle sticks out of the picture the surface stays black.
    Create(size.x, size.y, whole.GetBPP());
    FillRect({0, 0, size.x, size.y}, 0);
    BltClipped({0, 0}, whole, {at.x, at.y, size.x, size.y});
}

void vDxFileImage_c::Restore() {
    vDxSimpleImage_c::Restore();
    if (!ContentsLost()) return;
    if (!mFileName.empty()) LoadFile();  // Create re-applies the transparent colour
    SetContentsLost(false);
}

void vDxPosFileImage_c::Draw() {
    if (GetParent() && GetSurface()) GetParent()->BltImage(GetPos(), *this);
}

void vDxRectangle_c::Draw() {
    vDxImage_i* parent = GetParent();
    if (!parent) return;
    const vDxPoint from = ScaleToScreen(GetPos().x, GetPos().y);
    const vDxPoint to = ScaleToScreen(GetPos().x + mWidth, GetPos().y + mHeight);
    parent->FillRect({from.x, from.y, to.x - from.x, to.y - from.y},
                     parent->MakeColor(mColor.mRed, mColor.mGreen, mColor.mBlue));
}

bool vDxMultiImage_c::Loaded() {
    vDxFileImage_c::Loaded();
    for (auto& sub : mSubImages)
        if (sub) sub->SetParent(this);
    if (GetSurface()) Draw();
    return true;
}

void vDxMultiImage_c::Draw() {
    if (!GetSurface()) return;
    FillRect({0, 0, GetWidth(), GetHeight()}, 0);
    for (auto& sub : mSubImages)
        if (sub) sub->Draw();
}

void vDxMultiImage_c::Restore() {
    vDxFileImage_c::Restore();
    for (auto& sub : mSubImages)
        if (sub) sub->Restore();
    Draw();
    SetContentsLost(false);
}
