#include "exercises/word_display.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "analysis/recording.h"
#include "analysis/time_warp.h"
#include "display/dx_dc.h"
#include "display/dx_simple_image.h"
#include "exercises/marker_draw.h"
#include "settings/settings.h"
#include "../support/temp_dir.h"

namespace {

constexpr int kWidth = 600, kHeight = 150;

// Fills the display rectangle black, as an exercise without pictures does.
struct BlackBackground : vWordDisplayBackground_i {
    void DrawDisplayBackground(vDxImage_i& target, vDxPoint p) override {
        ++calls;
        target.FillRect({p.x, p.y, kWidth, kHeight}, target.MakeColor(0, 0, 0));
    }
    int calls = 0;
};

// quiet frames, then loud frames whose bands rise with the frame number,
// then quiet frames; levels already on the display scale (Calculate keeps
// them: the loudest full band is 5000).
vRecording_c MakeRecording(int before, int loud, int after, int32_t quiet = 1500, int step = 40) {
    vRecording_c rec(before + loud + after);
    rec.SetWaveValid(false);
    for (int p = 0; p < before + loud + after; ++p) {
        vAllHmData_c f;
        const bool inWord = p >= before && p < before + loud;
        for (int k = 0; k < kBandCount; ++k) f.channels[k] = inWord ? 3000 + step * (p - before) + 20 * k : quiet;
        f.fullBand = inWord ? 5000 : quiet;
        f.lowBand = f.fullBand - 100;
        f.pitch = inWord ? 500 : -1;
        f.semiTone = inWord ? 1200 + 10 * (p - before) : -1;
        f.pitchFreq = inWord ? 10000 : -1;
        rec.AppendFrame(f, true, true);
    }
    rec.Calculate(2000, 0, 0, true, 10);
    return rec;
}

class WordDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        target.Create(800, 400, 32);
        target.FillRect({0, 0, 800, 400}, target.MakeColor(128, 128, 128));
        display.SetSize(kWidth, kHeight);
        display.ConvertColors(target);
    }
    vTrWordDisplay_c::Args ArgsFor(vRecording_c& rec, vRecording_c* reference, const vWarpData_c* warp) {
        return display.ArgsFor(target, {15, 200}, rec, reference, warp);
    }
    // Whether any pixel of a column (x0..x0+w-1 over the display height) is
    // not black.
    bool ColumnDrawn(int x0, int w) {
        auto dc = target.CreateDC();
        const uint32_t black = target.MakeColor(0, 0, 0);
        for (int x = x0; x < x0 + w; ++x)
            for (int y = 200; y < 200 + kHeight; ++y)
                if (dc->GetPixel(x, y) != black) return true;
        return false;
    }

    vDxSimpleImage_c target;
    BlackBackground background;
    vTrWordDisplay_c display{background, vWordDisplaySettings_c{}};
};

}  // namespace

TEST(WordDisplayScale, SixteenEntries) {
    EXPECT_EQ(vTrWordDisplay_c::ScaleColor(0).mRed, 0);
    EXPECT_EQ(vTrWordDisplay_c::ScaleColor(0).mBlue, 128);
    EXPECT_EQ(vTrWordDisplay_c::ScaleColor(7).mGreen, 224);
    EXPECT_EQ(vTrWordDisplay_c::ScaleColor(8).mRed, 255);
    EXPECT_EQ(vTrWordDisplay_c::ScaleColor(8).mGreen, 0);
    EXPECT_EQ(vTrWordDisplay_c::ScaleColor(15).mGreen, 224);
    EXPECT_EQ(vTrWordDisplay_c::ScaleColor(15).mBlue, 0);
}

TEST_F(WordDisplay, ColourIndexFromLevel) {
    // L = 2000: 3000 levels spread over 8 entries.
    EXPECT_EQ(display.ColorIndex(1000, true), 0);
    EXPECT_EQ(display.ColorIndex(2374, true), 0);
    EXPECT_EQ(display.ColorIndex(2375, true), 1);
    EXPECT_EQ(display.ColorIndex(4999, true), 7);
    EXPECT_EQ(display.ColorIndex(90000, false), 15);
    // A floor at the ceiling leaves one colour instead of a division by zero.
    display.Settings().displayDontCareLevel = 5000;
    EXPECT_EQ(display.ColorIndex(6000, true), 0);
    EXPECT_EQ(display.ColorIndex(6000, false), 8);
}

