#include "analysis/hm_data.h"

#include <algorithm>

vAllHmData_c& vAllHmData_c::operator=(const vAllHmData_c& other) {
    if (this == &other) return *this;
    std::copy(std::begin(other.channels), std::end(other.channels), channels);
    fullBand = other.fullBand;
    lowBand = other.lowBand;
    pitch = other.pitch;
    pitchFreq = other.pitchFreq;
    semiTone = other.semiTone;
    mSpirant = other.mSpirant;
    SetSamples(other.mSamples.get(), other.mSampleCount);
    return *this;
}

void vAllHmData_c::SetSamples(const int16_t* samples, int32_t count) {
    if (samples == nullptr) {
        mSamples.reset();
        mSampleCount = 0;
        return;
    }
    if (samples == mSamples.get()) return;
    if (count < 0) count = 0;
    if (count != mSampleCount || !mSamples) {
        mSamples.reset();
        mSamples = std::make_unique<int16_t[]>(static_cast<size_t>(count));
        mSampleCount = count;
    }
    std::copy(samples, samples + count, mSamples.get());
}

bool vAllHmData_c::IsSpirant(int32_t limit) {
    if (mSpirant == -1) {
        // 64-bit sums: 20 bands of up to 2^31 each cannot overflow them.
        int64_t sum = 0, total = 0;
        for (int i = 0; i < kBandCount; ++i) {
            if (channels[i] > 0) {
                sum += static_cast<int64_t>(channels[i]) * i;
                total += channels[i];
            }
        }
        mSpirant = (total != 0 && limit < sum / total) ? 1 : 0;
    }
    return mSpirant > 0;
}

V_REGISTER_CLASS(vAllHmData_c,
    V_PROP("Channels", channels),
    V_PROP("FullBand", fullBand),
    V_PROP("LowBand", lowBand),
    V_PROP("Pitch", pitch),
    V_PROP("PitchFreq", pitchFreq),
    V_PROP("SemiTone", semiTone));
