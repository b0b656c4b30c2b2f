#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "analysis/hm_block_processor.h"
#include "analysis/log_energy.h"
#include "analysis/recording.h"
#include "platform/exception.h"

namespace {

std::unique_ptr<vHMBlockProcessor_c> BundledProcessor() {
    vHMProcessorSetup_c setup;
    setup.coefficients = std::string(LORVANO_SOURCE_DIR) + "/data/english/coef.dat";
    setup.calibration = std::string(LORVANO_SOURCE_DIR) + "/data/english/calib.txt";
    return std::make_unique<vHMBlockProcessor_c>(setup);
}

// A recording of frames with samples: silence, then a tone of the given
// amplitude for frames [from, to), then silence.
vRecording_c ToneRecording(int frames, int from, int to, double amplitude) {
    vRecording_c rec(frames + 1);
    int16_t block[224];
    for (int f = 0; f < frames; ++f) {
        for (int i = 0; i < 224; ++i)
            block[i] = f >= from && f < to ? static_cast<int16_t>(amplitude * std::sin((f * 224 + i) * 2 * M_PI * 700 / 22050.0)) : 0;
        vAllHmData_c frame;
        frame.SetSamples(block, 224);
        rec.AppendFrame(frame, false, false);
    }
    return rec;
}

}  // namespace

TEST(Calculate, RefusesWithoutDataOrProcessor) {
    vRecording_c none;
    try {
        none.Calculate(2000, 2, 0, true, 10);
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Cannot calculate if no data is available!");
    }
    vRecording_c rec = ToneRecording(3, 0, 3, 1000);
    try {
        rec.Calculate(2000, 2, 0, true, 10);
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Cannot calculate from wave data if Porcessor is NULL");
    }
}

TEST(Calculate, AllZeroRecording) {
    auto processor = BundledProcessor();
    vRecording_c rec = ToneRecording(12, 0, 0, 0);
    rec.SetProcessor(processor.get());
    rec.Calculate(2000, 2, 0, true, 10);
    EXPECT_TRUE(rec.FiltersValid());
    EXPECT_EQ(rec.WordBegin(), 0);
    EXPECT_EQ(rec.WordEnd(), 12);
    EXPECT_EQ(rec.RecSize(), 12);
    // Every band repaired to -3000. No frame has a full band on the log
    // scale, so there is nothing to normalise to: the levels stay (a shift of
    // 5000 - (-2147483647) would not fit 32 bits).
    for (int p = 0; p < 12; ++p) {
        for (int i = 0; i < kBandCount; ++i) ASSERT_EQ(rec.Frame(p).channels[i], -3000) << p << " " << i;
        EXPECT_EQ(rec.Frame(p).fullBand, kLogFloor);
        EXPECT_EQ(rec.Frame(p).lowBand, kLogFloor);
    }
    for (int i = 0; i < 224; ++i) ASSERT_EQ(rec.Frame(3).Samples()[i], 0);
}

TEST(Calculate, WordSectionLevelsAndSamples) {
    auto processor = BundledProcessor();
    vRecording_c rec = ToneRecording(60, 20, 40, 12000);
    rec.SetProcessor(processor.get());
    auto marker = std::make_unique<vSegmentMarker_c>();
    marker->SetPos(3, false);
    rec.Markers().Add(std::move(marker));
    rec.Calculate(2000, 2, 0, true, 10);
    int32_t maxFull = INT32_MIN;
    for (int p = 0; p < rec.RecPos(); ++p) maxFull = std::max(maxFull, rec.Frame(p).fullBand);
    EXPECT_EQ(maxFull, 5000);
    // The tone reads above 5000 before the shift (a 12000 sine: about 6800 -
    // 8.7 dB); the silent frames' full band stays at the floor instead of
    // wrapping around.
    EXPECT_GT(rec.MaxFullBand(), 5000);
    EXPECT_EQ(rec.Frame(5).fullBand, kLogFloor);
    // The tone (with the filters' ring-in and decay) is the word.
    EXPECT_GE(rec.WordBegin(), 19);
    EXPECT_LE(rec.WordBegin(), 21);
    EXPECT_GE(rec.WordEnd(), 39);
    EXPECT_LE(rec.WordEnd(), 45);
    EXPECT_EQ(rec.RecSize(), rec.WordEnd() - rec.WordBegin());
    // The peak sample lands on 32000.
    int peak = 0;
    for (int p = 0; p < rec.RecPos(); ++p)
        for (int i = 0; i < 224; ++i) peak = std::max(peak, std::abs(int(rec.Frame(p).Samples()[i])));
    EXPECT_GE(peak, 31990);
    EXPECT_LE(peak, 32000);
    EXPECT_TRUE(rec.Markers()[0].IsAbsolute());
    EXPECT_EQ(rec.Markers()[0].GetPos(true), rec.WordBegin() + 3);
    EXPECT_TRUE(rec.Modified());

    // The word section goes out raw.
    const std::string path = ::testing::TempDir() + "/lorvano_word.raw";
    EXPECT_EQ(rec.SaveWordRaw(path, false), static_cast<int64_t>(rec.RecSize()) * 224);
    std::remove(path.c_str());
}

TEST(Calculate, StopsAtTheFirstFrameWithoutSamples) {
    auto processor = BundledProcessor();
    vRecording_c rec = ToneRecording(7, 0, 7, 5000);
    vAllHmData_c empty;
    for (int i = 0; i < 3; ++i) rec.AppendFrame(empty, false, false);
    rec.SetProcessor(processor.get());
    rec.Calculate(2000, 2, 0, false, 10);
    EXPECT_EQ(rec.RecPos(), 7);
    // Mean normalisation: the mean full band becomes 3000.
    int64_t sum = 0;
    for (int p = 0; p < 7; ++p) sum += rec.Frame(p).fullBand;
    EXPECT_NEAR(static_cast<double>(sum) / 7, 3000, 1);
}
