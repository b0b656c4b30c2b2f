// Windows bitmap files: file header, information header (40 bytes or one of
// its longer versions), colour table, then rows padded to four bytes,
// bottom-up unless the height is negative.
#include "platform/exception.h"
#include "platform/picture.h"

#include <cstring>

namespace platform {
namespace {

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

[[noreturn]] void Bad(const std::string& name, const char* why) {
    throw vPrintException_c(0, "Bad bitmap file %s: %s", name.c_str(), why);
}

}  // namespace

Picture DecodeBmp(std::span<const uint8_t> file, const std::string& name) {
    constexpr size_t kFileHeader = 14;
    if (file.size() < kFileHeader + 40) Bad(name, "file too short");
    const uint8_t* d = file.data();
    if (d[0] != 'B' || d[1] != 'M') Bad(name, "not a bitmap");
    uint32_t dataOffset = U32(d + 10);
    uint32_t infoSize = U32(d + 14);
    if (infoSize < 40 || infoSize > file.size() - kFileHeader) Bad(name, "bad information header");
    int32_t width = static_cast<int32_t>(U32(d + 18));
    int32_t rawHeight = static_cast<int32_t>(U32(d + 22));
    uint16_t bits = U16(d + 28);
    uint32_t compression = U32(d + 30);
    uint32_t used = U32(d + 46);

    if (compression != 0 || (bits != 8 && bits != 24))
        throw vPrintException_c(0, "Unsupported bitmap format in %s: %u bits per pixel, compression %u", name.c_str(),
                                static_cast<unsigned>(bits), static_cast<unsigned>(compression));
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) Bad(name, "zero or negative picture size");
    bool topDown = rawHeight < 0;
    int64_t height = topDown ? -int64_t{rawHeight} : rawHeight;
    if (width > kMaxPictureSide || height > kMaxPictureSide || int64_t{width} * height > kMaxPicturePixels)
        Bad(name, "picture too large");

    Picture pic;
    pic.width = width;
    pic.height = static_cast<int>(height);
    pic.bitsPerPixel = bits;
    if (bits == 8) {
        uint32_t count = used == 0 ? 256 : used;
        if (count > 256) Bad(name, "colour table too large");
        size_t tableAt = kFileHeader + infoSize;
        if (tableAt + size_t{count} * 4 > file.size()) Bad(name, "colour table truncated");
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* e = d + tableAt + i * 4;
            pic.colours[i] = {e[2], e[1], e[0], PaletteFlag::None};
        }
        pic.colourCount = static_cast<int>(count);
    }

    const int64_t rowBytes = (int64_t{width} * bits + 31) / 32 * 4;
    if (dataOffset > file.size() || rowBytes * height > static_cast<int64_t>(file.size() - dataOffset))
        Bad(name, "pixel data truncated");

    const size_t bytesPerPixel = bits / 8;
    const size_t outRow = static_cast<size_t>(width) * bytesPerPixel;
    pic.pixels.resize(outRow * static_cast<size_t>(height));
    for (int64_t row = 0; row < height; ++row) {
        const uint8_t* src = d + dataOffset + row * rowBytes;
        int64_t outY = topDown ? row : height - 1 - row;
        uint8_t* dst = pic.pixels.data() + outY * outRow;
        if (bits == 8) {
            std::memcpy(dst, src, outRow);
        } else {
            for (int x = 0; x < width; ++x) {  // stored blue, green, red
                dst[3 * x] = src[3 * x + 2];
                dst[3 * x + 1] = src[3 * x + 1];
                dst[3 * x + 2] = src[3 * x];
            }
        }
    }
    return pic;
}

}  // namespace platform
