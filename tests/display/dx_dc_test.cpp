#include "display/dx_dc.h"
#include "display/dx_simple_image.h"
#include "platform/exception.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

using Pixels = std::set<std::pair<int, int>>;

// Every pixel of the image that is not 0.
Pixels SetPixels(vDxDC_i& dc) {
    Pixels out;
    for (int y = 0; y < dc.Height(); ++y)
        for (int x = 0; x < dc.Width(); ++x)
            if (dc.GetPixel(x, y) != 0) out.insert({x, y});
    return out;
}

struct Canvas {
    explicit Canvas(int bpp, int w = 10, int h = 10) {
        image.Create(w, h, bpp);
        image.FillRect({0, 0, w, h}, 0);
        dc = image.CreateDC();
    }
    vDxSimpleImage_c image;
    std::unique_ptr<vDxDC_i> dc;
};

}  // namespace

TEST(DxDC, DepthChoosesTheClass) {
    for (int bpp : {8, 16, 24, 32}) {
        Canvas c(bpp);
        EXPECT_EQ(c.dc->BPP(), bpp);
        EXPECT_EQ(c.dc->Width(), 10);
        EXPECT_TRUE(c.image.IsLocked());
        EXPECT_EQ(c.dc->Pitch(), c.image.GetPitch());
    }
    vDxSimpleImage_c fifteen;
    fifteen.Create(4, 4, 15);
    try {
        fifteen.CreateDC();
        FAIL();
    } catch (const vException_c& e) {
        EXPECT_EQ(e.Code(), 0);
    }
}

TEST(DxDC, DestroyingUnlocks) {
    vDxSimpleImage_c image;
    image.Create(4, 4, 32);
    {
        auto dc = image.CreateDC();
        EXPECT_TRUE(image.IsLocked());
    }
    EXPECT_FALSE(image.IsLocked());
    EXPECT_THROW(image.GetPitch(), vException_c);
}

TEST(DxDC, AttachSwitchesImages) {
    vDxSimpleImage_c a, b;
    a.Create(4, 4, 32);
    b.Create(6, 3, 16);
    auto dc = a.CreateDC();
    EXPECT_EQ(dc->AttachImage(&b), &a);
    EXPECT_FALSE(a.IsLocked());
    EXPECT_TRUE(b.IsLocked());
    EXPECT_EQ(dc->Width(), 6);
    EXPECT_EQ(dc->BPP(), 16);
    EXPECT_EQ(dc->AttachImage(nullptr), &b);
    EXPECT_FALSE(b.IsLocked());
}

TEST(DxDC, PixelFormatsPerDepth) {
    Canvas c8(8), c16(16), c24(24), c32(32);
    c8.dc->PutPixel(3, 4, 0x1234F9);
    EXPECT_EQ(c8.dc->GetPixel(3, 4), 0xF9u);
    c16.dc->PutPixel(3, 4, 0xABCDF81F);
    EXPECT_EQ(c16.dc->GetPixel(3, 4), 0xF81Fu);
    c24.dc->PutPixel(3, 4, 0xFF112233);
    EXPECT_EQ(c24.dc->GetPixel(3, 4), 0x112233u);
    const uint8_t* p = c24.image.Lock() + 4 * c24.image.GetPitch() + 9;
    EXPECT_EQ(p[0], 0x33);  // low byte first
    EXPECT_EQ(p[2], 0x11);
    c24.image.Unlock();
    c32.dc->PutPixel(9, 9, 0x00FEDCBA);
    EXPECT_EQ(c32.dc->ExchangePixel(9, 9, 7), 0x00FEDCBAu);
    EXPECT_EQ(c32.dc->GetPixel(9, 9), 7u);
    // Outside the surface: ignored, reads 0.
    c32.dc->PutPixel(10, 0, 5);
    c32.dc->PutPixel(-1, 0, 5);
    EXPECT_EQ(c32.dc->GetPixel(10, 0), 0u);
    EXPECT_EQ(SetPixels(*c32.dc), (Pixels{{9, 9}}));
}

