// The loudness and pitch traces and the pitch head: what lands on which row
// and column of the screen for silence, speech and tones, the rules of the
// invalid runs, the wrap and the erased strip, the bundled heads as the
// window shows them, the overload indicator, bad settings, no allocation per
// buffer, and the microphone stream across a suspension.

#include "exercise_fixture.h"

#include "alloc_counter.h"
#include "exercises/amp_exercise.h"
#include "exercises/pitch_exercise.h"
#include "exercises/rt_hm_exercise.h"
#include "display/dx_screen.h"
#include "platform/native_window.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace exercise_test;

namespace {

// Capture buffers through the exercise's microphone, as the capture
// messages deliver them (the device itself is closed).
class BufferFeeder {
public:
    explicit BufferFeeder(vTrHmContExercise_c& ex)
        : mEx(ex), mLength(ex.BufferLength()), mBuffer(static_cast<std::uint32_t>(ex.BufferLength()) * 2) {}
    // Whole buffers of the samples; returns how many.
    int Feed(const std::vector<std::int16_t>& s) {
        int n = 0;
        for (std::size_t at = 0; at + static_cast<std::size_t>(mLength) <= s.size(); at += static_cast<std::size_t>(mLength)) {
            std::copy(s.begin() + static_cast<std::ptrdiff_t>(at), s.begin() + static_cast<std::ptrdiff_t>(at) + mLength,
                      mBuffer.Samples());
            mBuffer.Header()->bytesRecorded = mBuffer.Bytes();
            mEx.Capture().PreprocessBuffer(mBuffer.Header());
            mEx.Capture().ProcessBuffer(mBuffer.Header());
            ++n;
        }
        return n;
    }
    int Length() const { return mLength; }
    std::vector<std::int16_t> Silence(int buffers) const {
        return std::vector<std::int16_t>(static_cast<std::size_t>(buffers * mLength), 0);
    }

private:
    vTrHmContExercise_c& mEx;
    int mLength;
    vWaveBuffer_c mBuffer;
};

// The program's exercise loader: the exercise joins the screen as soon as
// its class is read, before its body (and so its head) is.
class AttachingLoader : public vLoader_c {
public:
    explicit AttachingLoader(vDxImage_i& owner) : mOwner(owner) {}
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override {
        vLoader_c::OnDeclare(path, className, prop, address);
        dynamic_cast<vTrExercise_c&>(*Object()).Attach(&mOwner);
    }

private:
    vDxImage_i& mOwner;
};

// Cents above the note 75 semitones over 1 Hz.
double Cents(double hz) { return 1200.0 * std::log2(hz / std::pow(2.0, 75.0 / 12.0)); }

class Traces : public ExerciseFixture {
protected:
    template <class T>
    T* ShowStopped(const std::string& text) {
        T* ex = Load<T>(text);
        ex->Show();
        ex->StopRecording();
        DrainMessages();
        return ex;
    }
    uint32_t Green() { return Colour(0, 255, 0); }
    uint32_t Black() { return screen.MakeColor(kTrBlackPaletteIndex); }
};

}  // namespace

TEST_F(Traces, SilenceDrawsOnTheBottomRowOfTheInnerRectangle) {
    auto* ex = ShowStopped<vTrAmpExercise_c>(
        "<vTrAmpExercise_c> Obj = { DispPos = (15, 50); DispWidth = 600; DispHeight = 400; OfsTop = 10; OfsBottom = 20; }");
    BufferFeeder feeder(*ex);
    ASSERT_EQ(feeder.Length(), 224);
    feeder.Feed(feeder.Silence(10));
    EXPECT_EQ(ex->Column(), 10);
    const vDxRect inner = ex->InnerRect();
    ASSERT_EQ(inner.y, 60);
    ASSERT_EQ(inner.h, 370);
    const int bottom = inner.y + inner.h - 1;
    for (int col = 2; col <= 10; ++col) {
        const std::vector<int> rows = RowsOf(inner.x + col, 0, 600, Green());
        ASSERT_FALSE(rows.empty()) << col;
        EXPECT_GE(rows.front(), bottom - 2) << col;
        EXPECT_LE(rows.back(), bottom + 1) << col;
    }
    // The next columns are still black.
    EXPECT_TRUE(RowsOf(inner.x + 13, 0, 600, Green()).empty());
}

