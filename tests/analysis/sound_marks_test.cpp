#include "analysis/sound_marks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "analysis/recording.h"
#include "analysis/sound_limits.h"
#include "analysis/time_warp.h"
#include "platform/message_box.h"

namespace fs = std::filesystem;

namespace {

std::string List(const char* name, int first, int step, int count = 20) {
    std::string s = std::string(name) + "(";
    for (int i = 0; i < count; ++i) s += (i ? ", " : "") + std::to_string(first + i * step);
    return s + ")\n";
}

class SoundFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string stem = (fs::temp_directory_path() / ("lorvano_models_" + std::to_string(::getpid()))).string();
        models = stem + "_models.ini";
        limitsPath = stem + "_limits.ini";
        platform::SetMessageBoxHook([this](const platform::MessageBoxRecord& box) {
            boxes.push_back(box);
            return platform::BoxAnswer::Ok;
        });
    }
    void TearDown() override {
        platform::SetMessageBoxHook({});
        fs::remove(models);
        fs::remove(limitsPath);
    }
    static void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

    std::string models, limitsPath;
    std::vector<platform::MessageBoxRecord> boxes;
};

}  // namespace

TEST_F(SoundFiles, ModelsAreSharedByEveryFrameOfASound) {
    Write(models, "; models\n[a:]\n" + List("MinValues", 1000, 10) + List("MaxValues", 2001, 10) +
                      List("MinWeight", 1, 1) + List("MaxWeight", 2, 0, 3) + "[S]\n" + List("MinValues", -10, 0) +
                      List("MaxValues", -13, 0) + List("MinWeight", 5, 0, 2) + List("MaxWeight", 6, 0));
    vSoundFrames_c t;
    t.Allocate(6, 0);
    t.SetCode(1, "a");
    t.SetCode(4, "S");
    EXPECT_TRUE(t.LoadModels(models));
    EXPECT_TRUE(boxes.empty());
    // trunc((1000 + 2001) / 2 + 0.5) = 1501.
    EXPECT_EQ(t[1].model[0], 1501);
    EXPECT_EQ(t[1].model[19], 1501 + 190);
    EXPECT_EQ(t[2].model[0], 1501);
    EXPECT_EQ(t[3].maxWeight[2], 2);
    EXPECT_EQ(t[3].maxWeight[3], 0);
    // Frames before the first sound stay empty.
    EXPECT_EQ(t[0].model[0], 0);
    // trunc(-11.5 + 0.5) = -11; the unlisted weights keep those read before.
    EXPECT_EQ(t[4].model[0], -11);
    EXPECT_EQ(t[5].model[0], -11);
    EXPECT_EQ(t[4].minWeight[1], 5);
    EXPECT_EQ(t[4].minWeight[2], 3);
}

TEST_F(SoundFiles, ModelFileProblemsShowTheirBoxes) {
    vSoundFrames_c t;
    t.Allocate(4, 0);
    t.SetCode(0, "a");
    t.SetCode(2, "i:");
    EXPECT_FALSE(t.LoadModels(models + ".none"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].text, "Cannot open " + models + ".none file!\n\nThe feedback can't work properly!");

    const std::string good = List("MinValues", 10, 0) + List("MaxValues", 20, 0) + List("MinWeight", 1, 0) + List("MaxWeight", 1, 0);
    Write(models, "[a]\n" + good);
    boxes.clear();
    EXPECT_FALSE(t.LoadModels(models));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Unknown sampa code: [i]\nThe feedback can't work properly!!!");
    // The good sound before the stop covers the frames up to it.
    EXPECT_EQ(t[1].model[5], 15);
    EXPECT_EQ(t[2].model[5], 0);

    // 19 values, 21 values, garbage, a missing line: each is an error at its label.
    const std::string bad[] = {
        "[a]\n" + List("MinValues", 1, 0, 19) + List("MaxValues", 1, 0) + List("MinWeight", 1, 0) + List("MaxWeight", 1, 0),
        "[a]\n" + List("MinValues", 1, 0, 21) + List("MaxValues", 1, 0) + List("MinWeight", 1, 0) + List("MaxWeight", 1, 0),
        "[a]\n" + List("MinValues", 1, 0) + List("MaxValues", 1, 0) + List("MinWeight", 1, 0, 21) + List("MaxWeight", 1, 0),
        "[a]\nMinValues(1,2,x,4)\n",
        "[a]\n" + List("MinValues", 1, 0),
        "[a]\n" + List("MaxValues", 1, 0) + List("MinValues", 1, 0) + List("MinWeight", 1, 0) + List("MaxWeight", 1, 0),
    };
    for (const std::string& text : bad) {
        Write(models, text);
        boxes.clear();
        EXPECT_FALSE(t.LoadModels(models)) << text;
        ASSERT_EQ(boxes.size(), 1u) << text;
        EXPECT_EQ(boxes[0].text, "Error in " + models + " file at [a] label!\nThe feedback can't work properly!!!");
    }
}

