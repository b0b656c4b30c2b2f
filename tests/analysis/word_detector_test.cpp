#include "analysis/word_detector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "analysis/hm_block_processor.h"
#include "analysis/recording.h"
#include "analysis/time_warp.h"
#include "settings/settings.h"
#include "platform/exception.h"

namespace {

struct Listener : vWordListener_i {
    void Suspend() override { calls += "S"; }
    void WordRecorded(vRecording_c& rec) override {
        calls += "W";
        lengths.push_back(rec.RecPos());
        for (int i = 0; i < rec.RecPos(); ++i) firstValues.push_back(rec.Frame(i).lowBand);
        if (rewind) rec.Rewind();
    }
    void Resume() override { calls += "R"; }
    std::string calls;
    std::vector<int> lengths;
    std::vector<int> firstValues;
    bool rewind = true;
};

constexpr int kLoud = 5000, kQuiet = 1000;

// Feeds one frame per level; each frame carries its stream index in lowBand.
struct Stream {
    explicit Stream(vWordDetectorSettings_c s = {}, int capacity = 1000) : detector(s), recording(capacity) {
        detector.StartListening(recording);
    }
    void Feed(int level, int count = 1) {
        for (int i = 0; i < count; ++i) {
            vAllHmData_c f;
            f.fullBand = level;
            f.lowBand = index++;
            detector.ProcessFrame(f, recording, listener);
        }
    }
    vWordDetector_c detector;
    vRecording_c recording;
    Listener listener;
    int index = 0;
};

}  // namespace

TEST(WordTrigger, SevenLoudFramesDoNotMakeAWord) {
    vWordDetector_c d({});
    vRecording_c rec(10);
    for (int i = 0; i < 7; ++i) EXPECT_FALSE(d.TriggerStep(kLoud, rec));
    EXPECT_EQ(d.LHCnt(), 7);
    EXPECT_FALSE(d.TriggerStep(kQuiet, rec));
    EXPECT_EQ(d.LHCnt(), -1);
    EXPECT_FALSE(d.IsWord());
    // The eighth consecutive loud frame starts it; the threshold itself is quiet.
    for (int i = 0; i < 7; ++i) d.TriggerStep(kLoud, rec);
    EXPECT_FALSE(d.TriggerStep(3000, rec));
    for (int i = 0; i < 7; ++i) EXPECT_FALSE(d.TriggerStep(3001, rec));
    EXPECT_TRUE(d.TriggerStep(3001, rec));
    EXPECT_TRUE(d.IsWord());
}

TEST(WordTrigger, IncrementAndEndOfWord) {
    vWordDetectorSettings_c s;
    s.increment = 2;
    vWordDetector_c d(s);
    vRecording_c rec(10);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(d.TriggerStep(kLoud, rec));
    EXPECT_TRUE(d.TriggerStep(kLoud, rec));
    // 39 quiet frames keep the word, the 40th ends it.
    for (int i = 0; i < 39; ++i) EXPECT_TRUE(d.TriggerStep(kQuiet, rec)) << i;
    EXPECT_FALSE(d.TriggerStep(kQuiet, rec));
    EXPECT_FALSE(d.IsWord());
    EXPECT_EQ(d.LHCnt(), -40);
}

TEST(WordTrigger, CounterIsLimited) {
    vWordDetector_c d({});
    vRecording_c rec(10);
    for (int i = 0; i < 30010; ++i) d.TriggerStep(kQuiet, rec);
    EXPECT_EQ(d.LHCnt(), -30001);
    d.TriggerStep(kQuiet, rec);
    EXPECT_EQ(d.LHCnt(), -30001);
    vWordDetectorSettings_c s;
    s.increment = INT32_MAX;
    vWordDetector_c big(s);
    big.TriggerStep(kLoud, rec);
    big.TriggerStep(kLoud, rec);
    EXPECT_EQ(big.LHCnt(), INT32_MAX);
}

TEST(WordTrigger, FullRecordingEndsTheWord) {
    vWordDetector_c d({});
    vRecording_c rec(1);
    vAllHmData_c f;
    rec.AppendFrame(f, true, true);
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(d.TriggerStep(kLoud, rec));
    EXPECT_FALSE(d.IsWord());
}

TEST(FIFO, PushMarkPopRules) {
    vFIFO_m<int, 5> q;
    q.Clear();
    EXPECT_THROW(q.Pop(), vFIFOException_c);
    EXPECT_THROW(q.PopMarked(), vFIFOException_c);
    for (int i = 0; i < 5; ++i) q.Push(i, false);
    EXPECT_EQ(q.Filled(), 5);
    EXPECT_EQ(q.Free(), 0);
    // Full: the oldest unmarked entry is dropped.
    q.Push(5, true);
    EXPECT_EQ(q.Filled(), 5);
    EXPECT_EQ(q.Peek(0), 1);
    EXPECT_EQ(q.MarkedCount(), 1);
    // Marking n >= filled leaves the oldest unmarked.
    q.MarkLast(10);
    EXPECT_EQ(q.MarkedCount(), 4);
    bool marked = true;
    q.Peek(0, &marked);
    EXPECT_FALSE(marked);
    // PopMarked discards the unmarked oldest and returns the next marked one.
    EXPECT_EQ(q.PopMarked(), 2);
    EXPECT_EQ(q.Filled(), 3);
    EXPECT_EQ(q.MarkedCount(), 3);
    q.Push(6, true);
    q.Push(7, true);
    EXPECT_EQ(q.Filled(), 5);
    // Full and the oldest is marked: pushing would lose a word frame.
    EXPECT_THROW(q.Push(8, false), vFIFOException_c);
    EXPECT_EQ(q.Pop(&marked), 3);
    EXPECT_TRUE(marked);
    EXPECT_EQ(q.MarkedCount(), 4);
}

