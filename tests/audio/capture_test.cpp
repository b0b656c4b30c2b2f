#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/tr_wave_in.h"
#include "alloc_counter.h"
#include "audio_fixture.h"

namespace {

using audio_test::AudioFixture;
using audio_test::Ramp;
using platform::AudioBuffer;
constexpr int kLen = 224;

// A listening object that keeps what it was given.
class Listener : public vTrWaveIn_c {
public:
    explicit Listener(vWindow_c& w, int length = kLen) : vTrWaveIn_c(length) { AttachToWindow(w); }
    void ProcessBuffer(AudioBuffer* h) override {
        if (keepSamples) buffers.emplace_back(SamplesOf(h), SamplesOf(h) + SampleCountOf(h));
        ++processed;
        if (processed == stopAt) Stop();
        if (failEvery && processed % failEvery == 0) throw vException_c(77);
    }
    void OnOverload() override { log += "o" + std::to_string(processed) + " "; }
    void OnOverloadBegin() override { log += "b" + std::to_string(processed) + " "; }
    void OnOverloadEnd() override {
        if (logEnds) log += "e" + std::to_string(processed) + " ";
    }
    void OnOpen() override { ++opened; }
    void OnClose() override { ++closed; }

    std::vector<std::vector<std::int16_t>> buffers;
    bool keepSamples = true;
    bool logEnds = false;
    int processed = 0;
    int failEvery = 0;
    int stopAt = -1;  // Stop from inside ProcessBuffer of this buffer
    int opened = 0, closed = 0;
    std::string log;
};

class Capture : public AudioFixture {};

TEST_F(Capture, OperationsBeforeOpen) {
    Listener l(window);
    try {
        l.Start();
        FAIL() << "Start without a device";
    } catch (const vException_c& e) {
        EXPECT_EQ(e.Code(), -1);
    }
    EXPECT_NO_THROW(l.Stop());
    EXPECT_NO_THROW(l.Close());
    EXPECT_FALSE(l.HasDevice());
    EXPECT_THROW(l.AddBuffer(nullptr), vException_c);
}

TEST_F(Capture, ReadsItsSettings) {
    WriteSettings("PreAllocNum=7\nOverloadDelay=3\nPreAmp=1.5\n");
    Listener l(window);
    EXPECT_EQ(l.BufferCount(), 7u);
    EXPECT_EQ(l.OverloadDelay(), 3);
    EXPECT_EQ(l.PreAmp100(), 150);
    WriteSettings("");
    Listener d(window);
    EXPECT_EQ(d.BufferCount(), 100u);
    EXPECT_EQ(d.OverloadDelay(), 10);
}

TEST_F(Capture, BuffersArriveInOrderWithTheMicrophoneSamples) {
    WriteSettings("PreAllocNum=4\n");
    const auto input = Ramp(kLen * 12, 5);
    SetInput(input);
    Listener l(window);
    l.Open(-1, 22050, 1, 16);
    EXPECT_TRUE(l.HasDevice());
    l.Start();
    ASSERT_TRUE(PumpUntil([&] { return l.buffers.size() >= 12; }));
    EXPECT_TRUE(l.IsOpen());
    EXPECT_EQ(l.opened, 1);
    for (std::size_t b = 0; b < 12; ++b)
        for (int i = 0; i < kLen; ++i) ASSERT_EQ(l.buffers[b][i], input[b * kLen + i]) << b << " " << i;
    EXPECT_GE(l.DeliveredTotal(), 12);
    EXPECT_TRUE(boxes.empty());
    // Open again: nothing changes, the first device stays.
    l.Open(-1, 44100, 2, 16);
    EXPECT_EQ(l.Channels(), 1);
}

TEST_F(Capture, NothingIsProcessedAfterClose) {
    WriteSettings("PreAllocNum=8\n");
    Listener l(window);
    l.keepSamples = false;
    l.Open(-1, 22050, 1, 16);
    l.Start();
    // Fast pace: the device keeps filling while buffers are pending in the queue.
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= 50; }));
    l.Close();
    const int atClose = l.processed;
    EXPECT_FALSE(l.HasDevice());
    EXPECT_EQ(l.Queued(), 0);
    EXPECT_TRUE(l.Closing());
    ASSERT_TRUE(PumpUntil([&] { return l.closed == 1; }));
    DrainMessages();
    EXPECT_EQ(l.processed, atClose);
    EXPECT_FALSE(l.IsOpen());
    EXPECT_TRUE(l.Idle());
    EXPECT_TRUE(platform::RemovePending(platform::audio::kInData).empty());
}

