#include "audio/sound_file.h"

#include <sndfile.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/regular_file.h"

namespace {

std::uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

constexpr std::uint64_t kHeaderRoom = 1u << 20;

struct Chunk {
    long offset = -1;  // of the chunk's contents
    std::uint32_t size = 0;
};

// Walks the chunks of the RIFF "WAVE" form and finds "fmt " and "data";
// raises 0 when the structure is broken or a chunk we need does not fit.
void FindChunks(std::FILE* f, Chunk& fmt, Chunk& data) {
    if (std::fseek(f, 0, SEEK_END) != 0) throw vException_c(0);
    const long fileSize = std::ftell(f);
    std::rewind(f);
    unsigned char head[12];
    if (fileSize < 12 || std::fread(head, 1, 12, f) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0)
        throw vException_c(0);
    long pos = 12;
    while ((fmt.offset < 0 || data.offset < 0) && pos + 8 <= fileSize) {
        unsigned char ch[8];
        if (std::fseek(f, pos, SEEK_SET) != 0 || std::fread(ch, 1, 8, f) != 8) throw vException_c(0);
        const std::uint32_t size = Le32(ch + 4);
        Chunk c{pos + 8, size};
        const bool fits = static_cast<long long>(c.offset) + size <= fileSize;
        if (std::memcmp(ch, "fmt ", 4) == 0 && fmt.offset < 0) {
            if (!fits) throw vException_c(0);
            fmt = c;
        } else if (std::memcmp(ch, "data", 4) == 0 && data.offset < 0) {
            if (!fits) throw vException_c(0);
            data = c;
        }
        pos = c.offset + static_cast<long>(size) + (size & 1);
        if (!fits) break;
    }
    if (fmt.offset < 0 || data.offset < 0 || fmt.size < 16) throw vException_c(0);
}

vSound_s LoadPcm(std::FILE* f, const platform::AudioFormat& format, const Chunk& data) {
    vSound_s sound{format, std::make_unique<vWaveBuffer_c>(data.size)};
    if (std::fseek(f, data.offset, SEEK_SET) != 0 ||
        std::fread(sound.buffer->Header()->data, 1, data.size, f) != data.size)
        throw vException_c(0);
    return sound;
}

// Decodes to 16-bit PCM with the file's rate and channels.
vSound_s Decode(std::FILE* f) {
    // The file already checked, from its start (fflush drops what the stream
    // has read ahead and puts the descriptor where the stream is); libsndfile
    // does not close it.
    if (std::fseek(f, 0, SEEK_SET) != 0 || std::fflush(f) != 0) throw vException_c(0);
    SF_INFO info{};
    SNDFILE* sf = sf_open_fd(fileno(f), SFM_READ, &info, SF_FALSE);
    if (!sf) throw vException_c(0);
    struct Closer {
        SNDFILE* s;
        ~Closer() { sf_close(s); }
    } closer{sf};
    const int major = info.format & SF_FORMAT_TYPEMASK;
    if ((major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX) || info.channels < 1 || info.channels > 255 ||
        info.frames <= 0 || info.frames > static_cast<sf_count_t>(kMaxSoundBytes / 2 / info.channels))
        throw vException_c(0);
    // Floating point beyond full scale clips instead of wrapping.
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const std::uint32_t bytes = static_cast<std::uint32_t>(info.frames * info.channels * 2);
    vSound_s sound{platform::PcmFormat(static_cast<std::uint32_t>(info.samplerate),
                                       static_cast<std::uint16_t>(info.channels), 16),
                   std::make_unique<vWaveBuffer_c>(bytes)};
    if (sf_readf_short(sf, sound.buffer->Samples(), info.frames) != info.frames) throw vException_c(0);
    return sound;
}

}  // namespace

vSound_s LoadSoundFile(const char* path) {
    // Only a regular file no larger than the biggest sound plus room for its
    // other chunks: a FIFO cannot block the loader, a huge file is refused
    // before it is read.
    const platform::UniqueFile file = path ? platform::OpenRegularStream(path, kMaxSoundBytes + kHeaderRoom) : nullptr;
    if (!file) throw vException_c(0);
    Chunk fmt, data;
    FindChunks(file.get(), fmt, data);
    unsigned char f[18] = {};
    if (std::fseek(file.get(), fmt.offset, SEEK_SET) != 0 || std::fread(f, 1, 16, file.get()) != 16)
        throw vException_c(0);
    if (data.size == 0 || data.size > kMaxSoundBytes) throw vException_c(0);
    platform::AudioFormat format;
    format.formatTag = Le16(f);
    format.channels = Le16(f + 2);
    format.samplesPerSec = Le32(f + 4);
    format.avgBytesPerSec = Le32(f + 8);
    format.blockAlign = Le16(f + 12);
    format.bitsPerSample = Le16(f + 14);
    format.extraSize = 0;
    if (format.formatTag == platform::audio::kFormatPcm) return LoadPcm(file.get(), format, data);
    return Decode(file.get());
}