TEST(WordDetector, OnsetTakesTheLeadInAndOffsetHandsOverTheWord) {
    Stream run;
    run.Feed(kQuiet, 50);
    run.Feed(kLoud, 30);
    run.Feed(kQuiet, 40);
    ASSERT_EQ(run.listener.calls, "SWR");
    ASSERT_EQ(run.listener.lengths.size(), 1u);
    // Onset at frame 57 (the eighth loud one): it and the 24 frames before it,
    // then every frame until the 39th quiet one (the 40th ends the word).
    EXPECT_EQ(run.listener.lengths[0], 25 + 22 + 39);
    EXPECT_EQ(run.listener.firstValues.front(), 57 - 24);
    EXPECT_EQ(run.listener.firstValues.back(), 50 + 30 + 38);
    EXPECT_EQ(run.detector.FirstFrameIndex(), 33);
    EXPECT_EQ(run.detector.LastFrameIndex(), 118);
    EXPECT_FALSE(run.detector.IsWord());
}

TEST(WordDetector, EarlyOnsetMarksAllButTheOldestFrame) {
    Stream run;
    run.Feed(kQuiet, 2);
    run.Feed(kLoud, 8);  // onset with 10 frames queued
    // The trigger frame and the 8 before it went in; the oldest was dropped.
    EXPECT_EQ(run.recording.RecPos(), 9);
    EXPECT_EQ(run.recording.Frame(0).lowBand, 1);
    EXPECT_EQ(run.detector.Queue().Filled(), 0);
}

TEST(WordDetector, CountsWordsInAnEnergySequence) {
    Stream run;
    // Three words; a short burst (5 loud frames) and a single quiet gap are not boundaries.
    run.Feed(kQuiet, 30);
    run.Feed(kLoud, 20);
    run.Feed(kQuiet, 1);
    run.Feed(kLoud, 20);
    run.Feed(kQuiet, 45);
    run.Feed(kLoud, 5);
    run.Feed(kQuiet, 45);
    run.Feed(kLoud, 12);
    run.Feed(kQuiet, 41);
    run.Feed(kLoud, 9);
    run.Feed(kQuiet, 39);  // still inside the third word at the end
    EXPECT_EQ(run.listener.calls, "SWRSWR");
    EXPECT_TRUE(run.detector.IsWord());
    EXPECT_EQ(run.listener.lengths[0], 25 + 12 + 1 + 20 + 39);
}

TEST(WordDetector, FullRecordingEndsTheWord) {
    Stream run({}, 60);
    run.Feed(kQuiet, 10);
    run.Feed(kLoud, 100);
    ASSERT_EQ(run.listener.calls, "SWR");
    EXPECT_EQ(run.listener.lengths[0], 60);
    // After the listener empties the recording, the still loud input starts again.
    EXPECT_TRUE(run.detector.IsWord());
    EXPECT_GT(run.recording.RecPos(), 0);
}

TEST(WordDetector, NoiseTrackingFollowsARoomThatGetsLouder) {
    // The room jumps above TrigLevel: the first "word" lasts until the
    // recording is full, then the floor stands at the new noise and only
    // speech above it makes a word. The fixed trigger makes word after word.
    for (bool tracking : {true, false}) {
        vWordDetectorSettings_c s;
        s.noiseTracking = tracking;
        Stream run(s, 100);
        run.Feed(kQuiet, 10);
        run.Feed(4000, 500);
        const auto words = std::count(run.listener.calls.begin(), run.listener.calls.end(), 'W');
        if (tracking)
            EXPECT_EQ(words, 1);
        else
            EXPECT_GT(words, 2);
        EXPECT_EQ(run.detector.IsWord(), !tracking);
        if (!tracking) continue;
        EXPECT_EQ(run.detector.Threshold(), 4000 + s.noiseMargin);
        run.Feed(4700, 20);
        run.Feed(4000, 45);
        EXPECT_EQ(run.listener.calls, "SWRSWR");
        // Ended by the quiet, not by a full recording: lead-in, the rest of
        // the loud frames and 39 quiet ones.
        EXPECT_EQ(run.listener.lengths[1], 25 + 12 + 39);
    }
}

TEST(WordDetector, ZeroSettingsFallBackToDefaults) {
    vWordDetectorSettings_c s;
    s.windowSize = 0;
    s.windowNum = 0;
    s.interLeave = 0;
    vWordDetector_c d(s);
    EXPECT_EQ(d.Settings().windowSize, 224u);
    EXPECT_EQ(d.Settings().windowNum, 1u);
    EXPECT_EQ(d.Settings().interLeave, 1u);
}