TEST_F(Capture, StopThenStartRequeuesThePool) {
    WriteSettings("PreAllocNum=5\n");
    Listener l(window);
    l.keepSamples = false;
    l.stopAt = 20;
    l.Open(-1, 22050, 1, 16);
    l.Start();
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= 20; }));
    EXPECT_TRUE(l.Stopping());
    EXPECT_FALSE(l.Running());
    DrainMessages();
    const int stopped = l.processed;
    // The buffer being processed and those that came back after Stop were not queued again.
    EXPECT_LT(l.Queued(), 5);
    EXPECT_GE(l.processed, 20);
    EXPECT_TRUE(l.PoolAllocated());
    // Start hands in the whole pool again; those still queued answer 33 quietly.
    l.Start();
    EXPECT_EQ(l.Queued(), 5);
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= stopped + 20; }));
    EXPECT_TRUE(boxes.empty());
    // Stop and Start without handling the returned buffers in between.
    l.Stop();
    l.Start();
    EXPECT_EQ(l.Queued(), 5);
    const int again = l.processed;
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= again + 20; }));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(l.Queued(), 5);
}

// Buffer k of the input is clipped when clipped[k]; the log shows the
// notifications with the number of buffers processed before each.
std::vector<std::int16_t> Clipping(const std::vector<int>& peaks) {
    std::vector<std::int16_t> v(peaks.size() * kLen, 100);
    for (std::size_t k = 0; k < peaks.size(); ++k) v[k * kLen + 100] = static_cast<std::int16_t>(peaks[k]);
    return v;
}

TEST_F(Capture, OverloadBeginAndEndWithDelayTen) {
    WriteSettings("PreAllocNum=3\n");
    // Buffer 1 clips, 2..10 are clean (the ninth clean one ends the overload),
    // 11 clips again, 12 clips within the hold time, 13.. clean.
    std::vector<int> peaks(30, 28672);
    peaks[1] = 28673;
    peaks[11] = -28673;
    peaks[12] = 32767;
    SetInput(Clipping(peaks));
    Listener l(window);
    l.logEnds = true;
    l.Open(-1, 22050, 1, 16);
    l.Start();
    l.log.clear();  // Start announces the end of any overload
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= 30; }));
    EXPECT_EQ(l.log, "b1 o1 e10 b11 o11 o12 e21 ");
    EXPECT_EQ(l.OverloadCountdown(), 0);
}

TEST_F(Capture, OverloadWithDelayOneEndsInTheSameBuffer) {
    WriteSettings("PreAllocNum=3\nOverloadDelay=1\n");
    SetInput(Clipping({0, -32768, 0, 28673}));
    Listener l(window);
    l.logEnds = true;
    l.Open(-1, 22050, 1, 16);
    l.Start();
    l.log.clear();
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= 4; }));
    EXPECT_EQ(l.log.substr(0, 18), "b1 o1 e1 b3 o3 e3 ");
}

TEST_F(Capture, TheToneReplacesTheMicrophone) {
    WriteSettings("PreAllocNum=2\n");
    SetInput(Ramp(kLen * 10, 1000));
    Listener l(window);
    l.SetTone(true);
    l.SetToneFrequency(440);
    l.SetToneAmplitude(0.8);
    l.Open(-1, 22050, 1, 16);
    l.Start();
    l.log.clear();
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= 4; }));
    double phase = 0;
    for (int b = 0; b < 4; ++b)
        for (int i = 0; i < kLen; ++i) {
            phase += 440.0 / 22050;
            while (phase > 1) phase -= 1;
            ASSERT_EQ(l.buffers[b][i], static_cast<std::int16_t>(std::sin(phase * 6.2831) * 0.8 * 32767)) << b << i;
        }
    EXPECT_EQ(l.log, "");  // 0.8 of full scale stays below 28672
    l.SetToneAmplitude(0.88);
    const int before = l.processed;
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= before + 2; }));
    EXPECT_EQ(l.log.substr(0, 1), "b");
    EXPECT_NE(l.log.find('o'), std::string::npos);
    // Amplitudes above 1 clip at full scale.
    l.SetToneAmplitude(3);
    const int now = l.processed;
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= now + 1; }));
    EXPECT_EQ(*std::max_element(l.buffers.back().begin(), l.buffers.back().end()), 32767);
}

