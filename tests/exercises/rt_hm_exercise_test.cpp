// The live spectrum exercise on an offscreen screen with the file audio
// backend: loading and bad definitions, levels and their buttons, drawing of
// curves and corridor, the editor and saving an edited corridor, and real
// espeak-ng sounds scored on the bundled "s" and "a" exercises.

#include "exercises/rt_hm_exercise.h"

#include "display/dx_button.h"
#include "display/dx_simple_image.h"
#include "events/window.h"
#include "exercises/app_services.h"
#include "exercises/result_view.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "platform/atomic_file.h"
#include "platform/message_box.h"
#include "platform/message_queue.h"
#include "settings/settings.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using lorvano_test::TempDir;

namespace {

const std::string kData = LORVANO_SOURCE_DIR "/data/english";

std::string List(int value, int count = 20) {
    std::string s = "(";
    for (int k = 0; k < count; ++k) s += (k ? "," : "") + std::to_string(value);
    return s + ")";
}

// A level body: picture of w x h and a flat corridor lo..hi, weights w.
std::string LevelBody(int n, int lo, int hi, int weight, int width = 400, int height = 300) {
    const std::string i = std::to_string(n);
    return "<vDxSimpleImage_c> Level" + i + "Pic = { Width = " + std::to_string(width) + "; Height = " +
           std::to_string(height) + "; BPP = 32; }\n" + "MinValues" + i + " = " + List(lo) + ";\nMaxValues" + i +
           " = " + List(hi) + ";\nMinWeight" + i + " = " + List(weight) + ";\nMaxWeight" + i + " = " +
           List(weight) + ";\n";
}

class Teacher : public vTrAppServices_i {
public:
    std::string CurrentMenuDir() const override { return {}; }
    void SuspendDrawing() override {}
    void ResumeDrawing() override {}
    vTrExercise_c* LoadExerciseFile(const std::string&) override { return nullptr; }
    int SaveSayForStudent(int, const std::string&, const std::string&) override { return 0; }
    int TeacherLoggedIn() override { return loggedIn; }
    int SelectStudentFile(std::string&, const std::string&) override { return 0; }
    int SelectStudentExerciseFile(std::string&, std::string&) override { return 0; }
    int loggedIn = 0;
};

class RtHmExercise : public ::testing::Test {
protected:
    void SetUp() override {
        SetDxScreenInfo({true, 32, false, 800, 600, 800, 600});
        WriteSettings("");
        setenv("LORVANO_AUDIO", "file", 1);
        setenv("LORVANO_AUDIO_PACE", "fast", 1);
        setenv("LORVANO_AUDIO_GAP_MS", "0", 1);
        unsetenv("LORVANO_AUDIO_IN");
        unsetenv("LORVANO_AUDIO_END");
        platform::SetMessageBoxHook([this](const platform::MessageBoxRecord& box) {
            boxes.push_back(box);
            return platform::BoxAnswer::Ok;
        });
        window.Create();
        SetDxMainWindow(&window);
        screen.Create(800, 600, 32);
    }
    void TearDown() override {
        exercise.reset();
        Drain();
        SetAppServices(nullptr);
        SetDxMainWindow(nullptr);
        platform::SetMessageBoxHook({});
        gSettings.SetFileName(nullptr);
    }

    // Settings: the bundled filter bank, then the lines given.
    void WriteSettings(const std::string& lines) {
        lorvano_test::WriteFile(dir.File("trainer.ini"), "[Preprocessor]\nCoeficients=" + kData +
                                                             "/coef.dat\nEqualize=" + kData + "/calib.txt\n" + lines);
        gSettings.SetFileName(dir.File("trainer.ini").c_str());
    }

    // The exercise of a definition body; an empty string, or the message.
    std::string Load(const std::string& body, const std::string& file = "") {
        try {
            vLoader_c loader;
            LoadDefinitionText(file.empty() ? "t.exc" : file, "<vTrRtHmExercise_c> Obj = {\n" + body + "}\n", loader);
            exercise.reset(dynamic_cast<vTrRtHmExercise_c*>(loader.Release().release()));
            if (!file.empty()) exercise->SetFileName(file);
        } catch (const vException_c& e) {
            return e.ShortText();
        }
        return {};
    }
    std::string Show() {
        try {
            exercise->Attach(&screen);
            exercise->Show();
        } catch (const vException_c& e) {
            return e.ShortText();
        }
        return {};
    }

