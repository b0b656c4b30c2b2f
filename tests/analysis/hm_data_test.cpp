#include <gtest/gtest.h>

#include "analysis/hm_data.h"

TEST(HmData, NewFrameIsUnvoicedWithoutSamples) {
    vAllHmData_c f;
    EXPECT_EQ(f.pitch, -1);
    EXPECT_EQ(f.pitchFreq, -1);
    EXPECT_EQ(f.semiTone, -1);
    EXPECT_EQ(f.Samples(), nullptr);
    EXPECT_EQ(f.SampleCount(), 0);
    EXPECT_EQ(f.Spirant(), -1);
}

TEST(HmData, SetSamplesCopiesReallocatesAndFrees) {
    vAllHmData_c f;
    const int16_t a[4] = {1, -2, 3, -4};
    f.SetSamples(a, 4);
    ASSERT_NE(f.Samples(), a);
    EXPECT_EQ(f.SampleCount(), 4);
    EXPECT_EQ(f.Samples()[3], -4);
    const int16_t* buffer = f.Samples();
    const int16_t b[4] = {5, 6, 7, 8};
    f.SetSamples(b, 4);  // same size: the buffer is reused
    EXPECT_EQ(f.Samples(), buffer);
    EXPECT_EQ(f.Samples()[0], 5);
    f.SetSamples(f.Samples(), 2);  // own buffer: nothing happens
    EXPECT_EQ(f.SampleCount(), 4);
    f.SetSamples(a, 2);
    EXPECT_EQ(f.SampleCount(), 2);
    EXPECT_EQ(f.Samples()[1], -2);
    f.SetSamples(nullptr, 7);
    EXPECT_EQ(f.Samples(), nullptr);
    EXPECT_EQ(f.SampleCount(), 0);
}

TEST(HmData, CopyIsDeep) {
    vAllHmData_c f;
    for (int i = 0; i < kBandCount; ++i) f.channels[i] = i * 10;
    f.fullBand = 4000;
    f.lowBand = 3000;
    f.pitch = 1234;
    f.pitchFreq = 20000;
    f.semiTone = 500;
    f.SetSpirant();
    const int16_t s[3] = {7, 8, 9};
    f.SetSamples(s, 3);
    vAllHmData_c g;
    g = f;
    EXPECT_EQ(g.channels[19], 190);
    EXPECT_EQ(g.fullBand, 4000);
    EXPECT_EQ(g.lowBand, 3000);
    EXPECT_EQ(g.pitch, 1234);
    EXPECT_EQ(g.pitchFreq, 20000);
    EXPECT_EQ(g.semiTone, 500);
    EXPECT_EQ(g.Spirant(), 1);
    ASSERT_EQ(g.SampleCount(), 3);
    EXPECT_NE(g.Samples(), f.Samples());
    EXPECT_EQ(g.Samples()[2], 9);
}

TEST(HmData, SpirantIsTheCentroidOfPositiveBandsAndIsCached) {
    vAllHmData_c f;
    for (int& c : f.channels) c = 0;
    f.channels[2] = 100;   // sum 2*100 + 18*300 = 5600, total 400: centroid 14
    f.channels[18] = 300;
    f.channels[19] = -500;  // ignored: not positive
    EXPECT_TRUE(f.IsSpirant(13));
    f.ResetSpirant();
    EXPECT_FALSE(f.IsSpirant(14));  // 14 < 14 is false
    f.channels[2] = 100000;         // cached: no recomputation until reset
    EXPECT_FALSE(f.IsSpirant(0));
    f.SetSpirant();
    EXPECT_TRUE(f.IsSpirant(100));
    f.ClearSpirant();
    EXPECT_FALSE(f.IsSpirant(-100));
    vAllHmData_c silent;
    for (int& c : silent.channels) c = -3000;
    EXPECT_FALSE(silent.IsSpirant(-1));  // total 0
}
