// The word judge on real speech: a recording is judged by itself alone,
// whatever the processor analysed before, so a word scores 0 against itself
// and a few units against itself turned down 12 dB. Markers carried from one
// voice's word onto another voice's land where that voice's sounds begin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "../espeak_speech.h"
#include "analysis/hm_block_processor.h"
#include "analysis/markers.h"
#include "analysis/recording.h"
#include "analysis/scoring/mark_source.h"
#include "analysis/scoring/word_judge.h"
#include "platform/regular_file.h"
#include "settings/settings.h"

namespace {

const std::string kLanguage = std::string(LORVANO_SOURCE_DIR) + "/data/english";

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

// The bundled settings without the warp's and the cohort's newer keys, plus
// the lines given after their sections' headers; the settings store reads it.
class LanguageSettings {
public:
    LanguageSettings(const std::string& timeWarp, const std::string& resDisplay)
        : path((std::filesystem::temp_directory_path() / ("lorvano_judge_" + std::to_string(::getpid()) + ".ini")).string()) {
        std::ifstream in(kLanguage + "/trainer.ini");
        std::ostringstream out;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("MeanRemoval", 0) == 0 || line.rfind("FrameFloor", 0) == 0 ||
                line.rfind("SlopeLimit", 0) == 0 || line.rfind("CohortSize", 0) == 0)
                continue;
            out << line << "\n";
            if (line.rfind("[TimeWarp]", 0) == 0) out << timeWarp;
            if (line.rfind("[ResDisplay]", 0) == 0) out << resDisplay;
        }
        std::ofstream(path) << out.str();
        gSettings.SetFileName(path.c_str());
    }
    ~LanguageSettings() {
        gSettings.SetFileName(nullptr);
        std::filesystem::remove(path);
    }
    const std::string path;
};

// The warp as it has always been: every cell adds its distance (bands below
// the floor count as the floor) to the cheapest of its three predecessors;
// the path goes back left when that is strictly cheapest, down when not
// dearer than left and cheaper than the diagonal, else diagonally.
int32_t PlainDistance(const vRecording_c& etalon, const vRecording_c& say, int32_t floor) {
    const int n = etalon.RecSize(), m = say.RecSize();
    const int64_t inf = INT64_MAX / 4;
    std::vector<int64_t> D(static_cast<size_t>(n) * m);
    auto at = [&](int i, int j) { return i < 0 || j < 0 ? (i < 0 && j < 0 ? 0 : inf) : D[static_cast<size_t>(j) * n + i]; };
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) {
            int64_t d = 0;
            for (int k = 0; k < kBandCount; ++k)
                d += std::llabs(int64_t{std::max(etalon.WordFrame(i).channels[k], floor)} -
                                std::max(say.WordFrame(j).channels[k], floor));
            D[static_cast<size_t>(j) * n + i] = d + std::min({at(i - 1, j), at(i, j - 1), at(i - 1, j - 1)});
        }
    int i = n - 1, j = m - 1, steps = 0;
    for (; i > 0 || j > 0; ++steps) {
        const int64_t A = at(i - 1, j), B = at(i, j - 1), C = at(i - 1, j - 1);
        if (i == 0) --j;
        else if (j == 0) --i;
        else if (A < B && A < C) --i;
        else if (A >= B && B < C) --j;
        else --i, --j;
    }
    return static_cast<int32_t>(D.back() / std::max(steps, 1));
}

