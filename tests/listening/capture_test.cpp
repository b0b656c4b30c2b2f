// The program's one microphone: listeners take turns, each gets the input in
// order in buffers of its own length, the tone and the overload reach the one
// that listens, and a device that cannot open runs nothing.

#include "listening/capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audio_fixture.h"

namespace {

class Listener : public vTrCaptureListener_i {
public:
    void OnCaptureBuffer(platform::AudioBuffer& b) override {
        lengths.push_back(SampleCountOf(&b));
        samples.insert(samples.end(), SamplesOf(&b), SamplesOf(&b) + SampleCountOf(&b));
    }
    void OnOverloadBegin() override { ++overloads; }
    std::vector<int> lengths;
    std::vector<std::int16_t> samples;
    int overloads = 0;
};

class Capture : public audio_test::AudioFixture {};

std::vector<std::int16_t> Ramp(int n) {
    std::vector<std::int16_t> s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i % 20000 - 10000);
    return s;
}

TEST_F(Capture, ListenersTakeTurnsEachWithItsOwnBufferLength) {
    WriteSettings("PreAllocNum=4\n");
    const auto input = Ramp(224 * 400);
    SetInput(input);
    vTrCapture_c capture;
    Listener first, second;
    capture.Listen(first, 224, &window, {});
    ASSERT_TRUE(PumpUntil([&] { return first.lengths.size() >= 10; }));
    // The input in order, nothing lost or repeated.
    EXPECT_EQ(std::vector<std::int16_t>(first.samples.begin(), first.samples.begin() + 224 * 10),
              std::vector<std::int16_t>(input.begin(), input.begin() + 224 * 10));

    capture.Listen(second, 672, &window, {});
    EXPECT_TRUE(capture.IsListening(second));
    EXPECT_FALSE(capture.IsBound(first));
    const std::size_t firstHad = first.lengths.size();
    ASSERT_TRUE(PumpUntil([&] { return second.lengths.size() >= 5; }));
    DrainMessages();
    // Buffers the first one's device had filled are not handed to the second.
    EXPECT_EQ(first.lengths.size(), firstHad);
    for (int n : second.lengths) EXPECT_EQ(n, 672);

    // Only the one listening can stop the microphone.
    capture.StopListening(first);
    EXPECT_TRUE(capture.IsListening(second));
    capture.Forget(second);
    EXPECT_FALSE(capture.HasDevice());
    EXPECT_FALSE(capture.IsBound(second));
}

TEST_F(Capture, TheToneAndTheOverloadReachTheListener) {
    WriteSettings("PreAllocNum=4\nOverloadDelay=3\n");
    vTrCapture_c capture;
    Listener l;
    capture.Listen(l, 224, &window, {true, 5512.5, 0.25});
    ASSERT_TRUE(PumpUntil([&] { return l.lengths.size() >= 4; }));
    // A quarter of the rate at a quarter of full scale: a period of 4 samples.
    const auto peak = *std::max_element(l.samples.begin(), l.samples.end());
    EXPECT_NEAR(peak, 8192, 100);
    EXPECT_EQ(l.overloads, 0);
    capture.SetTestTone({true, 5512.5, 1.0});
    ASSERT_TRUE(PumpUntil([&] { return l.overloads == 1; }));
    capture.Forget(l);
}

TEST_F(Capture, ADeviceThatCannotOpenLeavesTheListenerBoundButNothingRunning) {
    setenv("LORVANO_AUDIO_IN", (dir / "missing.wav").c_str(), 1);
    vTrCapture_c capture;
    Listener l;
    EXPECT_THROW(capture.Listen(l, 224, &window, {}), vException_c);
    EXPECT_THROW(capture.Listen(l, 224, nullptr, {}), vException_c);
    EXPECT_FALSE(capture.HasDevice());
    EXPECT_FALSE(capture.IsListening(l));
    // Recorded input handed in still reaches it.
    vWaveBuffer_c buffer(224 * 2);
    capture.ProcessBuffer(buffer.Header());
    EXPECT_EQ(l.lengths.size(), 1u);
    capture.Forget(l);
    capture.ProcessBuffer(buffer.Header());
    EXPECT_EQ(l.lengths.size(), 1u);
}

}  // namespace