    void Drain() {
        platform::Message m;
        while (platform::TakePending(m))
            if (m.id != platform::msg::kQuit) platform::Dispatch(m);
    }
    // Dispatches messages until buffers capture buffers went through the
    // exercise, calling each after every one.
    void RunBuffers(int buffers, const std::function<void(int)>& each = {}) {
        int seen = 0;
        unsigned last = exercise->Spectrum().WriteIndex();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (seen < buffers && std::chrono::steady_clock::now() < deadline) {
            platform::Message m;
            if (!platform::TakePending(m)) {
                usleep(200);
                continue;
            }
            if (m.id == platform::msg::kQuit) continue;
            platform::Dispatch(m);
            if (exercise->Spectrum().WriteIndex() != last) {
                last = exercise->Spectrum().WriteIndex();
                if (each) each(seen);
                ++seen;
            }
        }
        ASSERT_EQ(seen, buffers) << "capture stalled";
    }

    uint32_t Pixel(int x, int y) { return screen.CreateDC()->GetPixel(x, y) & 0xFFFFFF; }
    int CountColour(const vDxRect& r, uint32_t colour) {
        auto dc = screen.CreateDC();
        int n = 0;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x) n += (dc->GetPixel(x, y) & 0xFFFFFF) == colour;
        return n;
    }

    TempDir dir;
    vWindow_c window;
    vDxSimpleImage_c screen;
    std::unique_ptr<vTrRtHmExercise_c> exercise;
    std::vector<platform::MessageBoxRecord> boxes;
};

TEST_F(RtHmExercise, BadDefinitionsGetClearMessages) {
    EXPECT_EQ(Load("<vDxSimpleImage_c> ExImage = { Width = 4; Height = 4; }"),
              "ExImage is not available as a property in TrRtHmExercise class!");
    EXPECT_EQ(Load("<vDxSimpleImage_c> ResDisplay = { Width = 4; Height = 4; }"),
              "Cannot set _ResDisplay to a non-vTrResultView_c derivative");
    EXPECT_EQ(Load("<vTrResultView_c> Level2Pic = { }"), "");  // a result view is an image
    EXPECT_EQ(Load("<vColor_c> Level2Pic = { }"), "Cannot set _Level2Pic to a non-vDxImage_i derivative");

    std::string shortList = LevelBody(1, 0, 5000, 10);
    shortList.replace(shortList.find("MaxWeight1 = ("), std::string::npos, "MaxWeight1 = (1,2,3);\n");
    ASSERT_EQ(Load(shortList), "");
    EXPECT_EQ(Show(), "MaxWeight1 has fewer than 20 values");
    ASSERT_EQ(Load(LevelBody(1, 0, 5000, 150)), "");
    EXPECT_EQ(Show(), "MinWeight1: value 150 of band 0 is outside 0..100");
    ASSERT_EQ(Load(LevelBody(1, 0, 5000, -1)), "");
    EXPECT_EQ(Show(), "MinWeight1: value -1 of band 0 is outside 0..100");
    ASSERT_EQ(Load(LevelBody(1, 0, 6000, 10)), "");
    EXPECT_EQ(Show(), "MaxValues1: value 6000 of band 0 is outside 0..5500");
    ASSERT_EQ(Load("MinValues1 = " + List(0) + ";"), "");
    EXPECT_EQ(Show(), "Cannot set active image!");

    // The old format needs 19 values only.
    ASSERT_EQ(Load("OldDBFormat = TRUE;\n" + LevelBody(1, 0, 5000, 10) + "MinValues1 = " + List(0, 19) + ";"), "");
    EXPECT_EQ(Show(), "");
    EXPECT_EQ(exercise->Bands(), 19);
    try {
        exercise->SetLevel(1);
        ADD_FAILURE() << "level 2 has no picture";
    } catch (const vException_c& e) {
        EXPECT_EQ(e.ShortText(), "Cannot set active image!");
    }
    EXPECT_EQ(exercise->Level(), 0);
}

