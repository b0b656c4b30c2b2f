// The word detector on real speech in room noise: espeak-ng words, each after
// a second of pink noise, fed block by block as the microphone would deliver
// it; with the default settings in a quiet room, and with noise tracking in a
// classroom's noise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
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
// that are loud by the detector's own level, and the first and last frame
// handed over, as positions in the stream.
struct Word {
    int64_t first, last;
    int64_t spanFirst, spanLast;
};

struct Collector : vWordListener_i {
    explicit Collector(const vWordDetector_c& d) : detector(d) {}
    void Suspend() override {}
    void WordRecorded(vRecording_c& rec) override {
        int32_t first = -1, last = -1;
        for (int32_t i = 0; i < rec.RecPos(); ++i)
            if (rec.Frame(i).fullBand > detector.Threshold()) {
                if (first < 0) first = i;
                last = i;
            }
        const int64_t at = detector.FirstFrameIndex();
        words.push_back({at + first, at + last, at, detector.LastFrameIndex()});
        rec.Rewind();
    }
    void Resume() override {}
    const vWordDetector_c& detector;
    std::vector<Word> words;
};

std::vector<Word> Detect(const std::vector<int16_t>& stream, const vWordDetectorSettings_c& settings = {}) {
    InitLogScale();
    vHMProcessorSetup_c setup;
    setup.coefficients = SourceFile("data/english/coef.dat");
    setup.calibration = SourceFile("data/english/calib.txt");
    vHMBlockProcessor_c processor(setup);
    vWordDetector_c detector(settings);
    vRecording_c rec(vRecording_c::kLoaderCapacity);
    Collector collector(detector);
    detector.StartListening(rec);
    for (size_t pos = 0; pos + kBlock <= stream.size(); pos += kBlock)
        detector.ProcessBuffer(stream.data() + pos, kBlock, processor, rec, collector);
    // A word still open when the stream ends counts too, up to its last frame so far.
    if (detector.IsWord()) collector.words.push_back({-1, -1, detector.FirstFrameIndex(), detector.LastFrameIndex()});
    return collector.words;
}

const char* const kWords[] = {"window", "banana", "telephone", "yellow"};

// The speech's active level in dBFS: the RMS of the words' own samples.
double ActiveLevelDb(const std::vector<int16_t>& s, const std::vector<std::pair<size_t, size_t>>& words) {
    double power = 0, count = 0;
    for (auto [first, last] : words)
        for (size_t n = first; n <= last; ++n, ++count) power += static_cast<double>(s[n]) * s[n];
    return 10 * std::log10(power / count / (32767.0 * 32767.0));
}

// The words with their peak at peakDb, each after a second of quiet, and a
// second after the last, under pink noise at noiseDb dBFS RMS (or, when
// noiseDb is nullopt, snrDb below the speech's active level); truth receives each word's first and last sample.
std::vector<int16_t> WordsInNoise(double peakDb, std::vector<std::pair<size_t, size_t>>& truth,
                                  std::optional<double> noiseDb = -50.0, double snrDb = 0) {
    const size_t gap = 22050;
    std::vector<int16_t> s(gap, 0);
    for (const char* w : kWords) {
        const auto word = Speech(w, peakDb, true);
        if (word.empty()) return {};
        truth.emplace_back(s.size(), s.size() + word.size() - 1);
        s.insert(s.end(), word.begin(), word.end());
        s.resize(s.size() + gap, 0);
    }
    const auto noise = PinkNoise(s.size(), noiseDb ? *noiseDb : ActiveLevelDb(s, truth) - snrDb);
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

TEST(WordDetectorSpeech, NoiseTrackingFindsWordsInAClassroom) {
    vWordDetectorSettings_c tracking;
    tracking.noiseTracking = true;
    std::vector<std::pair<size_t, size_t>> truth;
    const auto quiet = WordsInNoise(-6, truth);
    if (quiet.empty()) GTEST_SKIP() << "espeak-ng or sox is not available";
    // In a quiet room the floor stays far below TrigLevel: the words come out
    // exactly as with the fixed trigger.
    const auto reference = Detect(quiet);
    ASSERT_EQ(reference.size(), truth.size());
    const auto same = Detect(quiet, tracking);
    ASSERT_EQ(same.size(), reference.size());
    for (size_t k = 0; k < same.size(); ++k) {
        EXPECT_EQ(same[k].spanFirst, reference[k].spanFirst);
        EXPECT_EQ(same[k].spanLast, reference[k].spanLast);
    }
    for (double snr : {20.0, 10.0, 5.0}) {
        std::vector<std::pair<size_t, size_t>> t;
        const auto noisy = WordsInNoise(-6, t, std::nullopt, snr);
        const auto words = Detect(noisy, tracking);
        const auto fixed = Detect(noisy);
        std::printf("SNR %.0f dB: %zu words with noise tracking, %zu with the fixed trigger\n", snr, words.size(),
                    fixed.size());
        for (size_t k = 0; k < words.size() && k < reference.size(); ++k)
            std::printf("  word %zu: frames %lld-%lld handed over (quiet room %lld-%lld)\n", k,
                        static_cast<long long>(words[k].spanFirst), static_cast<long long>(words[k].spanLast),
                        static_cast<long long>(reference[k].spanFirst), static_cast<long long>(reference[k].spanLast));
        if (snr < 10) continue;  // measured, not required
        if (snr == 10) {
            EXPECT_LT(fixed.size(), truth.size()) << "the fixed trigger runs the words together";
        }
        ASSERT_EQ(words.size(), truth.size()) << "SNR " << snr;
        for (size_t k = 0; k < words.size(); ++k) {
            // Each word is handed over with nearly the frames of the quiet room.
            EXPECT_NEAR(words[k].spanFirst, reference[k].spanFirst, 8) << k << " at SNR " << snr;
            EXPECT_NEAR(words[k].spanLast, reference[k].spanLast, 8) << k << " at SNR " << snr;
        }
    }
}

TEST(WordDetectorSpeech, NoiseTrackingTakesClassroomNoiseForNoWord) {
    std::vector<std::pair<size_t, size_t>> truth;
    const auto words = WordsInNoise(-6, truth);
    if (words.empty()) GTEST_SKIP() << "espeak-ng or sox is not available";
    // Ten seconds of the noise of the classroom above, without the words.
    const auto noise = PinkNoise(22050 * 10, ActiveLevelDb(words, truth) - 10);
    ASSERT_FALSE(noise.empty());
    vWordDetectorSettings_c tracking;
    tracking.noiseTracking = true;
    EXPECT_FALSE(Detect(noise).empty()) << "the fixed trigger takes this noise for a word";
    EXPECT_TRUE(Detect(noise, tracking).empty());
}