TEST_F(SoundFiles, PenaltyOfOneFrame) {
    vSoundFrames_c t;
    t.Allocate(1, 100);  // offsets -100, 0, 100
    auto& f = t[0];
    f.model.fill(1000);
    f.minWeight.fill(20);
    f.maxWeight.fill(30);
    f.measured.fill(1000);
    f.measured[1] = 1350;
    f.measured[2] = 400;
    f.measured[0] = 9999;  // band 0 is not used
    // Hard factor 4, soft tolerance 100, hard tolerance 400.
    t.ComputeFramePenalty(0, 100, 4, 100, 400);
    // Offset 0 (m = 1000): band 1 h = 250/100 = 2, soft: 2*30*2/19 = 6;
    // band 2 l = -500/100 = -5, hard: 4*20*25/19 = 105.
    EXPECT_EQ(f.penalty[1], 6 + 105);
    // Offset -100 (m = 900): band 1 h = 3, hard: 4*30*9/19 = 56; band 2 l = -4,
    // hard: 4*20*16/19 = 67; the other bands (1000) lie within 900 +- 100.
    EXPECT_EQ(f.penalty[0], 56 + 67);
    // Offset +100 (m = 1100): band 1 h = 1, soft: 30/19 = 1; band 2 l = -6,
    // hard: 4*20*36/19 = 151.
    EXPECT_EQ(f.penalty[2], 1 + 151);
}

TEST_F(SoundFiles, MarksTrimmingAndAffricates) {
    Write(limitsPath,
          "[Sounds]\na=100\n'tS=100\nS=100\n[OtherMarks]\nMark2=400\nMark3=300\nMark4=200\n"
          "[Constants]\nConst2-1=1\nConst2-2=0\nConst2-3=100000\nAffricateLimit=500\n");
    vSoundLimits limits("a", limitsPath);
    vSoundFrames_c t;
    // Sounds: a [0,10), 'tS [10,15), S [15,23), a [23,24) (the last frame gets no mark).
    t.Allocate(24, 0);
    t.SetCode(0, "a");
    t.SetCode(10, "'tS");
    t.SetCode(15, "S");
    t.SetCode(23, "a");
    for (int r = 0; r < 24; ++r) {
        t[r].minWeight.fill(19);
        t[r].maxWeight.fill(19);
        t[r].measured[21] = r < 10 ? 3000 : 3400;
    }
    // With weights 19, a band h hundreds above the model costs h * h.
    auto above = [&](int r, int hundreds) { t[r].measured[1] = hundreds * 100; };
    // "a" (10 frames) loses two frames at each end: its costly edges do not count.
    for (int r : {0, 1, 8, 9}) above(r, 30);
    // "S" (8 frames) loses one at each end: 6 kept frames of 4 * 4 = 16.
    above(15, 100);
    above(22, 100);
    for (int r = 16; r < 22; ++r) above(r, 4);
    // 'tS (5 frames) is not trimmed: one frame of 10 * 10 gives 100 / 5 = 20.
    above(12, 10);

    auto summary = t.ComputeSoundMarks(limits);
    EXPECT_EQ(t[0].distance, 0);
    EXPECT_EQ(t[10].distance, 20);
    EXPECT_EQ(t[15].distance, 16);
    EXPECT_EQ(t[0].level, 3000);
    EXPECT_EQ(t[10].level, 3400);
    // 'tS rises only 400 over "a" where an affricate needs 500: both get 1.
    EXPECT_EQ(t[10].mark, 1);
    EXPECT_EQ(t[0].mark, 1);
    EXPECT_EQ(t[15].mark, 5);
    EXPECT_EQ(t[23].mark, 0);
    EXPECT_EQ(summary.viMark, 1);
    EXPECT_EQ(summary.meanMark, (1 + 1 + 5) / 3);

    // With a rise of 600 the affricate is judged by its distance like any sound.
    for (int r = 10; r < 24; ++r) t[r].measured[21] = 3600;
    summary = t.ComputeSoundMarks(limits);
    EXPECT_EQ(t[0].mark, 5);
    EXPECT_EQ(t[10].mark, 5);
    EXPECT_EQ(summary.viMark, 5);
}