TEST_F(Traces, LoudSpeechThroughTheMicrophoneDrawsInTheUpperHalf) {
    const auto speech = Speech("Hello, how are you today?", -3);
    if (speech.empty()) GTEST_SKIP() << "espeak-ng or sox is not available";
    SetInput(speech);
    // The erased strip runs just ahead of the pen: the whole sweep stays.
    WriteSettings("[Ampl_Processor]\nTailLength=598\n");
    auto* ex = Load<vTrAmpExercise_c>("<vTrAmpExercise_c> Obj = { DispPos = (15, 50); DispWidth = 600; DispHeight = 400; }");
    ex->Show();
    ASSERT_TRUE(ex->IsRecording());
    const int windows = static_cast<int>(speech.size() / 224);
    ASSERT_LT(windows + 20, 599) << "the speech must fit on one sweep";
    ASSERT_TRUE(PumpUntil([&] { return ex->Column() >= windows + 20; }));
    const vDxRect inner = ex->InnerRect();
    int highest = inner.y + inner.h, loudColumns = 0;
    for (int col = 1; col < windows; ++col) {
        const std::vector<int> rows = RowsOf(inner.x + col, inner.y, inner.y + inner.h, Green());
        if (rows.empty()) continue;
        highest = std::min(highest, rows.front());
        if (rows.front() < inner.y + inner.h / 2) ++loudColumns;
    }
    EXPECT_LT(highest, inner.y + inner.h / 2);
    EXPECT_GT(loudColumns, 10);
    // The silence after the speech lies on the bottom row again.
    const std::vector<int> tail = RowsOf(inner.x + windows + 15, inner.y, inner.y + inner.h, Green());
    ASSERT_FALSE(tail.empty());
    EXPECT_GE(tail.front(), inner.y + inner.h - 3);
}

TEST_F(Traces, ASineToneLandsOnTheRowOfItsPitch) {
    auto* ex = ShowStopped<vTrPitchExercise_c>(
        "<vTrPitchExercise_c> Obj = { DispPos = (15, 50); DispWidth = 600; DispHeight = 400; }");
    BufferFeeder feeder(*ex);
    ASSERT_EQ(feeder.Length(), 672);
    EXPECT_EQ(ex->Trackers().Count(), 3u);
    const vDxRect inner = ex->InnerRect();
    auto rowOf = [&](double cents) { return inner.y + inner.h - 1 - cents * (inner.h - 2) / 3600; };
    double previous = inner.y + inner.h;
    for (double hz : {150.0, 200.0, 250.0, 300.0, 400.0}) {
        feeder.Feed(Sine(hz, 1.0));
        const std::vector<int> rows = RowsOf(inner.x + ex->Column() - 2, inner.y, inner.y + inner.h, Green());
        ASSERT_FALSE(rows.empty()) << hz;
        // The pen covers rows y - 2 .. y + 1 of a steady tone.
        const double y = (rows.front() + rows.back()) / 2.0 + 0.5;
        // The tracker reads periods up to about 10 % long in this range
        // (about 150 cents low at 150 Hz), never short.
        EXPECT_GE(y, rowOf(Cents(hz) + 30)) << hz;
        EXPECT_LE(y, rowOf(Cents(hz) - 150)) << hz;
        EXPECT_LT(y, previous) << hz;
        previous = y;
        if (hz == 150.0) {
            // The trace starts at the first pitch: no line comes down to it from the top edge.
            const std::vector<int> first = RowsOf(inner.x + 1, inner.y, inner.y + inner.h, Green());
            ASSERT_FALSE(first.empty());
            EXPECT_GT(first.front(), inner.y + inner.h / 2);
        }
    }
}

