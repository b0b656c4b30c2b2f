#include "platform/exception.h"
#include "platform/picture.h"

#include "../support/bmp_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace platform;
using testing_bmp::Rgb;

namespace {

std::vector<uint8_t> Fixture(const std::string& name) {
    std::ifstream in(std::string(LORVANO_SOURCE_DIR) + "/tests/data/pictures/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The message of the exception the call raises (empty when none).
template <typename F>
std::string Failure(F&& f) {
    try {
        f();
    } catch (const vException_c& e) {
        return e.Message();
    }
    return {};
}

const std::vector<Rgb> kFourPixels = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};

}  // namespace

TEST(BmpReader, TwentyFourBitsBothRowOrders) {
    for (bool topDown : {false, true}) {
        Picture p = DecodeBmp(testing_bmp::Bmp24(2, 2, kFourPixels, topDown), "t.bmp");
        ASSERT_EQ(p.width, 2);
        ASSERT_EQ(p.height, 2);
        EXPECT_EQ(p.bitsPerPixel, 24);
        // Top-left red, top-right green, bottom-left blue, whichever order the file stores.
        EXPECT_EQ(std::vector<uint8_t>(p.pixels.begin(), p.pixels.begin() + 6),
                  (std::vector<uint8_t>{255, 0, 0, 0, 255, 0}));
        EXPECT_EQ(std::vector<uint8_t>(p.pixels.begin() + 6, p.pixels.end()),
                  (std::vector<uint8_t>{0, 0, 255, 10, 20, 30}));
    }
}

TEST(BmpReader, RowPaddingIsSkipped) {
    std::vector<Rgb> px(3 * 2, Rgb{1, 2, 3});
    px[3] = {9, 8, 7};  // first pixel of the second row
    Picture p = DecodeBmp(testing_bmp::Bmp24(3, 2, px), "pad.bmp");
    EXPECT_EQ(p.pixels[9], 9);
    EXPECT_EQ(p.pixels[10], 8);
    EXPECT_EQ(p.pixels[11], 7);
}

TEST(BmpReader, EightBitsWithColourTable) {
    std::vector<Rgb> table = {{0, 0, 0}, {200, 100, 50}, {1, 2, 3}};
    Picture p = DecodeBmp(testing_bmp::Bmp8(3, 1, {2, 1, 0}, table), "i.bmp");
    EXPECT_EQ(p.bitsPerPixel, 8);
    EXPECT_EQ(p.colourCount, 3);
    EXPECT_EQ(p.pixels, (std::vector<uint8_t>{2, 1, 0}));
    EXPECT_EQ(p.colours[1], (PaletteEntry{200, 100, 50}));
    Picture rgb = ToRgb(p);
    EXPECT_EQ(rgb.pixels, (std::vector<uint8_t>{1, 2, 3, 200, 100, 50, 0, 0, 0}));
}

TEST(BmpReader, UnsupportedFormatsRaiseCodeZero) {
    auto file = testing_bmp::Bmp24(2, 2, kFourPixels);
    file[28] = 16;  // 16 bits per pixel
    try {
        DecodeBmp(file, "x.bmp");
        FAIL();
    } catch (const vException_c& e) {
        EXPECT_EQ(e.Code(), 0);
        EXPECT_NE(e.Message().find("x.bmp"), std::string::npos);
    }
    file[28] = 8;
    file[30] = 1;  // run-length compression
    EXPECT_THROW(DecodeBmp(file, "x.bmp"), vException_c);
}

TEST(BmpReader, DamagedFilesRaiseClearly) {
    auto good = testing_bmp::Bmp24(4, 4, std::vector<Rgb>(16, Rgb{5, 5, 5}));
    // Truncated pixel data.
    std::vector<uint8_t> cut(good.begin(), good.end() - 5);
    EXPECT_NE(Failure([&] { DecodeBmp(cut, "cut.bmp"); }).find("truncated"), std::string::npos);
    // Truncated header.
    std::vector<uint8_t> stub(good.begin(), good.begin() + 20);
    EXPECT_NE(Failure([&] { DecodeBmp(stub, "stub.bmp"); }).find("stub.bmp"), std::string::npos);
    // Declared 100 000 x 100 000: refused before any allocation.
    auto huge = good;
    testing_bmp::Put32(huge, 18, 100000);
    testing_bmp::Put32(huge, 22, 100000);
    EXPECT_NE(Failure([&] { DecodeBmp(huge, "huge.bmp"); }).find("too large"), std::string::npos);
    // Declared wide but small enough to pass the limit: the data is missing.
    auto wide = good;
    testing_bmp::Put32(wide, 18, 4000);
    EXPECT_NE(Failure([&] { DecodeBmp(wide, "wide.bmp"); }).find("truncated"), std::string::npos);
    // Zero-sized.
    auto zero = good;
    testing_bmp::Put32(zero, 18, 0);
    EXPECT_NE(Failure([&] { DecodeBmp(zero, "zero.bmp"); }).find("zero"), std::string::npos);
    // Not a bitmap, or an empty file.
    auto magic = good;
    magic[0] = 'X';
    EXPECT_FALSE(Failure([&] { DecodeBmp(magic, "m.bmp"); }).empty());
    EXPECT_FALSE(Failure([&] { DecodeBmp({}, "e.bmp"); }).empty());
    // Colour table longer than 256 entries.
    auto indexed = testing_bmp::Bmp8(2, 1, {0, 0}, {{1, 1, 1}});
    testing_bmp::Put32(indexed, 46, 1000);
    EXPECT_FALSE(Failure([&] { DecodeBmp(indexed, "t.bmp"); }).empty());
}

TEST(JpegReader, ColourAndGrey) {
    Picture c = DecodeJpeg(Fixture("colour.jpg"), "colour.jpg");
    ASSERT_EQ(c.width, 16);
    ASSERT_EQ(c.height, 8);
    EXPECT_EQ(c.bitsPerPixel, 24);
    // Left half red, right half blue (lossy: within a few levels).
    EXPECT_GT(c.pixels[0], 240);
    EXPECT_LT(c.pixels[2], 15);
    const uint8_t* right = &c.pixels[3 * 15];
    EXPECT_LT(right[0], 15);
    EXPECT_GT(right[2], 240);

    Picture g = DecodeJpeg(Fixture("grey.jpg"), "grey.jpg");
    ASSERT_EQ(g.width, 16);
    ASSERT_EQ(g.pixels.size(), 16u * 8 * 3);
    for (size_t i = 0; i < g.pixels.size(); i += 3) {
        EXPECT_NEAR(g.pixels[i], 128, 2);
        EXPECT_EQ(g.pixels[i], g.pixels[i + 1]);
        EXPECT_EQ(g.pixels[i], g.pixels[i + 2]);
    }
}

TEST(JpegReader, DamagedFilesRaiseClearly) {
    for (const char* name : {"truncated.jpg", "corrupt.jpg", "oversized.jpg", "empty.jpg"}) {
        std::string msg = Failure([&] { DecodeJpeg(Fixture(name), name); });
        EXPECT_NE(msg.find(name), std::string::npos) << name << ": " << msg;
    }
    EXPECT_NE(Failure([&] { DecodeJpeg(Fixture("oversized.jpg"), "o.jpg"); }).find("too large"), std::string::npos);
    auto bmp = testing_bmp::Bmp24(2, 2, kFourPixels);
    EXPECT_FALSE(Failure([&] { DecodeJpeg(bmp, "not.jpg"); }).empty());
}

TEST(Resample, ResultHasTheRequestedSize) {
    Picture p;
    p.width = 100;
    p.height = 100;
    p.pixels.assign(100 * 100 * 3, 77);
    Picture up = Resample(p, 128, 128);
    EXPECT_EQ(up.width, 128);
    EXPECT_EQ(up.height, 128);
    ASSERT_EQ(up.pixels.size(), 128u * 128 * 3);
    for (uint8_t v : up.pixels) ASSERT_EQ(v, 77);  // a flat picture stays flat
    Picture down = Resample(p, 3, 7);
    EXPECT_EQ(down.pixels.size(), 3u * 7 * 3);
}

TEST(Resample, ShrinkingAveragesAreas) {
    Picture p;
    p.width = 4;
    p.height = 1;
    p.pixels = {0, 0, 0, 100, 100, 100, 200, 200, 200, 255, 255, 255};
    Picture half = Resample(p, 2, 1);
    EXPECT_EQ(half.pixels[0], 50);
    EXPECT_EQ(half.pixels[3], 228);  // (200 + 255) / 2 rounded
}