namespace {
std::unique_ptr<vHMBlockProcessor_c> BundledProcessor() {
    vHMProcessorSetup_c setup;
    setup.coefficients = std::string(LORVANO_SOURCE_DIR) + "/data/english/coef.dat";
    setup.calibration = std::string(LORVANO_SOURCE_DIR) + "/data/english/calib.txt";
    return std::make_unique<vHMBlockProcessor_c>(setup);
}
}  // namespace

TEST(WordDetector, InterLeaveAnalysesEveryOtherBlock) {
    // Buffers of 4 blocks: blocks 0 and 2 hold a loud tone, 1 and 3 silence.
    // Analysing blocks 0 and 2 sees only loud frames and starts a word on the
    // eighth of them, in the fourth buffer.
    vWordDetectorSettings_c s;
    s.windowNum = 4;
    s.interLeave = 2;
    auto processor = BundledProcessor();
    vWordDetector_c d(s);
    vRecording_c rec(100);
    Listener listener;
    d.StartListening(rec);
    std::vector<int16_t> buffer(4 * 224, 0);
    for (int b : {0, 2})
        for (int i = 0; i < 224; ++i)
            buffer[static_cast<size_t>(b * 224 + i)] = static_cast<int16_t>(20000 * std::sin(i * 2 * M_PI * 1000 / 22050.0));
    for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(d.ProcessBuffer(buffer.data(), buffer.size(), *processor, rec, listener));
        EXPECT_FALSE(d.IsWord());
    }
    EXPECT_EQ(d.LHCnt(), 6);
    d.ProcessBuffer(buffer.data(), buffer.size(), *processor, rec, listener);
    EXPECT_TRUE(d.IsWord());
    // Every analysed frame was queued and the whole lead-in went to the recording
    // (all but the oldest of the 8), with its samples.
    EXPECT_EQ(rec.RecPos(), 7);
    ASSERT_NE(rec.Frame(0).Samples(), nullptr);
    EXPECT_EQ(rec.Frame(0).SampleCount(), 224);
    // A buffer shorter than its blocks analyses only the complete ones.
    EXPECT_TRUE(d.ProcessBuffer(buffer.data(), 224 * 2, *processor, rec, listener));
    EXPECT_EQ(rec.RecPos(), 8);
}

TEST(DetectorSettings, ReadFromTheLanguageFile) {
    const std::string path = ::testing::TempDir() + "/lorvano_detector.ini";
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("[WordDetector]\nTrigLevel=2500\nWindowNum=4\nRealtimePitch=yes\n[Editor]\nRecorder/WaveSupport=FALSE\n"
               "[ResDisplay]\nModels=ABCDEFGHIJKLMNOPQRST\nMaxResult=700\n[TimeWarp]\nDeviationLimit=12\n", f);
    std::fclose(f);
    gSettings.SetFileName(path.c_str());
    const vWordDetectorSettings_c d = vWordDetectorSettings_c::Read();
    const vWordScoreSettings_c s = vWordScoreSettings_c::Read();
    gSettings.SetFileName(nullptr);
    std::remove(path.c_str());
    EXPECT_EQ(d.trigLevel, 2500);
    EXPECT_EQ(d.windowNum, 4u);
    EXPECT_TRUE(d.realtimePitch);
    EXPECT_FALSE(d.waveSupport);
    EXPECT_EQ(d.trigHoldEnd, 40);
    EXPECT_EQ(s.modelsFile, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(s.maxResult, 700);
    EXPECT_EQ(s.deviationLimit, 12);
    EXPECT_EQ(s.limitsFile, "Limits.ini");
    // Without a language file: the defaults.
    EXPECT_EQ(vWordDetectorSettings_c::Read().trigLevel, 3000);
}

TEST(DetectorSettings, NoiseTrackingIsOffUnlessSwitchedOnAndItsMarginIsChecked) {
    const std::string path = ::testing::TempDir() + "/lorvano_detector_noise.ini";
    auto read = [&](const char* text) {
        std::FILE* f = std::fopen(path.c_str(), "w");
        std::fputs(text, f);
        std::fclose(f);
        gSettings.SetFileName(path.c_str());
        const vWordDetectorSettings_c d = vWordDetectorSettings_c::Read();
        gSettings.SetFileName(nullptr);
        std::remove(path.c_str());
        return d;
    };
    EXPECT_FALSE(read("[WordDetector]\nTrigLevel=3000\n").noiseTracking);
    const vWordDetectorSettings_c on = read("[WordDetector]\nNoiseTracking=TRUE\nNoiseMargin=900\n");
    EXPECT_TRUE(on.noiseTracking);
    EXPECT_EQ(on.noiseMargin, 900);
    for (const char* bad : {"-1", "6001", "99999999999"})
        EXPECT_EQ(read(("[WordDetector]\nNoiseMargin=" + std::string(bad) + "\n").c_str()).noiseMargin,
                  vWordDetectorSettings_c{}.noiseMargin)
            << bad;
}
