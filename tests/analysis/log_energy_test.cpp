#include <gtest/gtest.h>

#include "analysis/log_energy.h"

TEST(LogEnergy, GoldenValues) {
    InitLogScale();
    EXPECT_EQ(LogEnergy(0), INT32_MIN);
    EXPECT_EQ(LogEnergy(255), INT32_MIN);
    EXPECT_EQ(LogEnergy(256), -4000);
    EXPECT_EQ(LogEnergy(384), -3699);
    EXPECT_EQ(LogEnergy(511), -3400);  // m = 255: T[255] = 600
    EXPECT_EQ(LogEnergy(512), -3400);
    EXPECT_EQ(LogEnergy(1u << 23), 5000);
    EXPECT_EQ(LogEnergy(1u << 26), 6800);  // a full-scale sine at a band's centre
    EXPECT_EQ(LogEnergy(1u << 27), 7400);  // the same at PreAmp 2
    EXPECT_EQ(LogEnergy(0xffffffffu), 10400);
    // T[187] = trunc(187 / 255 * 600) = trunc(439.99999...) = 439.
    EXPECT_EQ(LogEnergy(256 + 187), -4000 + 439);
}

TEST(LogEnergy, DoublingAddsKAndLowBitsAreIgnored) {
    InitLogScale();
    for (uint32_t e = 256; e < (1u << 31); e = e * 2 + 37) {
        EXPECT_EQ(LogEnergy(e * 2) - LogEnergy(e), 600) << e;
        EXPECT_LE(LogEnergy(e), LogEnergy(e + 1));
    }
    // Only the 8 bits below the top bit count.
    EXPECT_EQ(LogEnergy(0x12345678u), LogEnergy(0x12300000u));
}

TEST(LogEnergy, OtherScale) {
    InitLogScale(300);
    EXPECT_EQ(LogEnergy(1u << 23), 5000);
    EXPECT_EQ(LogEnergy(1u << 24), 5300);
    EXPECT_EQ(LogEnergy(256), 5000 - 15 * 300);
    InitLogScale();
    EXPECT_EQ(LogEnergy(1u << 24), 5600);
}