TEST_F(RtHmExercise, ShadowsZeroIsOneRow) {
    WriteSettings("[HM1_Processor]\nShadows=0\n");
    ASSERT_EQ(Load(LevelBody(1, 0, 5000, 10)), "");
    EXPECT_EQ(exercise->Spectrum().Shadows(), 1u);
    EXPECT_EQ(exercise->Framing().windowNum, 3u);
    EXPECT_EQ(exercise->Framing().interLeave, 3u);
    EXPECT_EQ(exercise->BufferLength(), 672);
}

TEST_F(RtHmExercise, LevelsPicturesAndButtons) {
    // Only level 1: no level button, even though the definition names one.
    ASSERT_EQ(Load(LevelBody(1, 0, 5000, 10) + "Level1Btn = { }\nSaveBtn = { }\nResDisplay = { }\n"), "");
    ASSERT_NE(exercise->LevelBtn(0), nullptr);
    EXPECT_EQ(exercise->LevelBtn(0)->GetPos().x, 10);
    EXPECT_EQ(Show(), "");
    EXPECT_EQ(exercise->LevelBtn(0), nullptr);
    EXPECT_EQ(exercise->SaveBtn(), nullptr);
    EXPECT_NE(exercise->ResDisplay(), nullptr);  // named without a class: a default view
    EXPECT_EQ(exercise->GetKind(), 2);

    // Three levels, the exercise picture as large as the largest.
    ASSERT_EQ(Load(LevelBody(1, 0, 5000, 10, 300, 200) + LevelBody(2, 1000, 2000, 20, 350, 150) +
                   LevelBody(3, 1500, 1800, 30, 100, 250) + "Level1Btn = { }\nLevel3Btn = { }\n"),
              "");
    EXPECT_EQ(Show(), "");
    ASSERT_NE(exercise->ExImage(), nullptr);
    EXPECT_EQ(exercise->ExImage()->GetWidth(), 350);
    EXPECT_EQ(exercise->ExImage()->GetHeight(), 250);
    EXPECT_EQ(exercise->DisplayRect().w, 350);
    ASSERT_NE(exercise->LevelBtn(0), nullptr);
    ASSERT_NE(exercise->LevelBtn(2), nullptr);
    exercise->LevelBtn(2)->OnClick();
    EXPECT_EQ(exercise->Level(), 2);
    EXPECT_EQ(exercise->Corridor().minValues[5], 1500);
    EXPECT_EQ(exercise->Corridor().maxWeight[5], 30);
    exercise->LevelBtn(0)->OnClick();
    EXPECT_EQ(exercise->Corridor().maxValues[0], 5000);
}