TEST_F(Traces, AGapOfInvalidNumWindowsStartsANewSegment) {
    WriteSettings("[Pitch_Exercise]\nInvalidNum=4\n");
    auto* ex = ShowStopped<vTrPitchExercise_c>(
        "<vTrPitchExercise_c> Obj = { DispPos = (15, 50); DispWidth = 600; DispHeight = 400; }");
    BufferFeeder feeder(*ex);
    const vDxRect inner = ex->InnerRect();
    const auto tone = Sine(200, 672.0 * 8 / 22050);
    auto rowAt = [&](int col) {
        const std::vector<int> rows = RowsOf(inner.x + col, inner.y, inner.y + inner.h, Green());
        return rows.empty() ? -1 : rows.front();
    };

    // A short gap: the trace joins across it.
    feeder.Feed(tone);
    const int lastBefore = ex->Column();
    const int row = rowAt(lastBefore - 1);
    ASSERT_GT(row, inner.y);
    feeder.Feed(feeder.Silence(2));
    feeder.Feed(tone);
    EXPECT_NEAR(rowAt(lastBefore + 1), row, 4);

    // A long gap: no line across it, and the run stops counting at InvalidNum.
    const int gapStart = ex->Column();
    feeder.Feed(feeder.Silence(12));
    EXPECT_EQ(ex->InvalidRun(), 4u);
    feeder.Feed(tone);
    for (int col = gapStart + 4; col < gapStart + 10; ++col) EXPECT_EQ(rowAt(col), -1) << col;
    EXPECT_GT(rowAt(ex->Column() - 1), inner.y);
}

TEST_F(Traces, EqualMinAndMaxToneAndOverlapZeroAreCorrected) {
    WriteSettings("[Pitch_Exercise]\nMinTone=1000\nMaxTone=1000\n[Pitch_Processor]\nOverlap=0\n");
    auto* ex = ShowStopped<vTrPitchExercise_c>(
        "<vTrPitchExercise_c> Obj = { DispPos = (15, 50); DispWidth = 600; DispHeight = 400; }");
    EXPECT_EQ(ex->Trackers().Count(), 1u);
    EXPECT_EQ(ex->ToneRange().minTone, 1000);
    EXPECT_EQ(ex->ToneRange().maxTone, 1001);
    BufferFeeder feeder(*ex);
    feeder.Feed(Sine(250, 0.5));  // 2058 cents: above the range, so on the top row
    const vDxRect inner = ex->InnerRect();
    const std::vector<int> rows = RowsOf(inner.x + ex->Column() - 1, inner.y, inner.y + inner.h, Green());
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(rows.front(), inner.y + 2);
}

