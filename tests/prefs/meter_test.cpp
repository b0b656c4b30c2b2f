// The microphone page's meters and its live analysis: bars drawn on a test
// surface (clipping at the maximum, red above 90 %, the background back when
// a bar falls), the library's capture feeding them from the File backend
// through its own hidden window, and the level check.

#include "prefs/bar_meter.h"
#include "prefs/mic_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <thread>

#include "../support/temp_dir.h"
#include "buzz_wav.h"
#include "analysis/log_energy.h"
#include "platform/message_queue.h"
#include "settings/settings.h"

using namespace lorvano_test;

namespace {

const std::string kData = std::string(LORVANO_SOURCE_DIR) + "/data/english/";

// The colour of a pixel of an RGB24 surface as 0xRRGGBB.
std::uint32_t PixelAt(cairo_surface_t* s, int x, int y) {
    cairo_surface_flush(s);
    const unsigned char* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFF;
}

constexpr std::uint32_t kGreen = 0x00FF00, kRed = 0xFF0000, kFace = 0x808080;

class Meter : public ::testing::Test {
protected:
    // One bar on a 20 x 108 area: usable height 100 (4 pixels margin above
    // and below), red from 90 up; the bar runs from x 2 to 17.
    void Paint() {
        cairo_t* cr = cairo_create(surface);
        meter.Paint(cr, 20, 108);
        cairo_destroy(cr);
    }
    // The colour at a height above the bottom of the usable area.
    std::uint32_t At(int height) { return PixelAt(surface, 10, 103 - height); }

    vBarMeter_c meter;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 20, 108);

    void SetUp() override {
        meter.SetBarCount(1);
        meter.SetBackground({128 / 255.0, 128 / 255.0, 128 / 255.0});
    }
    void TearDown() override { cairo_surface_destroy(surface); }
};

TEST_F(Meter, ValuesAboveTheMaximumAreDrawnAsTheMaximumWithRedAbove90Percent) {
    EXPECT_TRUE(meter.SetValue(0, 7000));
    EXPECT_EQ(meter.Value(0), 5000);
    Paint();
    EXPECT_EQ(At(0), kGreen);
    EXPECT_EQ(At(89), kGreen);
    EXPECT_EQ(At(90), kRed);
    EXPECT_EQ(At(99), kRed);
    EXPECT_EQ(PixelAt(surface, 10, 2), kFace);  // the top margin
    EXPECT_EQ(PixelAt(surface, 0, 50), kFace);  // beside the bar
}

TEST_F(Meter, AFallingBarGivesItsUpperPartBackToTheBackground) {
    meter.SetValue(0, 4750);  // 95 units high
    Paint();
    EXPECT_EQ(At(94), kRed);
    meter.SetValue(0, 2000);  // 40 units high
    Paint();
    EXPECT_EQ(At(39), kGreen);
    EXPECT_EQ(At(40), kFace);
    EXPECT_EQ(At(94), kFace);
}

TEST_F(Meter, NegativeValuesAndMissingBarsLeaveTheMeterAsItIs) {
    meter.SetValue(0, 3000);
    EXPECT_FALSE(meter.SetValue(0, LogEnergy(255)));  // below the scale: a silent microphone
    EXPECT_FALSE(meter.SetValue(1, 100));
    EXPECT_EQ(meter.Value(0), 3000);
    Paint();
    EXPECT_EQ(At(59), kGreen);
    EXPECT_EQ(At(60), kFace);
}

class Capture : public ::testing::Test {
public:
    void SetUp() override {
        WriteFile(dir.File("trainer.ini"), "[Preprocessor]\nCoeficients=" + kData + "coef.dat\nEqualize=" + kData +
                                               "calib.txt\nPreAllocNum=8\n");
        gSettings.SetFileName(dir.File("trainer.ini").c_str());
        setenv("LORVANO_AUDIO", "file", 1);
        setenv("LORVANO_AUDIO_PACE", "fast", 1);
        setenv("LORVANO_AUDIO_GAP_MS", "0", 1);
        unsetenv("LORVANO_AUDIO_END");
        spectrum.SetBarCount(20);
        level.SetBarCount(1);
    }
    void TearDown() override {
        unsetenv("LORVANO_AUDIO_IN");
        gSettings.SetFileName(nullptr);
    }
    // Lets the capture run until done() holds; false after the deadline.
    bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            vMicrophoneCapture_c::DispatchPending();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    TempDir dir;
    vBarMeter_c spectrum, level;
    std::vector<std::int32_t> levels;
};

