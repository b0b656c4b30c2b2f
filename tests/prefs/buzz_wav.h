#pragma once
// A voice-like buzz for the File audio backend's microphone: 150 Hz with
// twenty partials, so that every band of the filter bank sees energy.

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace lorvano_test {

// amplitude 0 writes silence.
inline bool WriteBuzz(const std::string& path, double seconds, double amplitude = 1.0) {
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    std::vector<std::int16_t> s(static_cast<std::size_t>(seconds * 22050));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / 22050;
        double v = 0;
        for (int k = 1; k <= 20; ++k) v += std::sin(2 * M_PI * 150 * k * t) / k;
        s[i] = static_cast<std::int16_t>(amplitude * 4000 * v);
    }
    sf_write_short(f, s.data(), static_cast<sf_count_t>(s.size()));
    sf_close(f);
    return true;
}

}  // namespace lorvano_test