TEST_F(Traces, TheHeadDropsOnlyAfterInvalidNumPlusOneSilentUpdates) {
    WriteSettings("[Pitch_Exercise]\nInvalidNum=3\n");
    auto* ex = ShowStopped<vTrPitch2Exercise_c>(R"(<vTrPitch2Exercise_c> Obj = {
        DispPos = (0, 0); DispWidth = 800; DispHeight = 600;
        <vDxFileImage_c> HeadImage = { FileName = ".Pic/Drawer/Menu0.bmp"; }
        <vDxFileImage_c> NeckImage = { FileName = ".Pic/Drawer/Back0.bmp"; }
        HeadX = 300; HeadMinY = 100; HeadMaxY = 400; NeckPos = (310, 560); NeckOverlap = 10; })");
    BufferFeeder feeder(*ex);
    ASSERT_EQ(feeder.Length(), 1120);
    feeder.Feed(Sine(200, 1.0));
    const int bottom = 100 + 300 - 1;
    ASSERT_LT(ex->HeadY(), bottom - 20);
    // The neck's bottom edge stays on NeckPos.y, up and down.
    vDxImage_i* neck = ex->NeckImage();
    const uint32_t neckBottom = neck->CreateDC()->GetPixel(2, neck->GetHeight() - 1);
    EXPECT_EQ(Pixel(312, 559), neckBottom);
    std::vector<std::pair<uint32_t, int>> updates;
    for (int i = 0; i < 12; ++i) {
        feeder.Feed(feeder.Silence(1));
        updates.emplace_back(ex->InvalidRun(), ex->HeadY());
    }
    std::size_t first = 0;
    while (first < updates.size() && updates[first].first != 1) ++first;
    ASSERT_LT(first + 3, updates.size());
    ASSERT_GT(first, 0u);
    const int up = updates[first - 1].second;
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(updates[first + k].first, k + 1);
        EXPECT_EQ(updates[first + k].second, up) << k;
    }
    EXPECT_EQ(updates[first + 3].first, 3u);
    EXPECT_EQ(updates[first + 3].second, bottom);
    EXPECT_EQ(updates.back().second, bottom);
    EXPECT_EQ(Pixel(312, 559), neckBottom);
    EXPECT_NE(Pixel(312, 560), neckBottom);
}

TEST_F(Traces, TheTraceWrapsAndErasesTailLengthColumnsBehindThePen) {
    WriteSettings("[Ampl_Processor]\nTailLength=5\n");
    auto* ex = ShowStopped<vTrAmpExercise_c>(
        "<vTrAmpExercise_c> Obj = { DispPos = (15, 50); DispWidth = 40; DispHeight = 100; }");
    BufferFeeder feeder(*ex);
    const vDxRect inner = ex->InnerRect();
    const int bottom = inner.y + inner.h - 1;
    feeder.Feed(feeder.Silence(39));
    EXPECT_EQ(ex->Column(), 39);
    feeder.Feed(feeder.Silence(1));
    EXPECT_EQ(ex->Column(), 1);  // wrapped
    feeder.Feed(feeder.Silence(5));
    EXPECT_EQ(ex->Column(), 6);
    // Column 1 lies TailLength behind the pen: erased over the full height.
    EXPECT_TRUE(RowsOf(inner.x + 1, 50, 150, Green()).empty());
    EXPECT_TRUE(RowsOf(inner.x, 50, 150, Green()).empty());
    for (int col = 2; col <= 6; ++col) EXPECT_FALSE(RowsOf(inner.x + col, bottom - 1, bottom + 1, Green()).empty()) << col;
}

TEST_F(Traces, ErasedColumnsShowTheExercisePictureAgain) {
    WriteSettings("[Ampl_Processor]\nTailLength=3\n");
    auto* ex = ShowStopped<vTrAmpExercise_c>(R"(<vTrAmpExercise_c> Obj = { DispPos = (100, 100);
        <vDxFileImage_c> ExImage = { FileName = ".Pic/Drawer/Menu0.bmp"; } })");
    vDxImage_i* picture = ex->ExImage();
    EXPECT_EQ(ex->DisplayRect().w, picture->GetWidth());
    BufferFeeder feeder(*ex);
    const vDxRect inner = ex->InnerRect();
    const int y = inner.y + inner.h - 1;
    auto dc = picture->CreateDC();
    const uint32_t original = dc->GetPixel(2, y - 100);
    dc.reset();
    feeder.Feed(feeder.Silence(2));
    EXPECT_EQ(Pixel(inner.x + 2, y), Green());
    feeder.Feed(feeder.Silence(3));  // column 5: column 2 erased
    EXPECT_EQ(Pixel(inner.x + 2, y), original);
}

