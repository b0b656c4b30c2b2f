// LoadWave on arbitrary bytes: every input must be read or refused with a
// message, never crash, hang or allocate beyond the file's size. The file
// images stay in memory: the file layer has its own tests.
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/recording.h"
#include "platform/exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vRecording_c rec;
    try {
        rec.LoadWaveBytes({reinterpret_cast<const char*>(data), size}, "fuzz.wav");
        // What was read must survive a round trip.
        const std::vector<unsigned char> image = rec.WaveBytes("fuzz.wav");
        vRecording_c back;
        back.LoadWaveBytes({reinterpret_cast<const char*>(image.data()), image.size()}, "back.wav");
        if (back.RecPos() != rec.RecPos()) __builtin_trap();
    } catch (const vException_c&) {
    }
    return 0;
}
