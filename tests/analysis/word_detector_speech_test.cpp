// The word detector with the default design and settings on real speech in
// room noise: espeak-ng words, each after a second of pink noise, the whole
// stream under pink noise at -50 dBFS, fed block by block as the microphone
// would deliver it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/hm_block_processor.h"
#include "analysis/log_energy.h"
#include "analysis/recording.h"
#include "analysis/word_detector.h"
#include "espeak_speech.h"
#include "test_banks.h"

namespace {

constexpr size_t kBlock = 224;
constexpr double kFrameMs = 1000.0 * kBlock / 22050;

// A detected word: the first and last frame of the handed-over recording
// that are loud by the detector's own level, as positions in the stream.
struct Word {
    int64_t first, last;
};

struct Collector : vWordListener_i {
    explicit Collector(const vWordDetector_c& d) : detector(d) {}
    void Suspend() override {}
    void WordRecorded(vRecording_c& rec) override {
        int32_t first = -1, last = -1;
        for (int32_t i = 0; i < rec.RecPos(); ++i)
            if (rec.Frame(i).fullBand > detector.Settings().trigLevel) {
                if (first < 0) first = i;
                last = i;
            }
        words.push_back({detector.FirstFrameIndex() + first, detector.FirstFrameIndex() + last});
        rec.Rewind();
    }
    void Resume() override {}
    const vWordDetector_c& detector;
    std::vector<Word> words;
};

std::vector<Word> Detect(const std::vector<int16_t>& stream) {
    InitLogScale();
    vHMProcessorSetup_c setup;
    setup.coefficients = SourceFile("data/english/coef.dat");
    setup.calibration = SourceFile("data/english/calib.txt");
    vHMBlockProcessor_c processor(setup);
    vWordDetector_c detector(vWordDetectorSettings_c{});
    vRecording_c rec(vRecording_c::kLoaderCapacity);
    Collector collector(detector);
    detector.StartListening(rec);
    for (size_t pos = 0; pos + kBlock <= stream.size(); pos += kBlock)
        detector.ProcessBuffer(stream.data() + pos, kBlock, processor, rec, collector);
    return collector.words;
}

const char* const kWords[] = {"window", "banana", "telephone", "yellow"};

// The words with their peak at peakDb, each after a second of quiet, and a
// second after the last; truth receives each word's first and last sample.
std::vector<int16_t> WordsInNoise(double peakDb, std::vector<std::pair<size_t, size_t>>& truth) {
    const size_t gap = 22050;
    std::vector<int16_t> s(gap, 0);
    for (const char* w : kWords) {
        const auto word = Speech(w, peakDb, true);
        if (word.empty()) return {};
        truth.emplace_back(s.size(), s.size() + word.size() - 1);
        s.insert(s.end(), word.begin(), word.end());
        s.resize(s.size() + gap, 0);
    }
    const auto noise = PinkNoise(s.size(), -50);
    if (noise.empty()) return {};
    for (size_t n = 0; n < s.size(); ++n)
        s[n] = static_cast<int16_t>(std::clamp(s[n] + noise[n], -32768, 32767));
    return s;
}

}  // namespace

TEST(WordDetectorSpeech, WordsAtNormalLevelsAreFoundWithTheirEdges) {
    for (double peak : {-9.0, -18.0}) {
        std::vector<std::pair<size_t, size_t>> truth;
        const auto stream = WordsInNoise(peak, truth);
        if (stream.empty()) GTEST_SKIP() << "espeak-ng or sox is not available";
        const auto words = Detect(stream);
        ASSERT_EQ(words.size(), truth.size()) << "peak " << peak << " dBFS";
        for (size_t k = 0; k < words.size(); ++k) {
            // A frame's time is its first sample's; the word's last frame
            // holds its last sample.
            const double begin = words[k].first * kFrameMs, end = (words[k].last + 1) * kFrameMs;
            const double trueBegin = truth[k].first * 1000.0 / 22050, trueEnd = (truth[k].second + 1) * 1000.0 / 22050;
            std::printf("%s at %.0f dBFS: word %.0f-%.0f ms, detected %.0f-%.0f ms\n", kWords[k], peak,
                        trueBegin, trueEnd, begin, end);
            EXPECT_NEAR(begin, trueBegin, 60) << kWords[k] << " at " << peak << " dBFS";
            EXPECT_NEAR(end, trueEnd, 60) << kWords[k] << " at " << peak << " dBFS";
        }
    }
}

TEST(WordDetectorSpeech, RoomNoiseAloneStartsNoWord) {
    const auto noise = PinkNoise(22050 * 10, -50);
    if (noise.empty()) GTEST_SKIP() << "sox is not available";
    EXPECT_TRUE(Detect(noise).empty());
}