vRecording_c Bundled(const std::string& word) {
    vRecording_c rec;
    rec.LoadWave(kLanguage + "/Words/" + word + ".wav");
    return rec;
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

TEST(WordJudge, ALanguageWithoutTheNewSettingsMarksAsThePlainWarp) {
    const std::vector<int16_t> sea = Speech("sea", -1), fish = Speech("fish", -1);
    if (sea.empty() || fish.empty()) GTEST_SKIP() << "espeak-ng or sox missing";
    LanguageSettings language("", "");
    const vWordScoreSettings_c s = vWordScoreSettings_c::Read();
    ASSERT_EQ(s.FrameLevel(), s.dontCareLevel);
    auto processor = BundledProcessor();
    vWordJudge_c judge(s, *processor);
    EXPECT_EQ(judge.SetCohort({kLanguage + "/Words/Fish.wav"}, [](const std::string& f, vRecording_c& r) { r.LoadWave(f); }), 0);
    for (const char* word : {"S/Sea", "Fish"}) {
        vRecording_c etalon = Bundled(word);
        judge.SetEtalon(etalon);
        for (const auto* samples : {&sea, &fish}) {
            vRecording_c say = RecordingOf(*samples);
            const vWordJudgment_c j = judge.Judge(etalon, say);
            const int32_t plain = PlainDistance(etalon, say, s.dontCareLevel);
            EXPECT_EQ(j.distance, plain) << word;
            EXPECT_EQ(j.wordMark, MarkFromDistance(plain, s.minResult, s.maxResult)) << word;
            EXPECT_EQ(j.cohortScore, -1);
        }
    }
}

TEST(WordJudge, NormalisedWarpAndCohortRankTheSameWordFirst) {
    const std::vector<int16_t> sea = Speech("sea", -1);
    if (sea.empty()) GTEST_SKIP() << "espeak-ng or sox missing";
    LanguageSettings language("MeanRemoval=TRUE\nFrameFloor=1000\nSlopeLimit=TRUE\n", "CohortSize=8\n");
    const vWordScoreSettings_c s = vWordScoreSettings_c::Read();
    ASSERT_TRUE(s.meanRemoval && s.slopeLimit);
    ASSERT_EQ(s.FrameLevel(), 1000);
    ASSERT_EQ(s.cohortSize, 8);
    auto processor = BundledProcessor();
    vWordJudge_c judge(s, *processor);
    const std::string own = kLanguage + "/Words/S/Sea.wav";
    const std::vector<std::string> cohort = ChooseCohort(platform::ListRegularFiles(kLanguage + "/Words", ".wav"), own, 8);
    ASSERT_EQ(cohort.size(), 8u);
    EXPECT_EQ(std::count(cohort.begin(), cohort.end(), own), 0);
    const auto load = [](const std::string& f, vRecording_c& r) { r.LoadWave(f); };
    // Too few etalons: the plain distance, no failure.
    EXPECT_EQ(judge.SetCohort({cohort.begin(), cohort.begin() + 3}, load), 0);
    ASSERT_EQ(judge.SetCohort(cohort, load), 8);

    vRecording_c etalon = Bundled("S/Sea");
    judge.SetEtalon(etalon);
    vRecording_c same = RecordingOf(sea);
    const vWordJudgment_c right = judge.Judge(etalon, same);
    ASSERT_GT(right.cohortScore, 0);
    for (const char* other : {"shoe", "moon", "fish", "key"}) {
        vRecording_c say = RecordingOf(Speech(other, -1));
        const vWordJudgment_c wrong = judge.Judge(etalon, say);
        EXPECT_LT(right.cohortScore, wrong.cohortScore) << other;
        EXPECT_GE(right.wordMark, wrong.wordMark) << other;
    }
}

// The fused mark keeps the two judges' own marks at the ends of the weight
// and lies between them elsewhere.
TEST(MarkSource, FusionKeepsEachJudgesMarkAtItsEndAndLiesBetweenThem) {
    vMarkSourceSettings_c s;
    s.acousticMinResult = 6000;
    s.acousticMaxResult = 3000;
    for (int32_t d = -500; d <= 9000; d += 37) {
        const int32_t acoustic = MarkFromDistance(d, s.acousticMinResult, s.acousticMaxResult);
        for (int32_t warp = 1; warp <= 5; ++warp) {
            s.fusionWeight = 100;
            EXPECT_EQ(s.Fused(d, warp), acoustic) << d;
            s.fusionWeight = 0;
            EXPECT_EQ(s.Fused(d, warp), warp) << d;
            s.fusionWeight = 40;
            EXPECT_GE(s.Fused(d, warp), std::min(acoustic, warp)) << d << " " << warp;
            EXPECT_LE(s.Fused(d, warp), std::max(acoustic, warp)) << d << " " << warp;
        }
    }
    // Half and half: a say just inside the acoustic mark 5 (position 4.5)
    // with the warp's 4 is a 4; one far beyond the acoustic mark 1 counts
    // as 0.5, not less, so the warp's 5 still makes it a 3.
    s.fusionWeight = 50;
    EXPECT_EQ(s.Fused(2999, 4), 4);
    EXPECT_EQ(s.Fused(60000, 5), 3);
}