// The curves and the corridor on the screen, the error colour and the
// editor with a save into the exercise file.
TEST_F(RtHmExercise, DrawsCurvesAndEditsTheCorridor) {
    WriteSettings("[HM1_Processor]\nShowMinMax=TRUE\nShadows=2\n");
    const std::string file = dir.File("Edit.exc");
    const std::string body = "// kept as written\n" + LevelBody(1, 1000, 3000, 50) + LevelBody(2, 0, 5000, 10) +
                             "DispPos = { x = 100; y = 100; }\nDispWidth = 400;\nResDisplay = { }\n";
    lorvano_test::WriteFile(file, "<vTrRtHmExercise_c> Obj = {\n" + body + "}\n");
    ASSERT_EQ(Load(body, file), "");
    ASSERT_EQ(Show(), "");
    exercise->StopRecording();
    // Silence in the ring: every band under Min, so red curves on the bottom row.
    const vRtHmGeometry_c& g = exercise->Geometry();
    EXPECT_EQ(g.left, 100);
    EXPECT_EQ(g.x[19], 100 + 400 - 1);
    exercise->SetLevel(0);
    const uint32_t red = 0xFF0000, green = 0x00FF00;
    EXPECT_GT(CountColour({100, g.top + g.height - 3, 400, 4}, red), 300);
    // The corridor curves in the pen colour at Y(1000) and Y(3000).
    EXPECT_EQ(Pixel(250, g.Y(1000)), green);
    EXPECT_EQ(Pixel(250, g.Y(3000)), green);

    // Editor: press on the Max point of band 4, drag it up to 4000.
    const int x = g.x[4];
    exercise->OnLeftDown(x + 3, g.Y(3000) - 2, 0);
    EXPECT_EQ(exercise->SelectedBand(), 4);
    EXPECT_TRUE(exercise->SelectedMax());
    exercise->OnMouseMove(x, g.Y(4000), static_cast<std::uintptr_t>(platform::KeyFlag::LeftButton));
    EXPECT_EQ(g.Y(exercise->Corridor().maxValues[4]), g.Y(4000));
    EXPECT_EQ(exercise->Corridor().maxValues[3], 3000);
    EXPECT_EQ(Pixel(x + 4, g.Y(4000) - 4), 0xFFFFFF);  // the selection box
    // Right button: up by 30 rows raises the weight 50 -> 80, further up stops at 100.
    exercise->OnRightDown(x, g.Y(exercise->Corridor().maxValues[4]), 0);
    const int y0 = g.Y(exercise->Corridor().maxValues[4]);
    const auto right = static_cast<std::uintptr_t>(platform::KeyFlag::RightButton);
    exercise->OnMouseMove(x, y0 - 10, right);
    exercise->OnMouseMove(x, y0 - 30, right);
    EXPECT_EQ(exercise->Corridor().maxWeight[4], 80);
    exercise->OnMouseMove(x, y0 - 90, right);
    EXPECT_EQ(exercise->Corridor().maxWeight[4], 100);
    exercise->OnMouseMove(x, y0 - 80, right);
    EXPECT_EQ(exercise->Corridor().maxWeight[4], 90);
    // A press away from every point selects nothing.
    exercise->OnLeftDown(x + 3, g.Y(2000), 0);
    EXPECT_EQ(exercise->SelectedBand(), -1);

    // F2 saves only for a logged-in teacher.
    Teacher teacher;
    SetAppServices(&teacher);
    const auto f2 = platform::key::kF1 + 1;
    std::string before;
    ASSERT_TRUE(platform::ReadWholeFile(file, before));
    exercise->OnKeyDown(f2, 1, 0);
    std::string after;
    ASSERT_TRUE(platform::ReadWholeFile(file, after));
    EXPECT_EQ(after, before);
    teacher.loggedIn = 1;
    exercise->OnKeyDown(f2, 1, 0);
    ASSERT_TRUE(platform::ReadWholeFile(file, after));
    EXPECT_NE(after.find("// kept as written"), std::string::npos);
    EXPECT_NE(after.find("MinValues2 = " + List(0)), std::string::npos);  // other levels untouched

    // Read back, the file gives the edited corridor.
    const int32_t max4 = exercise->Corridor().maxValues[4];
    exercise.reset();
    vLoader_c loader;
    LoadDefinitionFile(file, loader);
    exercise.reset(dynamic_cast<vTrRtHmExercise_c*>(loader.Release().release()));
    ASSERT_EQ(Show(), "");
    EXPECT_EQ(exercise->Corridor().maxValues[4], max4);
    EXPECT_EQ(exercise->Corridor().maxWeight[4], 90);
    EXPECT_EQ(exercise->Corridor().maxValues[5], 3000);

    // A file that does not give the arrays as lists is left alone and the key reports it.
    lorvano_test::WriteFile(file, "garbage");
    exercise->SetFileName(file);
    EXPECT_THROW(exercise->OnKeyDown(f2, 1, 0), vException_c);
    ASSERT_TRUE(platform::ReadWholeFile(file, after));
    EXPECT_EQ(after, "garbage");
}

TEST_F(RtHmExercise, WithoutResultsTheMarkIsFive) {
    ASSERT_EQ(Load(LevelBody(1, 3000, 3500, 100) + "DoResults = FALSE;\nResDisplay = { }\n"), "");
    ASSERT_EQ(Show(), "");
    RunBuffers(3);
    EXPECT_EQ(exercise->Distance(), 0);
    EXPECT_EQ(exercise->Mark(), 5);
    EXPECT_EQ(exercise->ResDisplay()->GetEntry(), 4);
}

