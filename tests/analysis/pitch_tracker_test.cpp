#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "analysis/pitch_tracker.h"

TEST(PitchTracker, AccumulatorKHoldsLag66MinusK) {
    vPitchTracker_c t;
    std::mt19937 rng(3);
    std::vector<int32_t> fed;
    for (int n = 0; n < 150; ++n) {
        const int32_t v = static_cast<int32_t>(rng() % 2001) - 1000;
        t.Feed(v);
        fed.push_back(v);
    }
    // Independent model: the ring starts with 66 zeros.
    for (int k = 0; k < kPitchLags; ++k) {
        const int lag = kPitchLags - k;
        int64_t sum = 0;
        for (size_t n = 0; n < fed.size(); ++n) {
            const int32_t old = n >= static_cast<size_t>(lag) ? fed[n - lag] : 0;
            sum += std::abs(old - fed[n]);
        }
        EXPECT_EQ(t.Accumulators()[k], sum) << "lag " << lag;
    }
    t.ClearAccumulators();
    for (int k = 0; k < kPitchLags; ++k) EXPECT_EQ(t.Accumulators()[k], 0);
    t.Feed(5);  // the ring was kept: lag 1 is the last value fed
    EXPECT_EQ(t.Accumulators()[65], std::abs(fed.back() - 5));
}

namespace {

vAMDFOutput_c SquareWave(int period, int count, int* valleys = nullptr) {
    vPitchTracker_c t;
    for (int n = 0; n < count; ++n) t.Feed((n % period) < period / 2 ? 1000 : -1000);
    vAMDFOutput_c out;
    t.Evaluate(out);
    if (valleys) *valleys = t.ValleyCount();
    return out;
}

}  // namespace

// The valley positions are the middles between entering a valley and leaving
// it, which lie a little beyond the true period: allow for that.
TEST(PitchTracker, PeriodOfASquareWave) {
    int32_t previous = 0;
    for (int period : {12, 16, 20, 25}) {
        const vAMDFOutput_c out = SquareWave(period, 84);
        EXPECT_NEAR(out.pitch, period * 110, period * 15) << period;
        EXPECT_GT(out.pitch, previous);
        previous = out.pitch;
        const double hz = 22050.0 / 8 / out.pitch * 100 + 2;
        EXPECT_NEAR(out.pitchFreq, hz * 100, hz * 0.1 + 1) << period;  // pitch is truncated
        const double semi = (std::log(out.pitchFreq / 100.0) / 0.05776226470753 - 75) * 100;
        EXPECT_EQ(out.semiTone, static_cast<int32_t>(semi));
    }
}

TEST(PitchTracker, OneValleyMeansAnInfinitePeriod) {
    // Period 40: only the small-lag region is a complete valley in lags 1..57.
    int valleys = 0;
    const vAMDFOutput_c out = SquareWave(40, 84, &valleys);
    EXPECT_EQ(valleys, 1);
    EXPECT_EQ(out.pitch, INT32_MIN);
    EXPECT_EQ(out.pitchFreq, 200);
    EXPECT_EQ(out.semiTone, -6299);
}

TEST(PitchTracker, NoValleyAndSilenceAreUnvoiced) {
    vPitchTracker_c flat;
    flat.Feed(1000);  // every lag differs by 1000: no valley is ever left
    vAMDFOutput_c out;
    out.pitch = out.pitchFreq = out.semiTone = 7;
    flat.Evaluate(out);
    EXPECT_EQ(flat.ValleyCount(), 0);
    EXPECT_EQ(out.pitch, -1);
    EXPECT_EQ(out.pitchFreq, -1);
    EXPECT_EQ(out.semiTone, -1);

    // A mean AMDF at the sense level is silence; one above it is evaluated.
    vPitchTracker_c quiet({400, 1.0, 0.6});
    for (int n = 0; n < 84; ++n) quiet.Feed((n % 20) < 10 ? 2 : -2);
    out.pitch = 7;
    quiet.Evaluate(out);
    EXPECT_EQ(out.pitch, -1);
    vPitchTracker_c loud({100, 1.0, 0.6});
    for (int n = 0; n < 84; ++n) loud.Feed((n % 20) < 10 ? 2 : -2);
    loud.Evaluate(out);
    EXPECT_NEAR(out.pitch, 2200, 300);
}

TEST(PitchTracker, TruncationToInt32) {
    EXPECT_EQ(TruncToInt32(-2.9), -2);
    EXPECT_EQ(TruncToInt32(2.9), 2);
    EXPECT_EQ(TruncToInt32(INFINITY), INT32_MIN);
    EXPECT_EQ(TruncToInt32(NAN), INT32_MIN);
    EXPECT_EQ(TruncToInt32(3e9), INT32_MIN);
    EXPECT_EQ(TruncToInt32(-2147483648.5), INT32_MIN);
}

// The two builds of the lag loop give the same bits, wrap-around included,
// over a long run of random values.
TEST(PitchTracker, LagLoopBuildsAgree) {
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(9);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    int32_t plain[kPitchLags] = {}, wide[kPitchLags] = {};
    std::vector<int32_t> ring(2 * kPitchLags);
    for (int n = 0; n < 20000; ++n) {
        for (auto& v : ring) v = n % 2 ? any(rng) : static_cast<int32_t>(rng() % 4096) - 2048;
        const int32_t v = any(rng);
        AccumulateLags(plain, ring.data() + n % kPitchLags, v);
        AccumulateLagsAVX2(wide, ring.data() + n % kPitchLags, v);
    }
    EXPECT_TRUE(std::equal(plain, plain + kPitchLags, wide));
}
