#pragma once
// Offscreen images for the button, sprite and menu tests: 32-bit surfaces
// filled with known colours, pixel reads and whole-image copies to compare.

#include "display/dx_dc.h"
#include "display/dx_simple_image.h"
#include "platform/message_queue.h"

#include <cstdint>
#include <vector>

namespace dx_test {

// A screen at the design resolution 800 x 600 with the given depth, so that
// pictures load unscaled at that depth.
inline void UseDesignScreen(int bpp) {
    vDxScreenInfo info;
    info.exists = true;
    info.bpp = bpp;
    info.defaultResX = info.actualResX = 800;
    info.defaultResY = info.actualResY = 600;
    SetDxScreenInfo(info);
}

inline uint32_t PixelAt(vDxImage_i& image, int x, int y) { return image.CreateDC()->GetPixel(x, y); }

// A pixel read from a copy: a lock of the image itself would take its
// sprites away first.
inline uint32_t SeenAt(vDxImage_i& image, int x, int y) {
    vDxSimpleImage_c copy;
    copy.Create(image.GetWidth(), image.GetHeight(), image.GetBPP());
    copy.BltImage({0, 0}, image);
    return PixelAt(copy, x, y);
}

// Every pixel, row by row.
inline std::vector<uint32_t> Pixels(vDxImage_i& image) {
    auto dc = image.CreateDC();
    std::vector<uint32_t> px;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x) px.push_back(dc->GetPixel(x, y));
    return px;
}

// A pattern in which no two neighbouring pixels are equal.
inline void FillPattern(vDxImage_i& image) {
    auto dc = image.CreateDC();
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            dc->PutPixel(x, y, image.MakeColor(static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 5), static_cast<uint8_t>(x + y)));
}

inline void Fill(vDxImage_i& image, uint8_t r, uint8_t g, uint8_t b) {
    image.FillRect({0, 0, image.GetWidth(), image.GetHeight()}, image.MakeColor(r, g, b));
}

// The messages posted so far, taken from the queue.
inline std::vector<platform::Message> TakeMessages() {
    std::vector<platform::Message> out;
    platform::Message m;
    while (platform::TakePending(m)) out.push_back(m);
    return out;
}

inline std::vector<platform::MessageId> TakeMessageIds() {
    std::vector<platform::MessageId> ids;
    for (const platform::Message& m : TakeMessages()) ids.push_back(m.id);
    return ids;
}

}  // namespace dx_test
