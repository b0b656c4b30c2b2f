// Conversions between picture forms and the resampling that scales pictures
// from the authored resolution to the screen.
#include "platform/picture.h"

#include <algorithm>

namespace platform {

Picture ToRgb(const Picture& picture) {
    if (picture.bitsPerPixel == 24) return picture;
    Picture out;
    out.width = picture.width;
    out.height = picture.height;
    out.bitsPerPixel = 24;
    out.pixels.resize(picture.pixels.size() * 3);
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        int index = picture.pixels[i];
        PaletteEntry c = index < picture.colourCount ? picture.colours[static_cast<size_t>(index)] : PaletteEntry{};
        out.pixels[3 * i] = c.red;
        out.pixels[3 * i + 1] = c.green;
        out.pixels[3 * i + 2] = c.blue;
    }
    return out;
}

namespace {

// Weights of the source pixels that cover each destination pixel when the
// source interval [0, from) is mapped onto [0, to): box coverage, so shrinking
// averages and enlarging blends the two nearest pixels.
struct Tap {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Tap> AreaTaps(int from, int to) {
    std::vector<Tap> taps(static_cast<size_t>(to));
    const double scale = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        double lo = i * scale, hi = (i + 1) * scale;
        if (scale < 1.0) {  // enlarging: a one-pixel box centred on the destination pixel
            double centre = (i + 0.5) * scale;
            lo = centre - 0.5;
            hi = centre + 0.5;
            if (lo < 0) { lo = 0; hi = 1; }
            if (hi > from) { hi = from; lo = from - 1; }
        }
        int first = static_cast<int>(lo);
        int last = std::min(from - 1, static_cast<int>(hi - 1e-9));
        Tap& t = taps[static_cast<size_t>(i)];
        t.first = first;
        double total = 0;
        for (int j = first; j <= last; ++j) {
            double w = std::min<double>(hi, j + 1) - std::max<double>(lo, j);
            if (w < 0) w = 0;
            t.weights.push_back(static_cast<float>(w));
            total += w;
        }
        for (float& w : t.weights) w = static_cast<float>(w / total);
    }
    return taps;
}

}  // namespace

Picture Resample(const Picture& rgb, int width, int height) {
    const int sw = rgb.width, sh = rgb.height;
    std::vector<Tap> xt = AreaTaps(sw, width), yt = AreaTaps(sh, height);
    // Horizontal pass into floats, then vertical pass.
    std::vector<float> mid(static_cast<size_t>(width) * sh * 3);
    for (int y = 0; y < sh; ++y) {
        const uint8_t* src = rgb.pixels.data() + static_cast<size_t>(y) * sw * 3;
        float* dst = mid.data() + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            const Tap& t = xt[static_cast<size_t>(x)];
            float r = 0, g = 0, b = 0;
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const uint8_t* p = src + (t.first + k) * 3;
                r += t.weights[k] * p[0];
                g += t.weights[k] * p[1];
                b += t.weights[k] * p[2];
            }
            dst[3 * x] = r;
            dst[3 * x + 1] = g;
            dst[3 * x + 2] = b;
        }
    }
    Picture out;
    out.width = width;
    out.height = height;
    out.bitsPerPixel = 24;
    out.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const Tap& t = yt[static_cast<size_t>(y)];
        uint8_t* dst = out.pixels.data() + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width * 3; ++x) {
            float v = 0;
            for (size_t k = 0; k < t.weights.size(); ++k)
                v += t.weights[k] * mid[(t.first + k) * static_cast<size_t>(width) * 3 + x];
            int iv = static_cast<int>(v + 0.5f);
            dst[x] = static_cast<uint8_t>(iv > 255 ? 255 : iv < 0 ? 0 : iv);
        }
    }
    return out;
}

}  // namespace platform