TEST_F(WordDisplay, WarpedDisplayOfFiftyColumnsLeavesBothEndsEmpty) {
    vRecording_c etalon = MakeRecording(10, 41, 10);
    vRecording_c say = MakeRecording(8, 31, 12);
    ASSERT_EQ(etalon.RecSize(), 40);
    ASSERT_EQ(say.RecSize(), 30);
    vWarpData_c warp;
    warp.Warp(etalon, say, 2000);
    auto args = ArgsFor(say, &etalon, &warp);
    ASSERT_EQ(args.frames, 50);
    EXPECT_NO_THROW(display.DrawBands(args, display.BarHeight(), true, 300));
    EXPECT_EQ(background.calls, 1);
    // 600 pixels over 50 positions: 12 per position (the last ends at the
    // display's right edge).
    for (int i = -5; i < 45; ++i) {
        const bool drawn = ColumnDrawn(display.ColumnX(args, i), 11);
        if (i < 0 || i >= 40)
            EXPECT_FALSE(drawn) << "position " << i;
        else
            EXPECT_TRUE(drawn) << "position " << i;
    }
}

TEST_F(WordDisplay, PlainDisplayShowsTheFramesAfterTheWord) {
    vRecording_c etalon = MakeRecording(10, 41, 10);
    auto args = ArgsFor(etalon, nullptr, nullptr);
    display.DrawVolume(args);
    for (int i = -5; i < 45; ++i) EXPECT_EQ(ColumnDrawn(display.ColumnX(args, i), 11), i >= 0) << "position " << i;
    // The quiet frames after the word are low bars, the word's are full height.
    auto dc = target.CreateDC();
    const uint32_t black = target.MakeColor(0, 0, 0);
    const int x = display.ColumnX(args, 2);
    EXPECT_NE(dc->GetPixel(x, 202), black);
    EXPECT_EQ(dc->GetPixel(display.ColumnX(args, 42), 202), black);
    EXPECT_NE(dc->GetPixel(display.ColumnX(args, 42), 200 + kHeight - 3), black);
}

TEST_F(WordDisplay, WarpedWithoutWarpData) {
    vRecording_c etalon = MakeRecording(5, 20, 5);
    vRecording_c say = MakeRecording(5, 20, 5);
    try {
        display.DrawBands(ArgsFor(say, &etalon, nullptr), 5, false, 300);
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Cannot display a warped recording if aWarpData == NULL");
    }
    // An empty reference: nothing drawn, nothing raised.
    vRecording_c empty(10);
    EXPECT_NO_THROW(display.DrawVolume(ArgsFor(say, &empty, nullptr)));
}

TEST_F(WordDisplay, ErrorCrossesAndOutlinesInModeTwo) {
    vRecording_c etalon = MakeRecording(5, 20, 5, 1500, 0);
    vRecording_c louder = MakeRecording(5, 20, 5, 1500, 0);
    vRecording_c quieter = MakeRecording(5, 20, 5, 1500, 0);
    for (int p = 0; p < 30; ++p)
        for (int k = 0; k < kBandCount; ++k) {
            if (louder.Frame(p).channels[k] > 2000) louder.Frame(p).channels[k] += 500;
            if (quieter.Frame(p).channels[k] > 2000) quieter.Frame(p).channels[k] -= 500;
        }
    const uint32_t green = target.MakeColor(250), white = target.MakeColor(255);
    auto count = [&](uint32_t colour) {
        int n = 0;
        auto dc = target.CreateDC();
        for (int y = 200; y < 200 + kHeight; ++y)
            for (int x = 15; x < 15 + kWidth; ++x) n += dc->GetPixel(x, y) == colour;
        return n;
    };
    vWarpData_c warp;
    warp.Warp(etalon, louder, 2000);
    display.DrawBands(ArgsFor(louder, &etalon, &warp), 5, true, 300);
    EXPECT_GT(count(green), 0);
    EXPECT_EQ(count(white), 0);
    warp.Warp(etalon, quieter, 2000);
    display.DrawBands(ArgsFor(quieter, &etalon, &warp), 5, true, 300);
    EXPECT_EQ(count(green), 0);
    EXPECT_GT(count(white), 0);
    // Without the error marks (mode 1): neither.
    display.DrawBands(ArgsFor(quieter, &etalon, &warp), 5, false, 300);
    EXPECT_EQ(count(white), 0);
}

