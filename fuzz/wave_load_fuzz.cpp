// LoadWave on arbitrary bytes: every input must be read or refused with a
// message, never crash, hang or allocate beyond the file's size.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "analysis/recording.h"
#include "platform/exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/lorvano_wave_fuzz_" + std::to_string(::getpid()) + ".wav";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    vRecording_c rec;
    try {
        rec.LoadWave(path);
        // What was read must survive a round trip.
        rec.SaveWave(path, false);
        vRecording_c back;
        back.LoadWave(path);
        if (back.RecPos() != rec.RecPos()) __builtin_trap();
    } catch (const vException_c&) {
    }
    return 0;
}
