// The capture volume in percent: the conversion to and from the mixer's
// range, and a machine without a usable control.

#include "platform/mixer.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Mixer, TopAndBottomOfTheSliderAreTheEndsOfTheRange) {
    EXPECT_EQ(PercentToMixer(100, 0, 65535), 65535);
    EXPECT_EQ(PercentToMixer(0, 0, 65535), 0);
    EXPECT_EQ(PercentToMixer(250, 0, 65535), 65535);  // above 100 counts as 100
    EXPECT_EQ(PercentToMixer(50, 0, 65535), 32768);    // 32767.5 rounds up
    EXPECT_EQ(MixerToPercent(65535, 0, 65535), 100u);
    EXPECT_EQ(MixerToPercent(0, 0, 65535), 0u);
    EXPECT_EQ(MixerToPercent(32768, 0, 65535), 50u);
    // A card's own range, e.g. 0..31 steps or a dB-like -20..10.
    EXPECT_EQ(PercentToMixer(50, 0, 31), 16);
    EXPECT_EQ(MixerToPercent(16, 0, 31), 52u);
    EXPECT_EQ(PercentToMixer(100, -20, 10), 10);
    EXPECT_EQ(PercentToMixer(0, -20, 10), -20);
    EXPECT_EQ(MixerToPercent(-5, -20, 10), 50u);
}

TEST(Mixer, WithoutAControlEveryCallDoesNothing) {
    CaptureVolume volume;
    if (volume.Valid()) GTEST_SKIP() << "this machine has the capture control " << volume.ControlName();
    EXPECT_EQ(volume.Get(), std::nullopt);
    EXPECT_FALSE(volume.Set(50));
    EXPECT_EQ(volume.ControlName(), "");
}
