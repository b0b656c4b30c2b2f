// The word judge on real speech: a recording is judged by itself alone,
// whatever the processor analysed before, so a word scores 0 against itself
// and a few units against itself turned down 12 dB. Markers carried from one
// voice's word onto another voice's land where that voice's sounds begin.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "../espeak_speech.h"
#include "analysis/hm_block_processor.h"
#include "analysis/markers.h"
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

// The word's frames where a hissing sound starts or stops: the
// energy-weighted band index (where in the 20 bands the energy lies)
// crosses 9 and stays across for three frames. An analysed recording.
std::vector<int32_t> HissEdges(const vRecording_c& rec) {
    auto bright = [&](int32_t f) {
        double weighted = 0, total = 0;
        for (int k = 0; k < kBandCount; ++k) {
            const double v = std::max(rec.Frame(f).channels[k], 0);
            weighted += v * k, total += v;
        }
        return total > 0 && weighted >= 9 * total;
    };
    std::vector<int32_t> edges;
    bool hissing = bright(rec.WordBegin());
    for (int32_t f = rec.WordBegin() + 1; f + 2 < rec.WordEnd(); ++f)
        if (bright(f) != hissing && bright(f + 1) != hissing && bright(f + 2) != hissing) {
            hissing = !hissing;
            edges.push_back(f);
        }
    return edges;
}

std::vector<int16_t> Voice(const std::string& text, const std::string& voice, int speed, int pitch) {
    return RawFromShell("espeak-ng -v " + voice + " -s " + std::to_string(speed) + " -p " + std::to_string(pitch) +
                        " -w speech.wav '" + text + "' && sox speech.wav" + kToRaw + " gain -n -1");
}

}  // namespace

TEST(WordJudge, CarriedMarkersLandOnTheSameSoundsOfAnotherVoice) {
    // s | o | f | a: three edges between hissing and voiced sounds.
    const std::vector<int16_t> first = Voice("sofa", "en", 140, 50), second = Voice("sofa", "en-us", 105, 75);
    if (first.empty() || second.empty()) GTEST_SKIP() << "espeak-ng or sox missing";
    auto processor = BundledProcessor();
    vWordJudge_c judge(vWordScoreSettings_c{}, *processor);
    vRecording_c from = RecordingOf(first), to = RecordingOf(second);
    judge.Prepare(from);
    judge.Prepare(to);
    const std::vector<int32_t> fromEdges = HissEdges(from), toEdges = HissEdges(to);
    ASSERT_EQ(fromEdges.size(), 3u);
    ASSERT_EQ(toEdges.size(), 3u);
    // The first voice's sounds marked where they begin, as a course's etalon is.
    const char* codes[] = {"s", "@U", "f", "@"};
    for (int i = 0; i < 4; ++i) {
        auto m = std::make_unique<vSegmentMarker_c>();
        m->segmentCode = m->label = codes[i];
        m->SetPos(i == 0 ? 0 : fromEdges[static_cast<size_t>(i - 1)] - from.WordBegin(), false);
        from.Markers().Add(std::move(m));
    }
    judge.Prepare(from);

    judge.CarryMarkers(from, to);
    ASSERT_EQ(to.Markers().Count(), 4u);
    const int32_t tolerance = 3;  // frames of 10 ms
    EXPECT_NEAR(to.Markers()[0].GetPos(true), to.WordBegin(), tolerance);
    for (size_t i = 1; i < 4; ++i) {
        const auto& m = dynamic_cast<const vSegmentMarker_c&>(to.Markers()[i]);
        EXPECT_EQ(m.segmentCode, codes[i]);
        EXPECT_NEAR(m.GetPos(true), toEdges[i - 1], tolerance) << m.label;
        EXPECT_GT(m.GetPos(true), to.Markers()[i - 1].GetPos(true));
    }
    // Carrying leaves the judge's last say alone.
    EXPECT_EQ(judge.Warp(), nullptr);
}

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