TEST_F(Capture, SoundMovesTheBarsAndSilenceLeavesThem) {
    ASSERT_TRUE(WriteBuzz(dir.File("buzz.wav"), 0.5));
    setenv("LORVANO_AUDIO_IN", dir.File("buzz.wav").c_str(), 1);
    std::vector<std::int32_t> shown;  // the level meter after each buffer
    vMicrophoneCapture_c capture(spectrum, level, [&](std::int32_t l) {
        levels.push_back(l);
        shown.push_back(level.Value(0));
    });
    ASSERT_TRUE(capture.Start());
    // Half a second of sound is 49 buffers; silence follows.
    ASSERT_TRUE(RunUntil([&] { return levels.size() >= 80; }));
    capture.Stop();
    EXPECT_FALSE(capture.Running());
    EXPECT_GT(*std::max_element(shown.begin(), shown.end()), 2000);
    int lit = 0;
    for (int b = 0; b < 20; ++b) lit += spectrum.Value(b) > 0;
    EXPECT_GE(lit, 10);
    // The silence after the sound changed nothing: the bars show the last sound.
    const std::int32_t loud = *std::max_element(levels.begin(), levels.begin() + 40);
    EXPECT_GT(loud, 2000);
    EXPECT_LT(levels.back(), 0);
    EXPECT_GT(shown.back(), 0);
    EXPECT_TRUE(std::all_of(shown.end() - 20, shown.end(), [&](std::int32_t v) { return v == shown.back(); }));
    // The hidden window's end left no quit message in the library's queue.
    EXPECT_TRUE(platform::RemovePending(platform::msg::kQuit).empty());
}

TEST_F(Capture, WithoutCoefficientsTheMetersStayStill) {
    WriteFile(dir.File("trainer.ini"), "[Preprocessor]\nCoeficients=" + dir.File("missing.dat") + "\n");
    vMicrophoneCapture_c capture(spectrum, level, [&](std::int32_t l) { levels.push_back(l); });
    EXPECT_FALSE(capture.Start());
    EXPECT_FALSE(capture.Running());
}

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) == 0; }

// The level check as the page runs it, on espeak-ng speech: two seconds of
// room noise, then speech in the same noise. Returns false when the sound
// files could not be made.
bool CheckSpeechInNoise(Capture& t, double noiseVolume, vLevelCheck_c& check) {
    const std::string make =
        "espeak-ng -w " + t.dir.File("raw.wav") +
        " 'Good morning. Please say after me: the rain in Spain stays mainly in the plain.' && sox " +
        t.dir.File("raw.wav") + " -r 22050 -c 1 -b 16 " + t.dir.File("speech.wav") + " && sox -n -r 22050 -c 1 -b 16 " +
        t.dir.File("noise.wav") + " synth 7 pinknoise vol " + std::to_string(noiseVolume) + " && sox " +
        t.dir.File("noise.wav") + " " + t.dir.File("quiet.wav") + " trim 0 2.2 && sox -m " + t.dir.File("speech.wav") +
        " " + t.dir.File("noise.wav") + " " + t.dir.File("spoken.wav") + " trim 0 4.5";
    if (std::system(make.c_str()) != 0) return false;
    setenv("LORVANO_AUDIO_IN", (t.dir.File("quiet.wav") + ":" + t.dir.File("spoken.wav")).c_str(), 1);
    vMicrophoneCapture_c capture(t.spectrum, t.level, [&](std::int32_t l) { check.Add(l); });
    check.Begin();
    if (!capture.Start()) return false;
    t.RunUntil([&] { return check.CurrentPhase() == vLevelCheck_c::Phase::Done; });
    return true;
}