TEST_F(Traces, TheHeadSpriteStepsAsideWhileTheStripIsErased) {
    // The bird is 24 pixels wide around its hot spot: with 12 columns of
    // tail each strip is erased while the bird stands on it, and the bird
    // has left it one step later.
    WriteSettings("[Ampl_Processor]\nTailLength=12\n");
    auto* ex = ShowStopped<vTrAmpExercise_c>(R"(<vTrAmpExercise_c> Obj = { DispPos = (100, 100);
        <vDxFileImage_c> ExImage = { FileName = ".Pic/Exercises/Voice/AmpEx.jpg"; }
        <vDxFileSprite_c> HeadImage = { FileName = ".Pic/Exercises/Voice/Bird.bmp"; HotSpot = (12, 12); TransparentColor = $ff00ff; } })");
    BufferFeeder feeder(*ex);
    // Up and down, so that the bird crosses the erased strips and its own trace.
    std::vector<std::int16_t> input;
    for (int i = 0; i < 60; ++i) {
        const auto part = i % 6 < 3 ? Sine(500, 224 / 22050.0, 20000) : std::vector<std::int16_t>(224, 0);
        input.insert(input.end(), part.begin(), part.end());
    }
    ASSERT_EQ(feeder.Feed(input), 60);
    // The strip erased one step ago shows the picture again over its full
    // height, though the bird stood on it when it was erased.
    const vDxRect area = ex->DisplayRect();
    const int penX = ex->InnerRect().x + ex->Column();
    const int e = penX - 1 - 12;
    auto picture = ex->ExImage()->CreateDC();
    auto dc = screen.CreateDC();
    int differ = 0;
    for (int x = e - 1; x <= e; ++x)
        for (int y = area.y; y < area.y + area.h; ++y)
            if (dc->GetPixel(x, y) != picture->GetPixel(x - area.x, y - area.y)) ++differ;
    EXPECT_EQ(differ, 0);
    // And the bird is on the pen.
    ASSERT_TRUE(ex->HeadImage()->IsVisible());
    const vDxPoint head = ex->HeadImage()->Position();
    EXPECT_EQ(head.x, penX);
    EXPECT_EQ(dc->GetPixel(head.x, head.y - 4), Colour(0xff, 0xd2, 0x3a)) << head.y;
}

TEST_F(Traces, TheHeadStaysInsideItsDisplayAtTheBottomLine) {
    // A head that hangs below its hot spot, on the pen of silence.
    auto* ex = ShowStopped<vTrAmpExercise_c>(R"(<vTrAmpExercise_c> Obj = { DispPos = (100, 100);
        <vDxFileImage_c> ExImage = { FileName = ".Pic/Exercises/Voice/AmpEx.jpg"; }
        <vDxFileSprite_c> HeadImage = { FileName = ".Pic/Exercises/Voice/Bird.bmp"; HotSpot = (12, 0); TransparentColor = $ff00ff; } })");
    BufferFeeder feeder(*ex);
    ASSERT_GT(feeder.Feed(feeder.Silence(10)), 0);
    const vDxFileSprite_c& head = *ex->HeadImage();
    ASSERT_TRUE(head.IsVisible());
    const vDxRect display = ex->DisplayRect();
    const int top = head.Position().y - head.GetHotSpot().y;
    EXPECT_GE(top, display.y);
    EXPECT_LE(top + head.GetHeight(), display.y + display.h);
}

