#pragma once
// Average-magnitude-difference pitch tracker on the signal decimated by 8
// (2756.25 Hz): lags 1..66 are accumulated per value and evaluated once per
// block. Owned by a block processor; user-interface thread only.

#include <cstdint>

#include "analysis/hm_data.h"
#include "settings/setting.h"

inline constexpr int kPitchLags = 66;

namespace keys {
inline constexpr vUnsignedSetting_c kPitchSense{"Pitch/Sense", 400};
inline constexpr vDoubleSetting_c kPitchTriggerHigh{"Pitch/Trigger_hi", 1.0};
inline constexpr vDoubleSetting_c kPitchTriggerLow{"Pitch/Trigger_lo", 0.6};
}  // namespace keys

struct vPitchSettings_c {
    uint32_t sense = keys::kPitchSense.def;         // mean AMDF at or below it is silence
    double trigHi = keys::kPitchTriggerHigh.def;    // leaving a valley, times the local mean
    double trigLo = keys::kPitchTriggerLow.def;     // entering a valley, times the local mean

    // From the language's settings.
    static vPitchSettings_c Read() {
        return {keys::kPitchSense.Read(), keys::kPitchTriggerHigh.Read(), keys::kPitchTriggerLow.Read()};
    }
};

class vPitchTracker_c {
public:
    explicit vPitchTracker_c(const vPitchSettings_c& settings = {});

    // acc[k] += |value lag 66 - k ago - v|, then v enters the ring.
    void Feed(int32_t v);
    // Writes pitch, pitchFreq and semiTone (-1 each when unvoiced). Does not
    // clear the accumulators (ClearAccumulators does).
    void Evaluate(vAMDFOutput_c& out);
    void ClearAccumulators();

    const int32_t* Accumulators() const { return mAcc; }
    int32_t ValleyCount() const { return mValleyCount; }

private:
    // The ring is kept twice in a row so that the 66 lags of one value are
    // contiguous: mRing[p] == mRing[p + 66].
    int32_t mRing[2 * kPitchLags] = {};
    int32_t mAcc[kPitchLags] = {};
    int mRingPos = 0;
    int32_t mLo[kPitchLags] = {};
    int32_t mHi[kPitchLags] = {};
    int32_t mValleyCount = 0;
    int32_t mValleyStart = 0;
    vPitchSettings_c mSettings;
};

// Feed's inner loop, acc[k] += |lagged[k] - v| in wrapping 32-bit
// arithmetic for the 66 lags: the plain build and the AVX2 one (call it only
// where the processor has AVX2). Feed chooses at run time.
void AccumulateLags(int32_t* acc, const int32_t* lagged, int32_t v);
void AccumulateLagsAVX2(int32_t* acc, const int32_t* lagged, int32_t v);

// Float to 32-bit integer, truncating toward zero; values that do not fit
// (and NaN) give INT32_MIN, as the processor's own conversion does.
int32_t TruncToInt32(double v);
