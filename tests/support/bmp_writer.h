#pragma once
// Builds BMP files in memory for tests: uncompressed 8 or 24 bits, rows
// bottom-up or top-down, with an optional colour-table size.
#include <cstdint>
#include <string>
#include <vector>

namespace testing_bmp {

struct Rgb {
    uint8_t r, g, b;
};

inline void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}
inline void Put16(std::vector<uint8_t>& v, size_t at, uint16_t x) {
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}

// pixels: for 24 bits one Rgb per pixel, top-down; for 8 bits use indices.
inline std::vector<uint8_t> Bmp24(int w, int h, const std::vector<Rgb>& pixels, bool topDown = false) {
    const size_t row = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> f(54 + row * h, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, static_cast<uint32_t>(f.size()));
    Put32(f, 10, 54);
    Put32(f, 14, 40);
    Put32(f, 18, static_cast<uint32_t>(w));
    Put32(f, 22, static_cast<uint32_t>(topDown ? -h : h));
    Put16(f, 26, 1);
    Put16(f, 28, 24);
    for (int y = 0; y < h; ++y) {
        size_t at = 54 + row * (topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const Rgb& p = pixels[static_cast<size_t>(y) * w + x];
            f[at + 3 * x] = p.b;
            f[at + 3 * x + 1] = p.g;
            f[at + 3 * x + 2] = p.r;
        }
    }
    return f;
}

inline std::vector<uint8_t> Bmp8(int w, int h, const std::vector<uint8_t>& indices, const std::vector<Rgb>& table,
                                 bool topDown = false) {
    const size_t row = (static_cast<size_t>(w) + 3) / 4 * 4;
    const size_t offset = 54 + table.size() * 4;
    std::vector<uint8_t> f(offset + row * h, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, static_cast<uint32_t>(f.size()));
    Put32(f, 10, static_cast<uint32_t>(offset));
    Put32(f, 14, 40);
    Put32(f, 18, static_cast<uint32_t>(w));
    Put32(f, 22, static_cast<uint32_t>(topDown ? -h : h));
    Put16(f, 26, 1);
    Put16(f, 28, 8);
    Put32(f, 46, static_cast<uint32_t>(table.size()));
    for (size_t i = 0; i < table.size(); ++i) {
        f[54 + 4 * i] = table[i].b;
        f[54 + 4 * i + 1] = table[i].g;
        f[54 + 4 * i + 2] = table[i].r;
    }
    for (int y = 0; y < h; ++y) {
        size_t at = offset + row * (topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) f[at + x] = indices[static_cast<size_t>(y) * w + x];
    }
    return f;
}

}  // namespace testing_bmp
