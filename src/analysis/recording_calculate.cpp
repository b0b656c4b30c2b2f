// Whole-recording post-processing of vRecording_c (Calculate).
#include <algorithm>

#include "analysis/hm_block_processor.h"
#include "analysis/log_energy.h"
#include "analysis/recording.h"
#include "platform/exception.h"

void vRecording_c::Calculate(int32_t level, int32_t medianWidth, int32_t spirantLimit, bool normToMax,
                             int32_t pitchFrames) {
    if (!mHasFrames) throw vTextException_c("Cannot calculate if no data is available!");
    if (mWaveValid && (!mFiltersValid || !mPitchCalculated)) {
        if (!mProcessor) throw vTextException_c("Cannot calculate from wave data if Porcessor is NULL");
        mProcessor->Reset();
        for (int32_t p = 0; p < std::min(mRecPos, Capacity()); ++p) {
            vAllHmData_c& f = mData[static_cast<size_t>(p)];
            if (!f.Samples()) {
                mRecPos = p;
                break;
            }
            mProcessor->ProcessBlock(f.Samples(), f.SampleCount(), false, f, !mFiltersValid, !mPitchCalculated);
        }
        mFiltersValid = mPitchCalculated = true;
    }
    const int32_t n = std::clamp(mRecPos, 0, Capacity());
    int64_t sum = 0;
    int32_t maxFull = -2147483647;
    for (int32_t p = 0; p < n; ++p) {
        sum += mData[static_cast<size_t>(p)].fullBand;
        maxFull = std::max(maxFull, mData[static_cast<size_t>(p)].fullBand);
    }
    mMeanFullBand = n ? static_cast<int32_t>(sum / n) : 0;
    mMaxFullBand = maxFull;
    auto bad = [](int32_t v) { return v > 2130706432 || v < -2130706433; };
    for (int32_t p = 0; p < n; ++p) {
        int32_t* c = mData[static_cast<size_t>(p)].channels;
        for (int i = 0; i < kBandCount; ++i)
            if (bad(c[i])) c[i] = i > 0 ? c[i - 1] : (bad(c[1]) ? -3000 : c[1]);
    }
    // With no frame on the log scale (digital silence) there is no level to
    // normalise to, and the shift would not fit 32 bits: the levels stay.
    const bool anyLevel = n > 0 && mMaxFullBand > kLogFloor + 1;
    const int64_t shift = !anyLevel ? 0 : normToMax ? int64_t{5000} - mMaxFullBand : int64_t{3000} - mMeanFullBand;
    // Values below the scale stay at its floor; the others move by the shift,
    // limited to 32 bits (a mean dragged down by floor values can be huge).
    auto moved = [shift](int32_t& v) {
        if (v != kLogFloor) v = static_cast<int32_t>(std::clamp<int64_t>(v + shift, kLogFloor + 1, INT32_MAX));
    };
    for (int32_t p = 0; p < n; ++p) {
        vAllHmData_c& f = mData[static_cast<size_t>(p)];
        for (int i = 0; i < kBandCount; ++i) moved(f.channels[i]);
        moved(f.lowBand);
        moved(f.fullBand);
    }
    for (int32_t p = 0; p < n; ++p) mData[static_cast<size_t>(p)].ResetSpirant();
    if (medianWidth > 0)
        for (int32_t p = medianWidth; p < n - medianWidth; ++p) {
            int count = 0;
            for (int32_t m = -medianWidth; m <= medianWidth; ++m)
                if (m != 0 && mData[static_cast<size_t>(p + m)].IsSpirant(spirantLimit)) ++count;
            if (count > medianWidth) mData[static_cast<size_t>(p)].SetSpirant();
            if (count < medianWidth) mData[static_cast<size_t>(p)].ClearSpirant();
        }
    auto loud = [&](int32_t p) {
        const int32_t* c = mData[static_cast<size_t>(p)].channels;
        return std::any_of(c, c + kBandCount, [&](int32_t v) { return v > level; });
    };
    mWordBegin = -1;
    for (int32_t p = 0; p < n && mWordBegin < 0; ++p)
        if (loud(p)) mWordBegin = p;
    if (mWordBegin < 0) {
        mWordBegin = 0;
        mWordEnd = n;
    } else {
        mWordEnd = mWordBegin;
        for (int32_t p = n - 1; p > mWordBegin; --p)
            if (loud(p)) {
                mWordEnd = p;
                break;
            }
        if (mWordEnd == mWordBegin) mWordEnd = n;
    }
    mRecSize = mWordEnd - mWordBegin;
    // Sample loops over plain pointers, so that they vectorise.
    int64_t sampleSum = 0, sampleCount = 0;
    int32_t hi = 0, lo = 0;
    for (int32_t p = 0; p < Capacity(); ++p) {
        const vAllHmData_c& f = mData[static_cast<size_t>(p)];
        const int16_t* s = f.Samples();
        if (!s) continue;
        const int32_t count = f.SampleCount();
        int64_t frameSum = 0;
        for (int32_t i = 0; i < count; ++i) {
            frameSum += s[i];
            hi = std::max<int32_t>(hi, s[i]);
            lo = std::min<int32_t>(lo, s[i]);
        }
        sampleSum += frameSum;
        sampleCount += count;
    }
    if (sampleCount) {
        const int32_t mean = static_cast<int32_t>(sampleSum / sampleCount);
        const int32_t peak = std::max(hi - mean, mean - lo);
        if (peak != 0) {
            const int64_t g = 32768000 / peak;
            for (int32_t p = 0; p < Capacity(); ++p) {
                vAllHmData_c& f = mData[static_cast<size_t>(p)];
                int16_t* s = f.Samples();
                if (!s) continue;
                const int32_t count = f.SampleCount();
                for (int32_t i = 0; i < count; ++i)
                    s[i] = static_cast<int16_t>(std::clamp<int64_t>((s[i] - mean) * g / 1024, -32000, 32000));
            }
        }
    }
    int64_t semi = 0;
    int32_t voiced = 0;
    for (int32_t p = 0; p < n; ++p) {
        const vAllHmData_c& f = mData[static_cast<size_t>(p)];
        if (f.pitch <= 0) {
            if (voiced > 0) break;
            continue;
        }
        semi += f.semiTone;
        if (++voiced > pitchFrames) break;
    }
    if (voiced > 0) mMeanSemiTone = static_cast<int32_t>(semi / voiced);
    if (mMarkers.MakeRelativeAbsolute(mWordBegin) > 0) mModified = true;
}
