#include "listening/hm_processor.h"

#include "analysis/hm_block_processor.h"
#include "analysis/log_energy.h"
#include "settings/shared_keys.h"

vHMProcessor_c::vHMProcessor_c(int bufferLength)
    : vTrWaveIn_c(bufferLength), mGain(PreAmp256(keys::kPreAmp.Read())) {
    try {
        ReadWindowFile(keys::kWindowFile.Read(), mWindow);
    } catch (const vException_c&) {
        // A bad window file means no window.
        ReadWindowFile(std::string(), mWindow);
    }
    LoadCoefficients(keys::kCoefficients.Read().c_str());
    // The real-time processor's key (the block processor has its own).
    LoadCalibration(keys::kLiveCalibration.Read().c_str());
}

std::int32_t vHMProcessor_c::NextSample() {
    if (!mBuffer || mReadPos >= SampleCountOf(mBuffer)) return 0;
    return static_cast<std::int32_t>(SamplesOf(mBuffer)[mReadPos++]) * Gain();
}

void vHMProcessor_c::PreprocessBuffer(platform::AudioBuffer* header) {
    vTrWaveIn_c::PreprocessBuffer(header);
    mBuffer = header;
    mReadPos = 0;
}

void vHMProcessor_c::ApplyWindowAtReadPosition(int count, const std::int32_t* table) {
    if (!mBuffer) throw vTextException_c("Cannot apply window to no data! (_Buffer == NULL)");
    const int n = std::min(count, SampleCountOf(mBuffer) - mReadPos);
    if (n > 0) ApplyWindow(SamplesOf(mBuffer) + mReadPos, n, table ? table : WindowTable());
}

std::int32_t vHMProcessor_c::OutputLog(int k) const {
    const std::uint64_t product =
        static_cast<std::uint64_t>(energy[k]) * static_cast<std::uint64_t>(static_cast<std::int64_t>(eqGain[k]));
    return LogEnergy(static_cast<std::uint32_t>(static_cast<std::int64_t>(product) >> 16));
}

void vHMProcessor_c::StoreEnergies(vAllHmData_c& frame) const {
    for (int i = 0; i < kBandCount; ++i) frame.channels[i] = OutputLog(i);
    frame.lowBand = OutputLog(kLowBandOutput);
    frame.fullBand = OutputLog(kFullBandOutput);
}