// Real sustained sounds through the file backend, scored on the bundled
// exercises; the marks are printed for the record.
struct Scored {
    double meanMark = 0;
    int32_t medianMark = 0;
    int64_t medianDistance = 0;
};

class RtHmSpeech : public RtHmExercise {
protected:
    void SetUp() override {
        RtHmExercise::SetUp();
        if (system("command -v espeak-ng >/dev/null && command -v sox >/dev/null") != 0)
            GTEST_SKIP() << "needs espeak-ng and sox";
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        mCwd = cwd;
        ASSERT_EQ(chdir(kData.c_str()), 0);
        gSettings.SetFileName((kData + "/trainer.ini").c_str());
    }
    void TearDown() override {
        RtHmExercise::TearDown();
        if (!mCwd.empty()) (void)!chdir(mCwd.c_str());
    }

    // A sustained sound (espeak-ng phoneme mnemonic) as 22050 Hz mono 16-bit.
    std::string Sound(const std::string& mnemonic, const std::string& voice) {
        const std::string raw = dir.File("raw.wav"), out = dir.File(mnemonic + voice + ".wav");
        std::string m;
        for (int i = 0; i < 8; ++i) m += mnemonic;
        const std::string cmd = "espeak-ng -v " + voice + " -s 80 -w " + raw + " '[[" + m + "]]' && sox " + raw +
                                " -r 22050 -c 1 -b 16 " + out;
        EXPECT_EQ(system(cmd.c_str()), 0) << cmd;
        return out;
    }

    // The marks while the sound is held (after the ring filled with it).
    Scored Score(const std::string& exerciseFile, const std::string& wav) {
        setenv("LORVANO_AUDIO_IN", wav.c_str(), 1);
        vLoader_c loader;
        LoadDefinitionFile(exerciseFile, loader);
        exercise.reset(dynamic_cast<vTrRtHmExercise_c*>(loader.Release().release()));
        EXPECT_EQ(Show(), "");
        const int buffers = static_cast<int>(fs::file_size(wav) / 2 / 672);
        std::vector<int32_t> marks;
        std::vector<int64_t> distances;
        RunBuffers(buffers - 8, [&](int i) {
            if (i >= 14) {
                marks.push_back(exercise->Mark());
                distances.push_back(exercise->Distance());
            }
        });
        Scored s;
        if (marks.empty()) return s;
        for (int32_t m : marks) s.meanMark += m;
        s.meanMark /= static_cast<double>(marks.size());
        std::nth_element(distances.begin(), distances.begin() + distances.size() / 2, distances.end());
        s.medianDistance = distances[distances.size() / 2];
        std::nth_element(marks.begin(), marks.begin() + marks.size() / 2, marks.end());
        s.medianMark = marks[marks.size() / 2];
        exercise.reset();
        Drain();
        return s;
    }

    std::string mCwd;
};

TEST_F(RtHmSpeech, SustainedSScoresBetterThanAOnTheSExerciseAndTheOtherWayRound) {
    // A voice the corridors were not derived from.
    const std::string s = Sound("s", "en-gb-x-rp"), a = Sound("a", "en-gb-x-rp");
    const Scored sOnS = Score("Sounds/S_s.exc", s), aOnS = Score("Sounds/S_s.exc", a);
    const Scored aOnA = Score("Sounds/V_a.exc", a), sOnA = Score("Sounds/V_a.exc", s);
    auto print = [](const char* what, const Scored& r) {
        std::printf("%s: median mark %d, mean mark %.2f, median distance %lld\n", what, r.medianMark, r.meanMark,
                    static_cast<long long>(r.medianDistance));
    };
    print("s on the s exercise", sOnS);
    print("a on the s exercise", aOnS);
    print("a on the a exercise", aOnA);
    print("s on the a exercise", sOnA);
    EXPECT_GE(sOnS.medianMark, 4);
    EXPECT_LE(aOnS.medianMark, 2);
    EXPECT_GE(aOnA.medianMark, 4);
    EXPECT_LE(sOnA.medianMark, 2);
    EXPECT_GE(sOnS.meanMark, aOnS.meanMark + 1.5);
    EXPECT_GE(aOnA.meanMark, sOnA.meanMark + 1.5);
}

}  // namespace
