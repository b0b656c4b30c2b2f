// The word judge on real speech: a recording is judged by itself alone,
// whatever the processor analysed before, so a word scores 0 against itself
// and a few units against itself turned down 12 dB.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "../espeak_speech.h"
#include "analysis/hm_block_processor.h"
#include "analysis/recording.h"
#include "analysis/scoring/word_judge.h"

namespace {

std::unique_ptr<vHMBlockProcessor_c> BundledProcessor() {
    vHMProcessorSetup_c setup;
    setup.coefficients = std::string(LORVANO_SOURCE_DIR) + "/data/english/coef.dat";
    setup.calibration = std::string(LORVANO_SOURCE_DIR) + "/data/english/calib.txt";
    return std::make_unique<vHMBlockProcessor_c>(setup);
}

// Samples as the word detector's frames, not yet analysed.
vRecording_c RecordingOf(const std::vector<int16_t>& samples, double gain = 1) {
    vRecording_c rec(static_cast<int32_t>(samples.size() / 224) + 1);
    int16_t block[224];
    for (size_t at = 0; at + 224 <= samples.size(); at += 224) {
        for (int i = 0; i < 224; ++i) block[i] = static_cast<int16_t>(std::lround(samples[at + i] * gain));
        vAllHmData_c frame;
        frame.SetSamples(block, 224);
        rec.AppendFrame(frame, false, false);
    }
    return rec;
}

}  // namespace

TEST(WordJudge, AWordIsJudgedFromItsOwnSamplesAlone) {
    // Trimmed: the word starts loud at its first sample, where a filter
    // state left from an earlier recording shows most.
    const std::vector<int16_t> saw = Speech("saw", -1, true), fish = Speech("fish", -1, true);
    if (saw.empty() || fish.empty()) GTEST_SKIP() << "espeak-ng or sox missing";
    auto processor = BundledProcessor();
    vWordJudge_c judge(vWordScoreSettings_c{}, *processor);

    vRecording_c etalon = RecordingOf(saw);
    judge.SetEtalon(etalon);
    vRecording_c same = RecordingOf(saw);
    const vWordJudgment_c self = judge.Judge(etalon, same);
    EXPECT_EQ(self.distance, 0);
    EXPECT_EQ(self.mark, 5);

    // A loud other word first leaves the bank ringing; the quiet say must not hear it.
    vRecording_c other = RecordingOf(fish);
    judge.Judge(etalon, other);
    vRecording_c quiet = RecordingOf(saw, std::pow(10, -12 / 20.0));
    const vWordJudgment_c down = judge.Judge(etalon, quiet);
    EXPECT_LE(down.distance, 40);
    EXPECT_EQ(quiet.RecSize(), etalon.RecSize());
    EXPECT_EQ(down.mark, 5);

    // The same say with a processor that never heard anything: the same frames.
    auto fresh = BundledProcessor();
    vWordJudge_c newJudge(vWordScoreSettings_c{}, *fresh);
    vRecording_c quietAgain = RecordingOf(saw, std::pow(10, -12 / 20.0));
    newJudge.Prepare(quietAgain);
    for (int32_t i = 0; i < quiet.RecPos(); ++i)
        for (int k = 0; k < kBandCount; ++k) ASSERT_EQ(quiet.Frame(i).channels[k], quietAgain.Frame(i).channels[k]) << i;
    EXPECT_EQ(newJudge.Judge(etalon, quietAgain).distance, down.distance);
}