TEST_F(WordDisplay, PitchCurveIsDrawnThroughVoicedFrames) {
    vRecording_c etalon = MakeRecording(5, 20, 5);
    auto args = ArgsFor(etalon, nullptr, nullptr);
    display.DrawPitch(args);
    const uint32_t colour = display.ScaleEntry(7);
    int columns = 0;
    auto dc = target.CreateDC();
    for (int i = 2; i < 19; ++i) {
        bool found = false;
        for (int y = 200; y < 200 + kHeight && !found; ++y) found = dc->GetPixel(display.ColumnX(args, i), y) == colour;
        columns += found;
    }
    EXPECT_EQ(columns, 17);
    // Unvoiced frames after the word draw nothing.
    for (int y = 200; y < 200 + kHeight; ++y) EXPECT_NE(dc->GetPixel(display.ColumnX(args, 23) + 1, y), colour);
}

// Markers: line and label, selected and collected codes.
class MarkerDrawing : public WordDisplay {
protected:
    void UseLines(bool on) {
        lorvano_test::WriteFile(dir.File("trainer.ini"),
                                std::string("[ResDisplay]\nDrawSegmentLine=") + (on ? "1" : "0") + "\n");
        gSettings.SetFileName(dir.File("trainer.ini").c_str());
    }
    void TearDown() override { gSettings.SetFileName(nullptr); }
    std::unique_ptr<vSegmentMarker_c> Marker(const std::string& label, const std::string& code) {
        auto m = std::make_unique<vSegmentMarker_c>();
        m->label = label;
        m->segmentCode = code;
        return m;
    }
    // Colours present in a rectangle.
    std::set<uint32_t> Colours(int x0, int y0, int x1, int y1) {
        std::set<uint32_t> out;
        auto dc = target.CreateDC();
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) out.insert(dc->GetPixel(x, y));
        return out;
    }
    void Clear() { target.FillRect({0, 0, 800, 400}, target.MakeColor(0, 0, 0)); }
    // Whether the label's place (right of the line, from bottom - 18) holds
    // drawn text: the glyphs are smoothed, so any pixel off the background.
    bool LabelShown() {
        const auto c = Colours(303, 232, 340, 250);
        return c.size() > 1 || !c.count(target.MakeColor(0, 0, 0));
    }

    lorvano_test::TempDir dir;
};

TEST_F(MarkerDrawing, LineAndLabel) {
    UseLines(true);
    auto m = Marker("ka", "k");
    vMarkerDrawArgs a;
    a.top = 100;
    a.bottom = 250;
    a.x = 300;
    Clear();
    DrawSegmentMarker(*m, target, a);
    const uint32_t blue = target.MakeColor(0, 0, 255), white = target.MakeColor(255, 255, 255);
    EXPECT_TRUE(Colours(299, 103, 301, 227).count(blue));
    EXPECT_FALSE(Colours(299, 90, 302, 101).count(blue));
    // The label (white) stands right of the line, from bottom - 18.
    EXPECT_TRUE(LabelShown());
    EXPECT_EQ(Colours(303, 100, 340, 225).size(), 1u);
    // Selected and active: a white line.
    a.selected = a.active = true;
    Clear();
    DrawSegmentMarker(*m, target, a);
    EXPECT_TRUE(Colours(299, 110, 301, 220).count(white));
    EXPECT_FALSE(Colours(299, 110, 301, 220).count(blue));
}

TEST_F(MarkerDrawing, WithoutLineOrLabel) {
    UseLines(false);
    auto labelled = Marker("ka", "");
    vMarkerDrawArgs a;
    a.top = 100;
    a.bottom = 250;
    a.x = 300;
    Clear();
    DrawSegmentMarker(*labelled, target, a);
    const uint32_t blue = target.MakeColor(0, 0, 255), white = target.MakeColor(255, 255, 255);
    EXPECT_FALSE(Colours(298, 100, 302, 250).count(blue));
    EXPECT_TRUE(LabelShown());

    UseLines(true);
    auto bare = Marker("", "a");
    Clear();
    DrawSegmentMarker(*bare, target, a);
    EXPECT_EQ(Colours(280, 90, 400, 260).size(), 1u);  // unselected without a label: nothing
    a.selected = true;
    DrawSegmentMarker(*bare, target, a);
    EXPECT_TRUE(Colours(299, 110, 301, 220).count(blue));
    EXPECT_FALSE(LabelShown());
}
