#pragma once
// Loading a WAV file whole for playback. PCM data is taken as it is, in the
// file's own format; any other encoding libsndfile decodes (IMA and MS ADPCM,
// u-law, A-law, GSM 6.10, floating point, ...) becomes 16-bit PCM with the
// file's rate and channels.
//
// Every failure raises vException_c with code 0: unreadable file, no regular
// file or one larger than kMaxSoundBytes and 1 MiB of other chunks, not RIFF
// "WAVE", missing or truncated "fmt " or "data" chunk (a chunk whose size
// runs past the end of the file), no samples, more than kMaxSoundBytes, or
// an encoding that cannot be decoded. Nothing stays allocated then.
// Any thread.

#include <memory>

#include "audio/wave.h"

inline constexpr std::uint32_t kMaxSoundBytes = 256u << 20;

struct vSound_s {
    platform::AudioFormat format;
    std::unique_ptr<vWaveBuffer_c> buffer;
};

vSound_s LoadSoundFile(const char* path);
