#include "analysis/hm_block_processor.h"

#include <algorithm>
#include <cmath>

#include "analysis/log_energy.h"
#include "platform/exception.h"
#include "settings/settings.h"
#include "settings/shared_keys.h"

vHMProcessorSetup_c vHMProcessorSetup_c::FromSettings() {
    vHMProcessorSetup_c setup;
    setup.coefficients = keys::kCoefficients.Read();
    // The block processor's own key, spelled this way.
    setup.calibration = vTextSetting_c{"Preprocessor/Equlize", "calib.txt"}.Read();
    setup.window = keys::kWindowFile.Read();
    setup.preAmp = keys::kPreAmp.Read();
    setup.overlap = kOverlap.Read();
    setup.pitch = vPitchSettings_c::Read();
    return setup;
}

vHMProcessorSetup_c vHMProcessorSetup_c::Live() {
    vHMProcessorSetup_c setup = FromSettings();
    setup.calibration = keys::kLiveCalibration.Read();
    return setup;
}

int32_t PreAmp256(double preAmp) {
    // |sample| <= 32768, so up to 65535 / 256 keeps every input within 32 bits.
    if (!std::isfinite(preAmp)) return 256;
    return static_cast<int32_t>(std::clamp(preAmp * 256.0, -65535.0, 65535.0));
}

vHMBlockProcessor_c::vHMBlockProcessor_c(const vHMProcessorSetup_c& setup)
    : mPreAmp256(::PreAmp256(setup.preAmp)), mPitch(setup.pitch) {
    LoadCoefficients(setup.coefficients.c_str());
    LoadCalibration(setup.calibration.c_str());
    try {
        ReadWindowFile(setup.window, mWindow);
    } catch (const vException_c&) {
        ReadWindowFile(std::string(), mWindow);
    }
    // At least one tracker: the current-tracker index wraps at the count.
    mTrackers.assign(std::max<uint32_t>(setup.overlap, 1), vPitchTracker_c(setup.pitch));
}

void vHMBlockProcessor_c::Reset() {
    ResetStates();
    mTrackers.assign(mTrackers.size(), vPitchTracker_c(mPitch));
    mCurrentTracker = 0;
}

int32_t vHMBlockProcessor_c::NextSample() {
    return static_cast<int32_t>(mSamples[mReadIndex++]) * mPreAmp256;
}

void vHMBlockProcessor_c::FeedTrackers(int32_t d) {
    for (auto& tracker : mTrackers) tracker.Feed(d >> 14);
}

void vHMBlockProcessor_c::RunReference(int steps, bool computeFilters, bool computePitch) {
    for (int i = 0; i < steps; ++i) {
        if (computeFilters) {
            const int32_t d = FilterStep();
            if (computePitch) FeedTrackers(d);
        } else if (computePitch) {
            FeedTrackers(PitchStep());
        } else {
            EnergyStep();
        }
    }
}

void vHMBlockProcessor_c::RunBlocks(int steps, bool computeFilters, bool computePitch) {
    constexpr int kSteps = 28;
    int32_t x[8 * kSteps];
    int32_t d[kSteps];
    for (int done = 0; done < steps; done += kSteps) {
        const int n = std::min(kSteps, steps - done);
        // NextSample's values, without a virtual call per sample.
        const int16_t* from = mSamples + mReadIndex;
        for (int k = 0; k < 8 * n; ++k) x[k] = static_cast<int32_t>(from[k]) * mPreAmp256;
        mReadIndex += 8 * n;
        if (computeFilters) {
            FilterBlock(x, n, d);
        } else if (computePitch) {
            PitchBlock(x, n, d);
        } else {
            EnergyBlock(x, n);
        }
        if (computePitch)
            for (int k = 0; k < n; ++k) FeedTrackers(d[k]);
    }
}

namespace {

// Low 32 bits of (energy * gain) >> 16 with a 64-bit product.
uint32_t Equalized(uint32_t energy, int32_t gain) {
    const uint64_t product = static_cast<uint64_t>(energy) * static_cast<uint64_t>(static_cast<int64_t>(gain));
    return static_cast<uint32_t>(static_cast<int64_t>(product) >> 16);
}

}  // namespace

void vHMBlockProcessor_c::InputOf(const int16_t* samples, int count, int32_t* input, int size) const {
    const int n = std::clamp(count, 0, size);
    for (int k = 0; k < n; ++k) input[k] = static_cast<int32_t>(samples[k]) * mPreAmp256;
    std::fill(input + n, input + size, 0);
}

int32_t vHMBlockProcessor_c::OutputLog(int k) const { return LogEnergy(Equalized(energy[k], eqGain[k])); }

// 1. point at the samples, reset the energies; 2. window a copy when asked
// (the caller's samples stay as they are); 3. count / 8 steps of the bank,
// feeding the decimated values >> 14 to every tracker; 4. the current
// tracker evaluates the last trackerCount blocks; 5. band and low-band
// energies; 6. full band always; 7. store the samples.
void vHMBlockProcessor_c::ProcessBlock(const int16_t* samples, int32_t count, bool storeSamples,
                                       vAllHmData_c& frame, bool computeFilters,
                                       bool computePitch) {
    try {
        if (count < 0 || samples == nullptr) count = 0;
        mSamples = samples;
        mReadIndex = 0;
        ResetEnergies();
        if (mApplyWindow && count > 0) {
            mWindowed.assign(samples, samples + count);
            ::ApplyWindow(mWindowed.data(), count, mWindow);
            mSamples = mWindowed.data();
        }
        const int steps = count / 8;
        if (Kernel() == vHMKernel::Reference) {
            RunReference(steps, computeFilters, computePitch);
        } else {
            RunBlocks(steps, computeFilters, computePitch);
        }
        if (computePitch) {
            vPitchTracker_c& tracker = mTrackers[mCurrentTracker];
            tracker.Evaluate(frame);
            tracker.ClearAccumulators();
            mCurrentTracker = (mCurrentTracker + 1) % mTrackers.size();
        }
        if (computeFilters) {
            for (int i = 0; i < kBandCount; ++i) frame.channels[i] = OutputLog(i);
            frame.lowBand = OutputLog(kLowBandOutput);
        }
        frame.fullBand = OutputLog(kFullBandOutput);
        if (storeSamples) frame.SetSamples(samples, count);
    } catch (const vException_c&) {
        // The frame keeps what was written so far.
    }
}