TEST_F(SoundFiles, MarkSteps) {
    Write(limitsPath, "[Sounds]\na=100\n[OtherMarks]\nMark2=400\nMark3=300\nMark4=200\n[Constants]\nConst2-3=100000\n");
    vSoundLimits limits("a:", limitsPath);
    vSoundFrames_c t;
    // A one-frame sound at 0; the sound at the last frame ends it and gets no mark.
    t.Allocate(2, 0);
    t.SetCode(0, "a");
    t.SetCode(1, "a");
    t[0].maxWeight.fill(19);
    // distance = h * h for one frame: 10 -> 100 (5), 14 -> 196 (4), 17 -> 289 (3), 20 -> 400 (2), 21 -> 441 (1).
    const std::pair<int, int> cases[] = {{10, 5}, {14, 4}, {17, 3}, {20, 2}, {21, 1}};
    for (auto [h, mark] : cases) {
        t[0].measured[1] = h * 100;
        auto summary = t.ComputeSoundMarks(limits);
        EXPECT_EQ(t[0].mark, mark) << h;
        // "a:" is the target: "a" counts through the other length form.
        EXPECT_EQ(summary.viMark, mark);
    }
}

TEST(SoundFrames, CodesFromMarkersAndMeasurementsFromTheWarp) {
    // Frames 0 and 7 are quiet, 1..6 the word; the say is the word at half speed.
    vRecording_c etalon(10), say(20);
    auto frame = [](int level, int tag) {
        vAllHmData_c f;
        for (int k = 0; k < 20; ++k) f.channels[k] = level + 10 * k;
        f.lowBand = tag;
        f.fullBand = level;
        return f;
    };
    etalon.AppendFrame(frame(0, 0), true, true);
    say.AppendFrame(frame(0, 0), true, true);
    for (int i = 1; i <= 6; ++i) {
        etalon.AppendFrame(frame(3000 + 300 * i, i), true, true);
        say.AppendFrame(frame(3000 + 300 * i, 100 + i), true, true);
        say.AppendFrame(frame(3000 + 300 * i, 200 + i), true, true);
    }
    etalon.AppendFrame(frame(0, 0), true, true);
    say.AppendFrame(frame(0, 0), true, true);

    auto marker = [](int32_t pos, bool absolute, const char* code) {
        auto m = std::make_unique<vSegmentMarker_c>();
        m->SetPos(pos, absolute);
        m->segmentCode = code;
        return m;
    };
    etalon.Markers().Add(marker(0, false, "a"));     // the word's first frame
    etalon.Markers().Add(marker(4, true, "\\'tS"));  // frame 4 of the recording
    etalon.Markers().Add(marker(5, true, "ts\\'"));   // the escape anywhere: the first character goes
    etalon.Markers().Add(marker(40, true, "e"));     // outside the word
    etalon.Calculate(2000, 0, 0, true, 10);
    say.Calculate(2000, 0, 0, true, 10);
    ASSERT_EQ(etalon.WordBegin(), 1);
    // The last loud frame closes the section and lies outside it.
    ASSERT_EQ(etalon.RecSize(), 5);
    ASSERT_EQ(say.RecSize(), 11);

    vSoundFrames_c t;
    t.Allocate(etalon.RecSize(), 0);
    t.SetCodesFromMarkers(etalon);
    EXPECT_EQ(t[0].code, "a");
    EXPECT_EQ(t[3].code, "'tS");
    EXPECT_EQ(t[4].code, "s\\'");
    for (int r : {1, 2}) EXPECT_EQ(t[r].code, "") << r;

    vWarpData_c warp;
    warp.Warp(etalon, say, 2000);
    t.FillMeasured(say, warp);
    for (int r = 0; r < 5; ++r) {
        const vAllHmData_c& aligned = say.WordFrame(warp.RowForColumn(r));
        EXPECT_EQ(t[r].measured[5], aligned.channels[5]);
        EXPECT_EQ(t[r].measured[20], aligned.lowBand);
        EXPECT_EQ(t[r].measured[21], aligned.fullBand);
        // Each etalon frame meets one of its two slower copies.
        EXPECT_EQ(aligned.lowBand % 100, r + 1) << r;
    }
}