TEST_F(Traces, TheBundledHeadsRideOnThePenInTheWindow) {
    vDxScreen_c shown;
    shown.CreateScreen(window.Handle(), 800, 600, 32, false, 800, 600);
    for (const char* file : {"Voice/Loudness.exc", "Voice/Pitch.exc"}) {
        AttachingLoader loader(shown);
        LoadDefinitionFile(file, loader);
        exercise.reset(dynamic_cast<vTrExercise_c*>(loader.Release().release()));
        auto* ex = dynamic_cast<vTrTraceExercise_c*>(exercise.get());
        ASSERT_NE(ex, nullptr) << file;
        ex->Show();
        ex->StopRecording();
        BufferFeeder(*ex).Feed(Sine(220, 1.0));
        DrainMessages();
        shown.Present();
        vDxFileSprite_c& head = *ex->HeadImage();
        ASSERT_TRUE(head.IsVisible()) << file;
        EXPECT_EQ(head.Position().x, ex->InnerRect().x + ex->Column()) << file;
        // Every pixel of the picture but its key colour is what the window shows.
        const vDxPoint at{head.Position().x - head.GetHotSpot().x, head.Position().y - head.GetHotSpot().y};
        const uint32_t key = head.MakeColor(0xff, 0x00, 0xff);
        auto picture = head.CreateDC();
        int drawn = 0, differ = 0;
        for (int y = 0; y < head.GetHeight(); ++y)
            for (int x = 0; x < head.GetWidth(); ++x) {
                const uint32_t p = picture->GetPixel(x, y);
                if (p == key) continue;
                ++drawn;
                uint32_t rgb = 0;
                SDL_Rect r{at.x + x, at.y + y, 1, 1};
                SDL_RenderReadPixels(platform::RendererOf(window.Handle()), &r, SDL_PIXELFORMAT_RGB888, &rgb, 4);
                const auto part = [&](int shift) { return static_cast<uint8_t>(rgb >> shift); };
                if (head.MakeColor(part(16), part(8), part(0)) != p) ++differ;
            }
        EXPECT_GT(drawn, 20) << file;
        EXPECT_EQ(differ, 0) << file;
    }
    exercise.reset();
}

// A step shows anew only what it touched: after every buffer the window
// still shows exactly the screen image (a missed area would leave an old pen
// point, head or neck behind), yet what was drawn on the screen image
// without telling it stays unshown.
TEST_F(Traces, OnlyWhatAStepTouchedIsShownAnewAndNothingStaleStays) {
    vDxScreen_c shown;
    shown.CreateScreen(window.Handle(), 800, 600, 32, false, 800, 600);
    SDL_Surface* back = shown.GetSurface()->Native();
    std::vector<uint32_t> seen(800 * 600);
    auto stalePixels = [&] {
        SDL_RenderReadPixels(platform::RendererOf(window.Handle()), nullptr, SDL_PIXELFORMAT_RGB888, seen.data(), 800 * 4);
        int stale = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const uint32_t p = static_cast<const uint32_t*>(back->pixels)[y * back->pitch / 4 + x];
                stale += (p & 0xFFFFFF) != (seen[static_cast<std::size_t>(y * 800 + x)] & 0xFFFFFF);
            }
        return stale;
    };
    for (const char* file : {"Voice/Loudness.exc", "Voice/Pitch.exc", "Voice/Giraffe.exc"}) {
        AttachingLoader loader(shown);
        LoadDefinitionFile(file, loader);
        exercise.reset(dynamic_cast<vTrExercise_c*>(loader.Release().release()));
        auto* ex = dynamic_cast<vTrHmContExercise_c*>(exercise.get());
        ASSERT_NE(ex, nullptr) << file;
        ex->Show();
        ex->StopRecording();
        DrainMessages();
        shown.Present();
        BufferFeeder feeder(*ex);
        // Rising and falling voices with pauses, one buffer and one frame at a time.
        int stale = 0;
        for (double hz : {130.0, 260.0, 0.0, 180.0, 400.0, 0.0, 110.0}) {
            const std::vector<std::int16_t> s = hz > 0 ? Sine(hz, 0.4) : feeder.Silence(40);
            for (std::size_t at = 0; at + static_cast<std::size_t>(feeder.Length()) <= s.size();
                 at += static_cast<std::size_t>(feeder.Length())) {
                feeder.Feed({s.begin() + static_cast<std::ptrdiff_t>(at),
                             s.begin() + static_cast<std::ptrdiff_t>(at) + feeder.Length()});
                shown.Present();
            }
            stale = std::max(stale, stalePixels());
        }
        EXPECT_EQ(stale, 0) << file;
        SDL_Rect corner{0, 0, 4, 4};
        SDL_FillRect(back, &corner, SDL_MapRGB(back->format, 255, 0, 255));
        feeder.Feed(Sine(200, 0.1));
        shown.Present();
        EXPECT_EQ(stalePixels(), 16) << file << ": the whole screen was shown anew";
        shown.Invalidate();
        shown.Present();
    }
    exercise.reset();
}