TEST(DrawLine, PenAndBand) {
    for (int bpp : {8, 16, 24, 32}) {
        Canvas c(bpp);
        c.dc->DrawLine(0, 0, 1, 1, 1);  // both ends left of the band
        EXPECT_TRUE(SetPixels(*c.dc).empty()) << bpp;
        c.dc->DrawLine(2, 2, 2, 2, 1);  // one pen
        EXPECT_EQ(SetPixels(*c.dc), (Pixels{{2, 2}, {1, 2}, {2, 1}, {1, 1}})) << bpp;
    }
}

TEST(DrawLine, HorizontalVerticalDiagonal) {
    Canvas c(32);
    c.dc->DrawLine(5, 3, 2, 3, 1);  // right to left is drawn left to right
    EXPECT_EQ(SetPixels(*c.dc), (Pixels{{1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}}));
    Canvas v(32);
    v.dc->DrawLine(3, 2, 3, 4, 1);
    EXPECT_EQ(SetPixels(*v.dc), (Pixels{{2, 1}, {3, 1}, {2, 2}, {3, 2}, {2, 3}, {3, 3}, {2, 4}, {3, 4}}));
    Canvas d(32);
    d.dc->DrawLine(2, 2, 4, 4, 1);
    EXPECT_EQ(SetPixels(*d.dc),
              (Pixels{{1, 1}, {2, 1}, {1, 2}, {2, 2}, {3, 2}, {2, 3}, {3, 3}, {4, 3}, {3, 4}, {4, 4}}));
}

TEST(DrawLine, BresenhamSteps) {
    // A shallow line 2..8 rising by one: the step happens half-way.
    Canvas c(8, 12, 12);
    c.dc->DrawLine(2, 5, 8, 6, 9);
    // The walk stays on row 5 up to x = 5 and is on row 6 from x = 6; the
    // pen also covers the row above and the column to the left.
    for (int x = 2; x <= 4; ++x) EXPECT_EQ(c.dc->GetPixel(x, 6), 0u) << x;
    for (int x = 6; x <= 8; ++x) EXPECT_EQ(c.dc->GetPixel(x, 6), 9u) << x;
    for (int x = 2; x <= 8; ++x) EXPECT_EQ(c.dc->GetPixel(x, 5), 9u) << x;
}

TEST(DrawLine, EndsOutsideTheBandAreMovedOntoIt) {
    Canvas c(32);
    c.dc->DrawLine(-20, 5, 30, 5, 1);  // negative counts as too large: both ends beyond the right edge
    EXPECT_TRUE(SetPixels(*c.dc).empty());
    c.dc->DrawLine(4, 5, 30, 5, 1);  // cut at x = width - 1
    Pixels p = SetPixels(*c.dc);
    EXPECT_TRUE(p.count({9, 5}));
    EXPECT_TRUE(p.count({3, 4}));
    EXPECT_FALSE(p.count({2, 5}));
    for (auto [x, y] : p) {
        EXPECT_LT(x, 10);
        EXPECT_LT(y, 10);
    }
    Canvas n(32);
    n.dc->DrawLine(5, -7, 5, 5, 1);  // cut at y = 2
    Pixels q = SetPixels(*n.dc);
    EXPECT_TRUE(q.count({5, 1}));
    EXPECT_FALSE(q.count({5, 0}));
    EXPECT_TRUE(q.count({5, 5}));
    // Both ends at or beyond the bottom edge: nothing.
    Canvas b(32);
    b.dc->DrawLine(3, 9, 7, 40, 1);
    EXPECT_TRUE(SetPixels(*b.dc).empty());
}

TEST(DrawLine, LineToContinuesFromThePosition) {
    Canvas c(32);
    c.dc->MoveTo(2, 2);
    c.dc->LineTo(4, 2, 1);
    EXPECT_EQ(c.dc->GetPos(), (vDxPoint{4, 2}));
    c.dc->LineTo(vDxPoint{4, 4}, 1);
    Pixels p = SetPixels(*c.dc);
    EXPECT_TRUE(p.count({1, 1}));
    EXPECT_TRUE(p.count({4, 4}));
    EXPECT_TRUE(p.count({3, 3}));
    EXPECT_FALSE(p.count({2, 4}));
}
