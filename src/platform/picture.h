#pragma once
// Decoded pictures: our own reader of uncompressed 8- and 24-bit BMP files,
// JPEG through libjpeg, and the resampling used to scale pictures to the
// screen. Readers take the whole file in memory and never trust its header:
// sizes are checked against the data present and against fixed limits before
// anything is allocated. Any thread; no shared state.

#include "platform/video.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Larger pictures are refused before decoding (the screen is at most a few
// thousand pixels wide; a damaged header must not cause a huge allocation).
inline constexpr int kMaxPictureSide = 16384;
inline constexpr int64_t kMaxPicturePixels = int64_t{64} * 1024 * 1024;

struct Picture {
    int width = 0;
    int height = 0;
    // 8: one palette index per pixel; 24: red, green, blue per pixel. Rows top-down, no padding.
    int bitsPerPixel = 24;
    std::vector<uint8_t> pixels;
    // The colour table of an 8-bit picture (entries past colourCount are black).
    Palette colours{};
    int colourCount = 0;
};

// Both raise vPrintException_c naming `name` for damaged or oversized files;
// a BMP in a format other than uncompressed 8 or 24 bits raises with code 0.
Picture DecodeBmp(std::span<const uint8_t> file, const std::string& name);
Picture DecodeJpeg(std::span<const uint8_t> file, const std::string& name);

// An 8-bit picture turned into red, green, blue through its colour table.
Picture ToRgb(const Picture& picture);

// Area-averaging resample of a 24-bit picture to width x height (both > 0).
Picture Resample(const Picture& rgb, int width, int height);

}  // namespace platform
