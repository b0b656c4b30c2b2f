#pragma once
// Builds WAV files byte by byte for tests, with every header field open to
// damage.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

struct WavFormat {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t rate = 22050;
    uint32_t bytesPerSecond = 44100;
    uint16_t blockAlign = 2;
    uint16_t bits = 16;
    uint32_t fmtSize = 16;         // declared size of the fmt chunk
    size_t fmtBytes = 16;          // bytes of it actually written
    bool riffSizeAuto = true;      // RIFF size = file size - 8
    uint32_t riffSize = 0;
    bool dataSizeAuto = true;      // data size = bytes of samples
    uint32_t dataSize = 0;
    std::vector<uint8_t> extraChunkBeforeData;  // a whole chunk, header included
    bool withData = true;
};

inline void PutLE(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline std::vector<uint8_t> MakeWav(const WavFormat& s, const std::vector<uint8_t>& dataBytes) {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    PutLE(out, s.fmtSize, 4);
    std::vector<uint8_t> fmt;
    PutLE(fmt, s.formatTag, 2);
    PutLE(fmt, s.channels, 2);
    PutLE(fmt, s.rate, 4);
    PutLE(fmt, s.bytesPerSecond, 4);
    PutLE(fmt, s.blockAlign, 2);
    PutLE(fmt, s.bits, 2);
    fmt.resize(s.fmtBytes, 0);
    out.insert(out.end(), fmt.begin(), fmt.end());
    if (s.fmtSize & 1) out.push_back(0);
    out.insert(out.end(), s.extraChunkBeforeData.begin(), s.extraChunkBeforeData.end());
    if (s.withData) {
        out.insert(out.end(), {'d', 'a', 't', 'a'});
        PutLE(out, s.dataSizeAuto ? static_cast<uint32_t>(dataBytes.size()) : s.dataSize, 4);
        out.insert(out.end(), dataBytes.begin(), dataBytes.end());
    }
    const uint32_t riff = s.riffSizeAuto ? static_cast<uint32_t>(out.size() - 8) : s.riffSize;
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
    return out;
}

inline std::vector<uint8_t> SampleBytes(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out;
    for (int16_t v : samples) PutLE(out, static_cast<uint16_t>(v), 2);
    return out;
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