TEST_F(Traces, TheOverloadIndicatorLightsWhileTheInputClips) {
    WriteSettings("[Preprocessor]\nOverloadDelay=2\n");
    auto* ex = ShowStopped<vTrAmpExercise_c>("<vTrAmpExercise_c> Obj = { OverloadPos = (700, 20); OverloadSize = (12, 8); }");
    BufferFeeder feeder(*ex);
    feeder.Feed(std::vector<std::int16_t>(224, 32000));
    EXPECT_EQ(Pixel(705, 24), screen.MakeColor(kTrRedPaletteIndex));
    feeder.Feed(feeder.Silence(4));
    EXPECT_EQ(Pixel(705, 24), Black());
}

TEST_F(Traces, NothingIsAllocatedPerBuffer) {
    const auto tone = Sine(180, 2.0);
    auto check = [&](vTrHmContExercise_c& ex, const char* name) {
        BufferFeeder feeder(ex);
        feeder.Feed(tone);  // warm-up: every path once
        alloc_counter::Begin();
        const int buffers = feeder.Feed(tone);
        const long allocations = alloc_counter::End();
        EXPECT_GT(buffers, 10) << name;
        EXPECT_EQ(allocations, 0) << name;
    };
    check(*ShowStopped<vTrAmpExercise_c>(R"(<vTrAmpExercise_c> Obj = { DispWidth = 200;
        <vDxFileSprite_c> HeadImage = { FileName = ".Pic/Drawer/Menu0.bmp"; } })"), "amplitude");
    check(*ShowStopped<vTrPitchExercise_c>(R"(<vTrPitchExercise_c> Obj = { DispWidth = 200;
        <vDxFileImage_c> ExImage = { FileName = ".Pic/Drawer/Menu0.bmp"; } })"), "pitch");
    check(*ShowStopped<vTrPitch2Exercise_c>(R"(<vTrPitch2Exercise_c> Obj = {
        <vDxFileImage_c> HeadImage = { FileName = ".Pic/Drawer/Menu0.bmp"; }
        <vDxFileImage_c> NeckImage = { FileName = ".Pic/Drawer/Back0.bmp"; }
        HeadX = 300; HeadMinY = 100; HeadMaxY = 400; NeckPos = (310, 560); })"), "pitch-2");
    std::string corridor;
    for (const char* name : {"MinValues1", "MaxValues1", "MinWeight1", "MaxWeight1"})
        corridor += std::string(name) + " = (50,50,50,50,50,50,50,50,50,50,50,50,50,50,50,50,50,50,50,50);\n";
    check(*ShowStopped<vTrRtHmExercise_c>("<vTrRtHmExercise_c> Obj = { ResDisplay = { }\n" + corridor +
        "<vDxFileImage_c> Level1Pic = { FileName = \".Pic/Drawer/Menu0.bmp\"; } }"), "live spectrum");
}

