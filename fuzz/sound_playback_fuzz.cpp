// Sound files loaded for playback (the libsndfile path for encoded data) from
// arbitrary bytes written to a private file. A file is refused with the
// system's exception or gives a buffer that holds whole frames of the format
// it claims; every byte of the buffer is read so that the sanitizer sees any
// buffer shorter than it says.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/sound_file.h"
#include "platform/exception.h"
#include "scratch_folder.h"

namespace {

const std::string& InputPath() {
    static const vScratchFolder_c dir("lorvano-fuzz-sound", {});
    static const std::string path = dir.Path() + "/in.wav";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = InputPath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    vSound_s sound;
    try {
        sound = LoadSoundFile(path.c_str());
    } catch (const vException_c&) {
        return 0;
    }
    if (!sound.buffer || sound.buffer->Bytes() == 0 || sound.buffer->Bytes() > kMaxSoundBytes) std::abort();
    const platform::AudioFormat& format = sound.format;
    if (format.formatTag != platform::audio::kFormatPcm) std::abort();  // decoded to PCM
    const auto* bytes = reinterpret_cast<const unsigned char*>(sound.buffer->Header()->data);
    unsigned sum = 0;
    for (uint32_t i = 0; i < sound.buffer->Bytes(); ++i) sum += bytes[i];
    static volatile unsigned sink;
    sink = sum;
    return 0;
}