TEST_F(Capture, NoAllocationPerBufferAfterTheFirstStart) {
    WriteSettings("PreAllocNum=16\n");
    Listener l(window);
    l.keepSamples = false;
    l.Open(-1, 22050, 1, 16);
    l.Start();
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= 100; }));
    alloc_counter::Begin();
    const bool done = PumpUntil([&] { return l.processed >= 2100; });
    const long allocations = alloc_counter::End();
    ASSERT_TRUE(done);
    EXPECT_EQ(allocations, 0) << "allocations on the user-interface thread for 2000 buffers";
}

TEST_F(Capture, AProcessingFailureIsAWarningAndCaptureGoesOn) {
    WriteSettings("PreAllocNum=3\n");
    Listener l(window);
    l.keepSamples = false;
    l.failEvery = 5;
    l.Open(-1, 22050, 1, 16);
    l.Start();
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= 40; }));
    ASSERT_GE(boxes.size(), 7u);
    EXPECT_EQ(boxes[0].caption, "The following warning exception occured:");
    EXPECT_EQ(boxes[0].icon, platform::BoxIcon::Exclamation);
    EXPECT_EQ(boxes[0].text, vException_c(77).Message());
    EXPECT_FALSE(l.Processing());
    // The failed buffers went back to the device: the pool is whole.
    l.Stop();
    DrainMessages();
    l.Start();
    EXPECT_EQ(l.Queued(), 3);
}

TEST_F(Capture, WindowCloseClosesTheDevice) {
    Listener l(window);
    l.Open(-1, 22050, 1, 16);
    l.Start();
    ASSERT_TRUE(PumpUntil([&] { return l.processed >= 3; }));
    platform::Post(window.Handle(), platform::msg::kClose);
    ASSERT_TRUE(PumpUntil([&] { return !l.HasDevice(); }));
    const int atClose = l.processed;
    DrainMessages();
    EXPECT_EQ(l.processed, atClose);
}

TEST_F(Capture, AnUnpluggedMicrophoneLeavesCaptureStopped) {
    WriteSettings("PreAllocNum=4\n");
    SetInput(Ramp(kLen * 6));
    setenv("LORVANO_AUDIO_END", "unplug", 1);
    Listener l(window);
    l.Open(-1, 22050, 1, 16);
    l.Start();
    ASSERT_TRUE(PumpUntil([&] { return l.closed == 1; }));
    DrainMessages();
    EXPECT_EQ(l.processed, 6);
    EXPECT_FALSE(l.IsOpen());
    EXPECT_FALSE(l.Running());
    EXPECT_TRUE(l.Stopping());
    try {
        l.Start();
        FAIL() << "Start on a vanished device";
    } catch (const vException_c& e) {
        EXPECT_EQ(e.Code(), platform::audio::kNoDriver);
    }
    l.Close();
    EXPECT_FALSE(l.HasDevice());
    DrainMessages();
    EXPECT_EQ(l.processed, 6);
    EXPECT_EQ(l.closed, 1);
}

TEST_F(Capture, ARefusedFormatRaisesTheDevicesCode) {
    Listener l(window);
    try {
        l.Open(-1, 22050, 1, 24);
        FAIL() << "24-bit capture";
    } catch (const vException_c& e) {
        EXPECT_EQ(e.Code(), platform::audio::kBadFormat);
    }
    EXPECT_FALSE(l.HasDevice());
    setenv("LORVANO_AUDIO_IN", (dir / "missing.wav").c_str(), 1);
    EXPECT_THROW(l.Open(-1, 22050, 1, 16), vException_c);
    EXPECT_FALSE(l.HasDevice());
}

TEST_F(Capture, OverloadLimitsAreExclusive) {
    Listener l(window);
    vWaveBuffer_c buffer(kLen * 2);
    auto check = [&](std::int16_t peak) {
        l.log.clear();
        std::fill(buffer.Samples(), buffer.Samples() + kLen, 0);
        buffer.Samples()[kLen - 1] = peak;
        l.PreprocessBuffer(buffer.Header());
        return l.log;
    };
    EXPECT_EQ(check(28672), "");
    EXPECT_EQ(check(-28672), "");
    EXPECT_EQ(check(28673), "b0 o0 ");
    EXPECT_EQ(check(-28673), "o0 ");  // within the hold time: no second begin
    EXPECT_EQ(l.OverloadCountdown(), 9);
}

}  // namespace
