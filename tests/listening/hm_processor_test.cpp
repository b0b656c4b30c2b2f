#include "listening/hm_processor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/hm_block_processor.h"
#include "audio_fixture.h"

namespace {

using platform::AudioBuffer;
constexpr int kWindow = 224;
const std::string kData = std::string(LORVANO_SOURCE_DIR) + "/data/english/";

// Two analysis windows per capture buffer, as a real-time exercise frames them.
class Analyser : public vHMProcessor_c {
public:
    explicit Analyser(vWindow_c& w) : vHMProcessor_c(2 * kWindow) { AttachToWindow(w); }
    void ProcessBuffer(AudioBuffer* h) override {
        samples.insert(samples.end(), SamplesOf(h), SamplesOf(h) + SampleCountOf(h));
        for (int w = 0; w < 2; ++w) {
            ResetEnergies();
            for (int s = 0; s < kWindow / 8; ++s) FilterStep();
            frames.emplace_back();
            StoreEnergies(frames.back());
        }
    }
    std::vector<std::int16_t> samples;  // as the bank saw them
    std::vector<vAllHmData_c> frames;
};

class HMProcessor : public audio_test::AudioFixture {
protected:
    void SetUp() override {
        AudioFixture::SetUp();
        WriteSettings("PreAllocNum=3\nPreAmp=1.25\nCoeficients=" + kData + "coef.dat\nEqualize=" + kData +
                      "calib.txt\nEqulize=" + kData + "calib.txt\n");
    }
    // The same samples through the block processor, window by window.
    void ExpectSameAsBlocks(const Analyser& a) {
        vHMBlockProcessor_c block;
        ASSERT_EQ(block.PreAmp256(), 320);
        ASSERT_EQ(a.samples.size(), a.frames.size() * kWindow);
        for (std::size_t f = 0; f < a.frames.size(); ++f) {
            vAllHmData_c expected;
            block.ProcessBlock(a.samples.data() + f * kWindow, kWindow, false, expected, true, false);
            for (int b = 0; b < kBandCount; ++b) ASSERT_EQ(a.frames[f].channels[b], expected.channels[b]) << f << " " << b;
            ASSERT_EQ(a.frames[f].lowBand, expected.lowBand) << f;
            ASSERT_EQ(a.frames[f].fullBand, expected.fullBand) << f;
        }
    }
};

TEST_F(HMProcessor, CaptureGivesTheBandEnergiesOfTheBlockProcessor) {
    // A vowel-like mixture with a rising level, so that every band has work.
    std::vector<std::int16_t> voice(kWindow * 24);
    for (std::size_t i = 0; i < voice.size(); ++i) {
        const double t = i / 22050.0;
        voice[i] = static_cast<std::int16_t>((500 + 40 * i / kWindow) *
                                             (3 * std::sin(2 * M_PI * 180 * t) + 2 * std::sin(2 * M_PI * 900 * t) +
                                              std::sin(2 * M_PI * 2600 * t) + 0.5 * std::sin(2 * M_PI * 7000 * t)));
    }
    SetInput(voice);
    Analyser a(window);
    a.Open(-1, 22050, 1, 16);
    a.Start();
    ASSERT_TRUE(PumpUntil([&] { return a.frames.size() >= 24; }));
    a.Close();
    EXPECT_EQ(std::vector<std::int16_t>(a.samples.begin(), a.samples.begin() + voice.size()), voice);
    EXPECT_GT(a.frames[10].channels[5], -100000);  // real energies, not the floor
    ExpectSameAsBlocks(a);
}

TEST_F(HMProcessor, TheToneIsAnalysedLikeAnyOtherSignal) {
    Analyser a(window);
    a.SetTone(true);
    a.SetToneFrequency(1500);
    a.SetToneAmplitude(0.5);
    a.Open(-1, 22050, 1, 16);
    a.Start();
    ASSERT_TRUE(PumpUntil([&] { return a.frames.size() >= 16; }));
    a.Close();
    ExpectSameAsBlocks(a);
}

TEST_F(HMProcessor, ReadsTheCurrentBufferAndZeroPastItsEnd) {
    Analyser a(window);
    EXPECT_EQ(a.NextSample(), 0);
    try {
        a.ApplyWindowAtReadPosition(kWindow);
        FAIL() << "no buffer";
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Cannot apply window to no data! (_Buffer == NULL)");
    }
    vWaveBuffer_c buffer(10 * 2);
    for (int i = 0; i < 10; ++i) buffer.Samples()[i] = static_cast<std::int16_t>(i - 5);
    a.PreprocessBuffer(buffer.Header());
    for (int i = 0; i < 10; ++i) EXPECT_EQ(a.NextSample(), (i - 5) * 320);
    EXPECT_EQ(a.NextSample(), 0);
    EXPECT_EQ(a.NextSample(), 0);
    // The next buffer starts from its first sample again.
    a.PreprocessBuffer(buffer.Header());
    a.Skip(9);
    EXPECT_EQ(a.NextSample(), 4 * 320);
}

TEST_F(HMProcessor, WithoutAUsableWindowFileEveryWindowEntryIsOne) {
    const std::string bank = "Coeficients=" + kData + "coef.dat\n";
    WriteSettings(bank);
    Analyser plain(window);
    EXPECT_EQ(plain.Gain(), 256);
    std::ofstream((dir / "bad_window.txt").string()) << "not a window";
    WriteSettings(bank + "PreAmp=1.5\nWindow=" + (dir / "bad_window.txt").string() + "\n");
    Analyser damaged(window);
    EXPECT_EQ(damaged.Gain(), 384);
    for (const Analyser* a : {&plain, &damaged})
        EXPECT_TRUE(std::all_of(a->WindowTable(), a->WindowTable() + kWindow, [](std::int32_t w) { return w == 1024; }));
}

TEST_F(HMProcessor, AMissingCoefficientFileIsAConstructionError) {
    WriteSettings("Coeficients=" + (dir / "none.dat").string() + "\n");
    EXPECT_THROW(Analyser a(window), vException_c);
}

}  // namespace
