#pragma once
// Pixel access objects: direct reads and writes of a locked image's pixels,
// one class per depth. The object locks the image it is attached to and
// unlocks it when detached or destroyed. Colours are already in the surface's
// format (vDxImage_i::MakeColor); these classes never convert.
//
// User-interface thread only.

#include "display/dx_image.h"

#include <cstdint>

class vDxDC_i {
public:
    virtual ~vDxDC_i();
    vDxDC_i(const vDxDC_i&) = delete;
    vDxDC_i& operator=(const vDxDC_i&) = delete;

    // Unlocks the previous image, locks the new one (or none) and copies its
    // size, pitch and depth. Returns the previous image.
    vDxImage_i* AttachImage(vDxImage_i* image);

    // Pixels outside the surface are ignored on writing and read as 0.
    virtual void PutPixel(int x, int y, uint32_t colour) = 0;
    virtual uint32_t GetPixel(int x, int y) const = 0;
    uint32_t ExchangePixel(int x, int y, uint32_t colour);

    // A line with the 2 x 2 pen, kept inside the band 2..width-1, 2..height-1.
    void DrawLine(int x0, int y0, int x1, int y1, uint32_t colour);

    vDxPoint GetPos() const { return mPos; }
    void SetPos(vDxPoint p) { mPos = p; }
    void MoveTo(int x, int y) { mPos = {x, y}; }
    void LineTo(vDxPoint p, uint32_t colour) { LineTo(p.x, p.y, colour); }
    void LineTo(int x, int y, uint32_t colour);

    vDxImage_i* Image() const { return mImage; }
    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    int Pitch() const { return mPitch; }
    int BPP() const { return mBpp; }

protected:
    vDxDC_i() = default;
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < mWidth && y < mHeight; }
    uint8_t* Row(int y) const { return mBase + static_cast<ptrdiff_t>(y) * mPitch; }

private:
    friend class vDxImage_i;
    // After a restore: the image's new base address and pitch.
    void Reattach(uint8_t* base, int pitch) { mBase = base; mPitch = pitch; }
    void PlotPen(int x, int y, uint32_t colour);

    vDxImage_i* mImage = nullptr;
    uint8_t* mBase = nullptr;
    int mWidth = 0, mHeight = 0, mPitch = -1, mBpp = 0;
    vDxPoint mPos;
};

// Depths up to 8: the low byte of the colour is a palette index.
class vDxDC8_c : public vDxDC_i {
public:
    void PutPixel(int x, int y, uint32_t colour) override;
    uint32_t GetPixel(int x, int y) const override;
};

// 16 bits: the low 16 bits in the display's 16-bit format.
class vDxDC16_c : public vDxDC_i {
public:
    void PutPixel(int x, int y, uint32_t colour) override;
    uint32_t GetPixel(int x, int y) const override;
};

// 24 bits: three bytes of the colour, low byte first.
class vDxDC24_c : public vDxDC_i {
public:
    void PutPixel(int x, int y, uint32_t colour) override;
    uint32_t GetPixel(int x, int y) const override;
};

// 32 bits: the colour as one 32-bit value.
class vDxDC32_c : public vDxDC_i {
public:
    void PutPixel(int x, int y, uint32_t colour) override;
    uint32_t GetPixel(int x, int y) const override;
};