TEST_F(Capture, TheLevelCheckSetsTheTriggerBetweenRoomNoiseAndSpeech) {
    if (!Have("espeak-ng") || !Have("sox")) GTEST_SKIP() << "needs espeak-ng and sox";
    for (double noise : {0.02, 0.05, 0.5}) {
        vLevelCheck_c check;
        ASSERT_TRUE(CheckSpeechInNoise(*this, noise, check));
        ASSERT_EQ(check.CurrentPhase(), vLevelCheck_c::Phase::Done);
        std::printf("noise volume %.2f: room noise %d, speech %d, trigger %d, verdict %d\n", noise, check.Noise(),
                    check.Speech(), check.SuggestedTrigger(), static_cast<int>(check.Result()));
        // Quiet rooms give a clear gap; in loud noise speech is no louder than it.
        EXPECT_EQ(check.Result(), noise < 0.3 ? vLevelCheck_c::Verdict::Clear : vLevelCheck_c::Verdict::NotLouder)
            << noise;
        if (check.Result() != vLevelCheck_c::Verdict::Clear) continue;
        EXPECT_LT(check.Noise() + vLevelCheck_c::kMinSpread / 2, check.SuggestedTrigger());
        EXPECT_LT(check.SuggestedTrigger() + vLevelCheck_c::kMinSpread / 2, check.Speech());
    }
}

TEST_F(Capture, TheLevelCheckFindsNoiseAndSpeechAndTheirMiddle) {
    vLevelCheck_c check;
    check.Begin();
    int changes = 0;
    for (int i = 0; i < vLevelCheck_c::kQuietBuffers; ++i) changes += check.Add(i % 20 == 0 ? 2600 : 1000 + i % 7);
    EXPECT_EQ(check.CurrentPhase(), vLevelCheck_c::Phase::Speech);
    // A second of silence, one of speech, then silence again.
    for (int i = 0; i < vLevelCheck_c::kSpeechBuffers; ++i)
        changes += check.Add(i >= 98 && i < 196 ? 4000 : i < 98 ? 1000 : -2147483647 - 1);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(check.CurrentPhase(), vLevelCheck_c::Phase::Done);
    EXPECT_EQ(check.Noise(), 1006);  // single clicks do not count
    EXPECT_EQ(check.Speech(), 4000);
    EXPECT_EQ(check.SuggestedTrigger(), 2503);
    EXPECT_EQ(check.Result(), vLevelCheck_c::Verdict::Clear);
    EXPECT_FALSE(check.Add(5000));  // done: further buffers change nothing
}

// Noise and speech levels, and what the check makes of them.
vLevelCheck_c Checked(std::int32_t noise, std::int32_t speech) {
    vLevelCheck_c check;
    check.Begin();
    for (int i = 0; i < vLevelCheck_c::kQuietBuffers; ++i) check.Add(noise);
    for (int i = 0; i < vLevelCheck_c::kSpeechBuffers; ++i) check.Add(speech);
    return check;
}

TEST_F(Capture, TheLevelCheckNeverOffersATriggerBelowTheFloorOrAboveTheSpeech) {
    // Hardly louder: the trigger lies between the two.
    const vLevelCheck_c close = Checked(2500, 3000);
    EXPECT_EQ(close.Result(), vLevelCheck_c::Verdict::Close);
    EXPECT_GT(close.SuggestedTrigger(), 2500);
    EXPECT_LT(close.SuggestedTrigger(), 3000);
    // Noise as loud as speech, or louder: nothing to offer.
    EXPECT_EQ(Checked(3000, 3000).Result(), vLevelCheck_c::Verdict::NotLouder);
    EXPECT_EQ(Checked(3000, 3000 + vLevelCheck_c::kMinLouder - 1).Result(), vLevelCheck_c::Verdict::NotLouder);
    EXPECT_EQ(Checked(3500, 2800).Result(), vLevelCheck_c::Verdict::NotLouder);
    // A silent microphone: nothing heard.
    EXPECT_EQ(Checked(0, 0).Result(), vLevelCheck_c::Verdict::Silent);
    EXPECT_EQ(Checked(0, vLevelCheck_c::kMinTrigger - 1).Result(), vLevelCheck_c::Verdict::Silent);
    // A quiet room and quiet speech: midway would be below the floor.
    const vLevelCheck_c quiet = Checked(0, vLevelCheck_c::kMinTrigger + 400);
    EXPECT_EQ(quiet.Result(), vLevelCheck_c::Verdict::Clear);
    EXPECT_EQ(quiet.SuggestedTrigger(), vLevelCheck_c::kMinTrigger);
}

}  // namespace