TEST_F(Traces, BadDisplayAreasAreRefusedWhenShown) {
    Load("<vTrAmpExercise_c> Obj = { DispWidth = -5; }");
    EXPECT_THROW(exercise->Show(), vTextException_c);
    Load("<vTrAmpExercise_c> Obj = { DispHeight = 40; OfsTop = 30; OfsBottom = 30; }");
    EXPECT_THROW(exercise->Show(), vTextException_c);
    Load("<vTrPitch2Exercise_c> Obj = { HeadMinY = 300; HeadMaxY = 100; }");
    EXPECT_THROW(exercise->Show(), vTextException_c);
    // Outside the screen: drawn clipped, nothing breaks.
    auto* ex = ShowStopped<vTrAmpExercise_c>("<vTrAmpExercise_c> Obj = { DispPos = (700, 500); DispWidth = 600; DispHeight = 400; }");
    BufferFeeder(*ex).Feed(std::vector<std::int16_t>(224 * 50, 1000));
    EXPECT_EQ(ex->Column(), 50);
}

TEST_F(Traces, FramingSettingsThatWouldBreakTheLoopAreBroughtIntoRange) {
    WriteSettings("[Ampl_Processor]\nWindowNum=0\nInterLeave=0\nWindowSize=3\n"
                  "[Pitch_Processor2]\nWindowNum=3\nInterLeave=2\n[Pitch_Exercise]\nDisplayInterleave=0\n");
    auto* amp = ShowStopped<vTrAmpExercise_c>("<vTrAmpExercise_c> Obj = { }");
    EXPECT_EQ(amp->Framing().windowNum, 1u);
    EXPECT_EQ(amp->Framing().interLeave, 1u);
    EXPECT_EQ(amp->Framing().windowSize, 8u);
    EXPECT_EQ(amp->BufferLength(), 8);
    BufferFeeder(*amp).Feed(std::vector<std::int16_t>(80, 0));
    EXPECT_EQ(amp->Column(), 10);
    // Three windows per buffer, every second one analysed: one column per buffer.
    auto* pitch2 = ShowStopped<vTrPitch2Exercise_c>("<vTrPitch2Exercise_c> Obj = { HeadMinY = 100; HeadMaxY = 400; }");
    EXPECT_EQ(pitch2->BufferLength(), 3 * 1120);
    BufferFeeder feeder(*pitch2);
    feeder.Feed(Sine(200, 1.0));
    EXPECT_LT(pitch2->HeadY(), 399);
}

// Exercises close and reopen capture around every suspension; the
// microphone must not start its input again each time.
TEST_F(Traces, TwoWordsAcrossASuspensionAreEachHeardOnce) {
    const auto one = Speech("one", -3), two = Speech("two", -3);
    if (one.empty() || two.empty()) GTEST_SKIP() << "espeak-ng or sox is not available";
    WriteSettings("[Preprocessor]\nPreAllocNum=4\n");
    WriteWav(dir / "one.wav", one);
    WriteWav(dir / "two.wav", two);
    setenv("LORVANO_AUDIO_IN", ((dir / "one.wav").string() + ":" + (dir / "two.wav").string()).c_str(), 1);
    setenv("LORVANO_AUDIO_GAP_MS", "1500", 1);
    auto* ex = Load<vTrAmpExercise_c>("<vTrAmpExercise_c> Obj = { DispWidth = 800; DispPos = (0, 0); }");
    ex->Show();

    // Words as runs of loud windows, counted column by column.
    int words = 0, quiet = 100, lastColumn = ex->Column(), windows = 0;
    auto watch = [&] {
        if (ex->Column() == lastColumn) return;
        lastColumn = ex->Column();
        ++windows;
        if (ex->Level() > 3000) {
            if (quiet >= 20) ++words;
            quiet = 0;
        } else {
            ++quiet;
        }
    };
    ASSERT_TRUE(PumpUntil([&] { watch(); return words == 1 && quiet >= 30; }));
    ex->Suspend();
    EXPECT_FALSE(ex->Listening());
    ex->Resume();
    EXPECT_TRUE(ex->Listening());
    const int total = static_cast<int>((one.size() + two.size()) / 224) + 1500 * 22050 / 1000 / 224;
    ASSERT_TRUE(PumpUntil([&] { watch(); return windows > total + 60; }));
    EXPECT_EQ(words, 2);
}
