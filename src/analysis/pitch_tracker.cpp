#include "analysis/pitch_tracker.h"

#include <cmath>
#include <cstring>

int32_t TruncToInt32(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(v);
}

vPitchTracker_c::vPitchTracker_c(const vPitchSettings_c& settings) : mSettings(settings) {}

namespace {

// Wrapping arithmetic: the accumulators are 32-bit.
__attribute__((always_inline)) inline void Accumulate(int32_t* acc, const int32_t* lagged, int32_t v) {
    for (int k = 0; k < kPitchLags; ++k) {
        const uint32_t diff = static_cast<uint32_t>(lagged[k]) - static_cast<uint32_t>(v);
        const uint32_t mag = static_cast<int32_t>(diff) < 0 ? 0u - diff : diff;
        acc[k] = static_cast<int32_t>(static_cast<uint32_t>(acc[k]) + mag);
    }
}

}  // namespace

void AccumulateLags(int32_t* acc, const int32_t* lagged, int32_t v) { Accumulate(acc, lagged, v); }

__attribute__((target("avx2"))) void AccumulateLagsAVX2(int32_t* acc, const int32_t* lagged, int32_t v) {
    Accumulate(acc, lagged, v);
}

// Runs for every decimated value on every tracker: worth wider vectors
// where the processor has them (chosen once, at the first call).
void vPitchTracker_c::Feed(int32_t v) {
    static void (*const accumulate)(int32_t*, const int32_t*, int32_t) =
        __builtin_cpu_supports("avx2") ? AccumulateLagsAVX2 : AccumulateLags;
    accumulate(mAcc, mRing + mRingPos, v);
    mRing[mRingPos] = v;
    mRing[mRingPos + kPitchLags] = v;
    mRingPos = mRingPos + 1 == kPitchLags ? 0 : mRingPos + 1;
}

void vPitchTracker_c::ClearAccumulators() { std::memset(mAcc, 0, sizeof mAcc); }

void vPitchTracker_c::Evaluate(vAMDFOutput_c& out) {
    out.pitch = out.pitchFreq = out.semiTone = -1;
    int64_t total = 0;
    for (int32_t a : mAcc) total += a;
    if (total / kPitchLags <= static_cast<int64_t>(mSettings.sense)) return;

    int64_t t = 0;
    for (int i = 0; i < kPitchLags; ++i) {
        if (i < 8) {
            t += mAcc[i];
        } else {
            t += static_cast<int64_t>(mAcc[i]) - mAcc[i - 8];
        }
        if (i < 7) continue;
        // The first eight thresholds share the mean of acc[0..7].
        for (int j = (i == 7 ? 0 : i); j <= i; ++j) {
            const double a = static_cast<double>(t / 8);
            mLo[j] = TruncToInt32(a * mSettings.trigLo);
            mHi[j] = TruncToInt32(a * mSettings.trigHi);
        }
    }

    bool inValley = true;
    mValleyCount = 0;
    int32_t v = 0;
    for (int j = kPitchLags - 1; j >= 9; --j) {
        if (mAcc[j] < mLo[j]) {
            if (!inValley) mValleyStart = j;
            inValley = true;
        } else if (mAcc[j] > mHi[j]) {
            if (inValley) {
                v = j + mValleyStart;
                ++mValleyCount;
            }
            inValley = false;
        }
    }
    if (mValleyCount == 0) return;

    // With one valley (only the small-lag region) the period is infinite:
    // pitch becomes INT32_MIN (unvoiced) and the frequency the bare offset.
    const double half = kPitchLags - v / 2.0;
    const double period = half / (mValleyCount - 1);
    out.pitch = TruncToInt32(period * 100.0);
    const double freq = (mValleyCount - 1) / half * 22050.0 / 8.0 + 2.0;
    out.pitchFreq = TruncToInt32(freq * 100.0);
    out.semiTone =
        TruncToInt32((std::log(out.pitchFreq / 100.0) / 0.05776226470753 - 75.0) * 100.0);
}
