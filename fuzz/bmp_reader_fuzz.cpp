// The BMP reader on arbitrary bytes: it must either decode or raise, never
// crash, read out of bounds or allocate without limit.
#include "platform/exception.h"
#include "platform/picture.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        platform::Picture p = platform::DecodeBmp({data, size}, "fuzz.bmp");
        platform::Picture rgb = platform::ToRgb(p);
        if (rgb.pixels.size() != static_cast<size_t>(p.width) * p.height * 3) __builtin_trap();
        // Shrinking touches every pixel of the decoded picture.
        if (p.width > 1 && p.height > 1) platform::Resample(rgb, (p.width + 1) / 2, (p.height + 1) / 2);
    } catch (const vException_c&) {
    }
    return 0;
}
