#include "display/dx_dc.h"

#include <cstring>
#include <utility>

#include "platform/exception.h"

vDxDC_i::~vDxDC_i() {
    // Unlocking lets lock listeners redraw, which may throw; a destructor
    // must not pass that on (it would end the program).
    try {
        AttachImage(nullptr);
    } catch (const vException_c&) {
    }
}

vDxImage_i* vDxDC_i::AttachImage(vDxImage_i* image) {
    vDxImage_i* previous = mImage;
    if (mImage) {
        mImage->mAttachedDC = nullptr;
        mImage->Unlock();
    }
    mImage = nullptr;
    mBase = nullptr;
    mWidth = mHeight = mBpp = 0;
    mPitch = -1;
    if (image) {
        mBase = image->Lock();
        mImage = image;
        image->mAttachedDC = this;
        mWidth = image->GetWidth();
        mHeight = image->GetHeight();
        mPitch = image->GetPitch();
        mBpp = image->GetBPP();
    }
    return previous;
}

uint32_t vDxDC_i::ExchangePixel(int x, int y, uint32_t colour) {
    uint32_t old = GetPixel(x, y);
    PutPixel(x, y, colour);
    return old;
}

void vDxDC_i::PlotPen(int x, int y, uint32_t colour) {
    PutPixel(x, y, colour);
    PutPixel(x - 1, y, colour);
    PutPixel(x, y - 1, colour);
    PutPixel(x - 1, y - 1, colour);
}

namespace {

// Which sides of the band a point lies outside of; coordinates compare as
// unsigned numbers, so a negative value counts as too large.
enum Side : unsigned { kLeft = 1, kRight = 2, kTop = 4, kBottom = 8 };

unsigned Outcode(int x, int y, int right, int bottom) {
    unsigned code = 0;
    if (static_cast<unsigned>(x) < 2u) code |= kLeft;
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(right)) code |= kRight;
    if (static_cast<unsigned>(y) < 2u) code |= kTop;
    if (static_cast<unsigned>(y) >= static_cast<unsigned>(bottom)) code |= kBottom;
    return code;
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// Moves an end lying outside the band onto its edge along the line
// (geometrically, so that a negative coordinate is cut at the near edge).
void MoveOntoBand(int& x, int& y, int ox, int oy, int maxX, int maxY) {
    for (int pass = 0; pass < 2; ++pass) {
        if (x < 2 || x > maxX) {
            int edge = x < 2 ? 2 : maxX;
            if (ox != x) y = y + static_cast<int>(static_cast<int64_t>(oy - y) * (edge - x) / (ox - x));
            x = edge;
        }
        if (y < 2 || y > maxY) {
            int edge = y < 2 ? 2 : maxY;
            if (oy != y) x = x + static_cast<int>(static_cast<int64_t>(ox - x) * (edge - y) / (oy - y));
            y = edge;
        }
    }
    x = Clamp(x, 2, maxX);
    y = Clamp(y, 2, maxY);
}

}  // namespace

void vDxDC_i::DrawLine(int x0, int y0, int x1, int y1, uint32_t colour) {
    const int maxX = mWidth - 1, maxY = mHeight - 1;
    if (maxX < 2 || maxY < 2) return;
    unsigned c0 = Outcode(x0, y0, maxX, maxY), c1 = Outcode(x1, y1, maxX, maxY);
    if (c0 & c1) return;  // both ends outside on the same side
    if (c0) {
        int ox = x1, oy = y1;
        MoveOntoBand(x0, y0, ox, oy, maxX, maxY);
    }
    if (c1) MoveOntoBand(x1, y1, x0, y0, maxX, maxY);
    if (x1 < x0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int dx = x1 - x0;
    const int dy = y1 > y0 ? y1 - y0 : y0 - y1;
    const int sy = y1 > y0 ? 1 : -1;
    int x = x0, y = y0;
    if (dx >= dy) {
        int err = 2 * dy - dx;
        for (int i = 0; i <= dx; ++i) {
            PlotPen(x, y, colour);
            if (err > 0) {
                y += sy;
                err -= 2 * dx;
            }
            err += 2 * dy;
            ++x;
        }
    } else {
        int err = 2 * dx - dy;
        for (int i = 0; i <= dy; ++i) {
            PlotPen(x, y, colour);
            if (err > 0) {
                ++x;
                err -= 2 * dy;
            }
            err += 2 * dx;
            y += sy;
        }
    }
}

void vDxDC_i::LineTo(int x, int y, uint32_t colour) {
    DrawLine(mPos.x, mPos.y, x, y, colour);
    MoveTo(x, y);
}

void vDxDC8_c::PutPixel(int x, int y, uint32_t colour) {
    if (Inside(x, y)) Row(y)[x] = static_cast<uint8_t>(colour);
}
uint32_t vDxDC8_c::GetPixel(int x, int y) const { return Inside(x, y) ? Row(y)[x] : 0; }

void vDxDC16_c::PutPixel(int x, int y, uint32_t colour) {
    if (!Inside(x, y)) return;
    uint16_t v = static_cast<uint16_t>(colour);
    std::memcpy(Row(y) + 2 * x, &v, 2);
}
uint32_t vDxDC16_c::GetPixel(int x, int y) const {
    if (!Inside(x, y)) return 0;
    uint16_t v;
    std::memcpy(&v, Row(y) + 2 * x, 2);
    return v;
}

void vDxDC24_c::PutPixel(int x, int y, uint32_t colour) {
    if (!Inside(x, y)) return;
    uint8_t* p = Row(y) + 3 * x;
    p[0] = static_cast<uint8_t>(colour);
    p[1] = static_cast<uint8_t>(colour >> 8);
    p[2] = static_cast<uint8_t>(colour >> 16);
}
uint32_t vDxDC24_c::GetPixel(int x, int y) const {
    if (!Inside(x, y)) return 0;
    const uint8_t* p = Row(y) + 3 * x;
    return p[0] | p[1] << 8 | static_cast<uint32_t>(p[2]) << 16;
}

void vDxDC32_c::PutPixel(int x, int y, uint32_t colour) {
    if (Inside(x, y)) std::memcpy(Row(y) + 4 * x, &colour, 4);
}
uint32_t vDxDC32_c::GetPixel(int x, int y) const {
    if (!Inside(x, y)) return 0;
    uint32_t v;
    std::memcpy(&v, Row(y) + 4 * x, 4);
    return v;
}
