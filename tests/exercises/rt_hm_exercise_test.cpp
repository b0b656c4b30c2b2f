// The live spectrum exercise on an offscreen screen with the file audio
// backend: loading and bad definitions, levels and their buttons, drawing of
// curves and corridor, the editor and saving an edited corridor, and real
// espeak-ng sounds scored on the bundled "s" and "a" exercises.

#include "exercise_fixture.h"

#include "exercises/app_services.h"
#include "exercises/control_buttons.h"
#include "exercises/result_view.h"
#include "exercises/rt_hm_exercise.h"
#include "platform/atomic_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace fs = std::filesystem;
using namespace exercise_test;

namespace {

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
    void RecordMark(vTrExercise_c&, const vTrShownMark_c& mark) override { marks.push_back(mark); }
    int loggedIn = 0;
    std::vector<vTrShownMark_c> marks;  // handed over for the progress records
};

class RtHmExercise : public ExerciseFixture {
protected:
    void TearDown() override {
        ExerciseFixture::TearDown();
        SetAppServices(nullptr);
    }
    // Settings with the bank of the bundled language and the lines given.
    void Settings(const std::string& lines) {
        WriteSettings(lines);
        gSettings.SetFileName((dir / "trainer.ini").c_str());
    }
    vTrRtHmExercise_c* ex() { return static_cast<vTrRtHmExercise_c*>(exercise.get()); }

    // Loads and attaches the exercise of a definition body; an empty string, or the message.
    std::string Load(const std::string& body, const std::string& file = "") {
        const std::string error = LoadError("<vTrRtHmExercise_c> Obj = {\n" + body + "}\n");
        if (error.empty() && !file.empty()) exercise->SetFileName(file);
        return error;
    }
    // Shows the loaded exercise; an empty string, or the message.
    std::string Show() {
        try {
            exercise->Show();
        } catch (const vException_c& e) {
            return e.ShortText();
        }
        return {};
    }

    // Dispatches messages until buffers capture buffers went through the
    // exercise, calling each after every one.
    void RunBuffers(int buffers, const std::function<void(int)>& each = {}) {
        int seen = 0;
        unsigned last = ex()->Spectrum().WriteIndex();
        const bool done = PumpUntil(
            [&] {
                if (ex()->Spectrum().WriteIndex() != last) {
                    last = ex()->Spectrum().WriteIndex();
                    if (each) each(seen);
                    ++seen;
                }
                return seen >= buffers;
            },
            60);
        ASSERT_TRUE(done) << "capture stalled after " << seen << " buffers";
    }

    int CountColour(const vDxRect& r, uint32_t colour) {
        int n = 0;
        for (int x = r.x; x < r.x + r.w; ++x) n += static_cast<int>(RowsOf(x, r.y, r.y + r.h, colour).size());
        return n;
    }
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
    EXPECT_EQ(ex()->Bands(), 19);
    try {
        ex()->SetLevel(1);
        ADD_FAILURE() << "level 2 has no picture";
    } catch (const vException_c& e) {
        EXPECT_EQ(e.ShortText(), "Cannot set active image!");
    }
    EXPECT_EQ(ex()->Level(), 0);
}

TEST_F(RtHmExercise, ShadowsZeroIsOneRow) {
    Settings("[HM1_Processor]\nShadows=0\n");
    ASSERT_EQ(Load(LevelBody(1, 0, 5000, 10)), "");
    EXPECT_EQ(ex()->Spectrum().Shadows(), 1u);
    EXPECT_EQ(ex()->Framing().windowNum, 3u);
    EXPECT_EQ(ex()->Framing().interLeave, 3u);
    EXPECT_EQ(ex()->BufferLength(), 672);
}

TEST_F(RtHmExercise, LevelsPicturesAndButtons) {
    // Only level 1: no level button, even though the definition names one.
    ASSERT_EQ(Load(LevelBody(1, 0, 5000, 10) + "Level1Btn = { }\nSaveBtn = { }\nResDisplay = { }\n"), "");
    ASSERT_NE(ex()->LevelBtn(0), nullptr);
    EXPECT_EQ(ex()->LevelBtn(0)->GetPos().x, 10);
    EXPECT_EQ(Show(), "");
    EXPECT_EQ(ex()->LevelBtn(0), nullptr);
    EXPECT_EQ(ex()->SaveBtn(), nullptr);
    EXPECT_NE(ex()->ResDisplay(), nullptr);  // named without a class: a default view
    EXPECT_EQ(ex()->GetKind(), 2);

    // Three levels, the exercise picture as large as the largest.
    ASSERT_EQ(Load(LevelBody(1, 0, 5000, 10, 300, 200) + LevelBody(2, 1000, 2000, 20, 350, 150) +
                   LevelBody(3, 1500, 1800, 30, 100, 250) + "Level1Btn = { }\nLevel3Btn = { }\n"),
              "");
    EXPECT_EQ(Show(), "");
    ASSERT_NE(ex()->ExImage(), nullptr);
    EXPECT_EQ(ex()->ExImage()->GetWidth(), 350);
    EXPECT_EQ(ex()->ExImage()->GetHeight(), 250);
    EXPECT_EQ(ex()->DisplayRect().w, 350);
    ASSERT_NE(ex()->LevelBtn(0), nullptr);
    ASSERT_NE(ex()->LevelBtn(2), nullptr);
    ex()->LevelBtn(2)->OnClick();
    EXPECT_EQ(ex()->Level(), 2);
    EXPECT_EQ(ex()->Corridor().minValues[5], 1500);
    EXPECT_EQ(ex()->Corridor().maxWeight[5], 30);
    ex()->LevelBtn(0)->OnClick();
    EXPECT_EQ(ex()->Corridor().maxValues[0], 5000);
}

// The curves and the corridor on the screen, the error colour and the
// editor with a save into the exercise file.
TEST_F(RtHmExercise, DrawsCurvesAndEditsTheCorridor) {
    Settings("[HM1_Processor]\nShowMinMax=TRUE\nShadows=2\n");
    const std::string file = (dir / "Edit.exc").string();
    const std::string body = "// kept as written\n" + LevelBody(1, 1000, 3000, 50) + LevelBody(2, 0, 5000, 10) +
                             "DispPos = { x = 100; y = 100; }\nDispWidth = 400;\nResDisplay = { }\n";
    std::ofstream(file) << "<vTrRtHmExercise_c> Obj = {\n" + body + "}\n";
    ASSERT_EQ(Load(body, file), "");
    ASSERT_EQ(Show(), "");
    ex()->StopRecording();
    // Silence in the ring: every band under Min, so red curves on the bottom row.
    const vRtHmGeometry_c& g = ex()->Geometry();
    EXPECT_EQ(g.left, 100);
    EXPECT_EQ(g.x[19], 100 + 400 - 1);
    ex()->SetLevel(0);
    const uint32_t red = Colour(255, 0, 0), yellow = Colour(255, 220, 0);
    EXPECT_GT(CountColour({100, g.top + g.height - 3, 400, 4}, red), 300);
    // The corridor curves in yellow, apart from the green pen, at Y(1000) and Y(3000).
    EXPECT_EQ(Pixel(250, g.Y(1000)), yellow);
    EXPECT_EQ(Pixel(250, g.Y(3000)), yellow);

    // Editor: press on the Max point of band 4, drag it up to 4000.
    const int x = g.x[4];
    ex()->OnLeftDown(x + 3, g.Y(3000) - 2, 0);
    EXPECT_EQ(ex()->SelectedBand(), 4);
    EXPECT_TRUE(ex()->SelectedMax());
    ex()->OnMouseMove(x, g.Y(4000), static_cast<std::uintptr_t>(platform::KeyFlag::LeftButton));
    EXPECT_EQ(g.Y(ex()->Corridor().maxValues[4]), g.Y(4000));
    EXPECT_EQ(ex()->Corridor().maxValues[3], 3000);
    EXPECT_EQ(Pixel(x + 4, g.Y(4000) - 4), Colour(255, 255, 255));  // the selection box
    // Right button: up by 30 rows raises the weight 50 -> 80, further up stops at 100.
    ex()->OnRightDown(x, g.Y(ex()->Corridor().maxValues[4]), 0);
    const int y0 = g.Y(ex()->Corridor().maxValues[4]);
    const auto right = static_cast<std::uintptr_t>(platform::KeyFlag::RightButton);
    ex()->OnMouseMove(x, y0 - 10, right);
    ex()->OnMouseMove(x, y0 - 30, right);
    EXPECT_EQ(ex()->Corridor().maxWeight[4], 80);
    ex()->OnMouseMove(x, y0 - 90, right);
    EXPECT_EQ(ex()->Corridor().maxWeight[4], 100);
    ex()->OnMouseMove(x, y0 - 80, right);
    EXPECT_EQ(ex()->Corridor().maxWeight[4], 90);
    // A press away from every point selects nothing.
    ex()->OnLeftDown(x + 3, g.Y(2000), 0);
    EXPECT_EQ(ex()->SelectedBand(), -1);

    // F2 saves only for a logged-in teacher.
    Teacher teacher;
    SetAppServices(&teacher);
    const auto f2 = platform::key::kF1 + 1;
    std::string before;
    ASSERT_TRUE(platform::ReadWholeFile(file, before));
    ex()->OnKeyDown(f2, 1, 0);
    std::string after;
    ASSERT_TRUE(platform::ReadWholeFile(file, after));
    EXPECT_EQ(after, before);
    teacher.loggedIn = 1;
    ex()->OnKeyDown(f2, 1, 0);
    ASSERT_TRUE(platform::ReadWholeFile(file, after));
    EXPECT_NE(after.find("// kept as written"), std::string::npos);
    EXPECT_NE(after.find("MinValues2 = " + List(0)), std::string::npos);  // other levels untouched

    // Read back, the file gives the edited corridor.
    const int32_t max4 = ex()->Corridor().maxValues[4];
    ShowFile<vTrRtHmExercise_c>(file);
    EXPECT_EQ(ex()->Corridor().maxValues[4], max4);
    EXPECT_EQ(ex()->Corridor().maxWeight[4], 90);
    EXPECT_EQ(ex()->Corridor().maxValues[5], 3000);

    // A file that does not give the arrays as lists is left alone and the key reports it.
    std::ofstream(file) << "garbage";
    ex()->SetFileName(file);
    EXPECT_THROW(ex()->OnKeyDown(f2, 1, 0), vException_c);
    ASSERT_TRUE(platform::ReadWholeFile(file, after));
    EXPECT_EQ(after, "garbage");
}

TEST_F(RtHmExercise, WithoutResultsTheMarkIsFive) {
    SetInput(Sine(3000, 1.0));
    ASSERT_EQ(Load(LevelBody(1, 3000, 3500, 100) + "DoResults = FALSE;\nResDisplay = { }\n"), "");
    ASSERT_EQ(Show(), "");
    RunBuffers(12);  // the ring (10 windows) full of the tone
    EXPECT_EQ(ex()->Distance(), 0);
    EXPECT_EQ(ex()->Mark(), 5);
    EXPECT_EQ(ex()->ResDisplay()->GetEntry(), 4);
}

// The exercise's own window (WindowFn), and DoWindow switching it off.
TEST_F(RtHmExercise, OwnWindowFunction) {
    std::string zeros = "224 1\n";
    for (int i = 0; i < 224; ++i) zeros += "0 ";
    std::ofstream(dir / "mute.win") << zeros;
    auto bandMax = [&](const std::string& settings) {
        Settings("[HM1_Processor]\nWindowFn=" + (dir / "mute.win").string() + "\n" + settings);
        SetInput(Sine(3000, 1.0));
        EXPECT_EQ(Load(LevelBody(1, 0, 5000, 10)), "");
        EXPECT_EQ(Show(), "");
        RunBuffers(12);
        const int32_t* row = ex()->Spectrum().Row(5);
        return *std::max_element(row, row + kRtHmBands);
    };
    EXPECT_LT(bandMax(""), 0);  // every window multiplied by 0: nothing above the floor
    EXPECT_GT(bandMax("DoWindow=FALSE\n"), 2000);
}

// Every bundled sustained-sound exercise shows, with all three levels.
TEST_F(RtHmExercise, BundledExercisesShowEveryLevel) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator("Sounds")) {
        if (entry.path().extension() != ".exc") continue;
        ++files;
        const std::string path = entry.path().string();
        try {
            auto* e = ShowFile<vTrRtHmExercise_c>(path);
            ASSERT_NE(e, nullptr) << path;
            EXPECT_FALSE(e->VISound().empty()) << path;
            for (int n = 0; n < 3; ++n) {
                ASSERT_NE(e->LevelBtn(n), nullptr) << path;
                e->LevelBtn(n)->OnClick();
                EXPECT_EQ(e->Level(), n) << path;
            }
            // Stop and Listen sit clear of the display and pause and resume listening.
            ASSERT_TRUE(e->StartBtn() && e->StopBtn()) << path;
            const vDxRect d = e->DisplayRect();
            for (const vDxImage_i* b : {static_cast<const vDxImage_i*>(e->StartBtn()), static_cast<const vDxImage_i*>(e->StopBtn())})
                EXPECT_GE(b->GetPos().y, d.y + d.h) << path;
            ASSERT_TRUE(e->IsRecording()) << path;
            e->StopBtn()->OnClick();
            EXPECT_FALSE(e->IsRecording()) << path;
            e->StartBtn()->OnClick();
            EXPECT_TRUE(e->IsRecording()) << path;
        } catch (const vException_c& e) {
            ADD_FAILURE() << path << ": " << e.ShortText();
        }
    }
    EXPECT_GE(files, 4);
}

// The new calculation: the limits file gives each level's penalty constants,
// the level-offset range and the mark limits of the exercise's sound.
TEST_F(RtHmExercise, NewCalculationUsesTheLimitsOfTheSoundAndLevel) {
    std::ofstream(dir / "Limits.ini") << "[Sounds]\ns=400\n[OtherMarks]\nMark2=300\nMark3=200\nMark4=150\n"
                                         "[Constants]\nConst1-1=3\nConst1-2=200\nConst1-3=600\n"
                                         "Const2-1=2\nConst2-2=100\nConst2-3=400\nTracking_isol=300\n";
    Settings("[HM1_Processor]\nNewCalculation=TRUE\nMaxRes=" + (dir / "Limits.ini").string() + "\n");
    const std::string levels = LevelBody(1, 1000, 2000, 10) + LevelBody(2, 1000, 2000, 10) + "ResDisplay = { }\n";
    Teacher app;
    SetAppServices(&app);
    ASSERT_EQ(Load("VISound = \"s\";\n" + levels), "");
    ASSERT_EQ(Show(), "");
    EXPECT_EQ(ex()->Spectrum().Tracking(), 300);
    // Silence against centre 1500, best offset -300: l = -10 beyond the hard
    // tolerance, 3 x 10 x 100 / 19 = 157 per band, 20 bands; limits 400 (5),
    // 600 (4), 800 (3), 1200 (2): mark 1.
    // Silence is measured but is not a try: no mark.
    RunBuffers(2);
    EXPECT_EQ(ex()->Distance(), 3140);
    EXPECT_EQ(ex()->Mark(), 0);
    EXPECT_EQ(ex()->ResDisplay()->GetEntry(), vTrResultView_c::kNoMark);
    EXPECT_TRUE(app.marks.empty());  // nor a try for the progress records
    // Level 2 takes row 2: l = -11, 2 x 10 x 121 / 19 = 127 per band.
    ex()->SetLevel(1);
    RunBuffers(1);
    EXPECT_EQ(ex()->Distance(), 2540);

    // A sound the limits file does not list: the warning, and no mark.
    ASSERT_EQ(Load("VISound = \"z\";\n" + levels), "");
    ASSERT_EQ(Show(), "");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("No Mark 5 distance limit for z sound"), std::string::npos);
    SetInput(Sine(3000, 1.0));
    RunBuffers(12);
    EXPECT_EQ(ex()->Mark(), 0);
    EXPECT_EQ(ex()->ResDisplay()->GetEntry(), vTrResultView_c::kNoMark);

    // Without the limits file the exercise cannot start.
    Settings("[HM1_Processor]\nNewCalculation=TRUE\nMaxRes=" + (dir / "None.ini").string() + "\n");
    ASSERT_EQ(Load("VISound = \"s\";\n" + levels), "");
    EXPECT_NE(Show().find("Cannot open"), std::string::npos);
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
        // The settings of the bundled language, as the program runs them.
        gSettings.SetFileName(LORVANO_SOURCE_DIR "/data/english/trainer.ini");
    }

    // A sustained sound (espeak-ng phoneme mnemonic) as 22050 Hz mono 16-bit.
    std::string Sound(const std::string& mnemonic, const std::string& voice) {
        const std::string raw = (dir / "raw.wav").string(), out = (dir / (mnemonic + voice + ".wav")).string();
        std::string m;
        for (int i = 0; i < 8; ++i) m += mnemonic;
        const std::string cmd = "espeak-ng -v " + voice + " -s 80 -w " + raw + " '[[" + m + "]]' && sox " + raw +
                                " -r 22050 -c 1 -b 16 " + out;
        EXPECT_EQ(system(cmd.c_str()), 0) << cmd;
        return out;
    }

    // The marks while the sound is held (after the ring filled with it).
    Scored Score(const std::string& exerciseFile, const std::string& sound) {
        // A file of its own each time: the file microphone continues where it
        // stopped when it hears the same file again.
        const std::string wav = (dir / ("heard" + std::to_string(++mHeard) + ".wav")).string();
        fs::copy_file(sound, wav);
        setenv("LORVANO_AUDIO_IN", wav.c_str(), 1);
        ShowFile<vTrRtHmExercise_c>(exerciseFile);
        const int buffers = static_cast<int>(fs::file_size(wav) / 2 / 672);
        std::vector<int32_t> marks;
        std::vector<int64_t> distances;
        RunBuffers(buffers - 8, [&](int i) {
            if (i >= 14) {
                marks.push_back(ex()->Mark());
                distances.push_back(ex()->Distance());
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
        DrainMessages();
        return s;
    }

    int mHeard = 0;
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

// Silence is not a try: through two seconds of silence after a held "s"
// the s's mark stays, where it used to turn to 1 in every pause.
TEST_F(RtHmSpeech, APauseAfterAHeldSoundKeepsItsMark) {
    const std::string s = Sound("s", "en-gb-x-rp"), paused = (dir / "paused.wav").string();
    ASSERT_EQ(system(("sox " + s + " " + paused + " pad 0 2").c_str()), 0);
    setenv("LORVANO_AUDIO_IN", paused.c_str(), 1);
    ShowFile<vTrRtHmExercise_c>("Sounds/S_s.exc");
    const int held = static_cast<int>(fs::file_size(s) / 2 / 672), pause = 2 * 22050 / 672;
    std::vector<int32_t> inPause;
    RunBuffers(held + pause - 4, [&](int i) {
        if (i >= held + 4) inPause.push_back(ex()->Mark());
    });
    ASSERT_FALSE(inPause.empty());
    EXPECT_GE(inPause.front(), 4);
    EXPECT_EQ(std::count(inPause.begin(), inPause.end(), inPause.front()), static_cast<long>(inPause.size()));
    EXPECT_EQ(ex()->ResDisplay()->GetEntry(), inPause.front() - 1);
}

// A held sound under blocks of two tries: while the pupil holds "s", then
// "a" after a pause, no mark shows; a second after the second hold ends the
// block's mean mark shows, and every mark of both holds was handed over.
TEST_F(RtHmSpeech, ABlockOfHeldTriesShowsItsMeanMarkAfterward) {
    const std::string s = Sound("s", "en-gb-x-rp"), a = Sound("a", "en-gb-x-rp");
    const std::string once = (dir / "once.wav").string(), sound = (dir / "twice.wav").string();
    ASSERT_EQ(system(("sox " + s + " " + once + " pad 0 1.5 && sox " + once + " " + a + " " + sound + " pad 0 2").c_str()), 0);
    std::ifstream in(LORVANO_SOURCE_DIR "/data/english/Sounds/S_s.exc");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t body = text.find("Obj = {\n");
    ASSERT_NE(body, std::string::npos);
    text.insert(body + 8, "FeedbackSchedule = \"block\";\nFeedbackCount = 2;\n");
    std::ofstream((dir / "S_block.exc").string()) << text;
    Teacher app;
    SetAppServices(&app);
    setenv("LORVANO_AUDIO_IN", sound.c_str(), 1);
    ShowFile<vTrRtHmExercise_c>((dir / "S_block.exc").string());

    const int held = static_cast<int>(fs::file_size(s) / 2 / 672), pause = static_cast<int>(1.5 * 22050 / 672);
    const int heldA = static_cast<int>(fs::file_size(a) / 2 / 672);
    const int total = static_cast<int>(fs::file_size(sound) / 2 / 672);
    size_t firstTry = 0;
    std::vector<int32_t> entries;
    RunBuffers(total - 6, [&](int i) {
        entries.push_back(ex()->ResDisplay()->GetEntry());
        if (i == held + pause / 2) firstTry = app.marks.size();
    });
    ASSERT_GT(firstTry, 0u);
    ASSERT_GT(app.marks.size(), firstTry);
    auto mean = [](auto from, auto to) {
        double sum = 0;
        for (auto m = from; m != to; ++m) sum += m->mark;
        return static_cast<int>(std::lround(sum / static_cast<double>(to - from)));
    };
    const int first = mean(app.marks.begin(), app.marks.begin() + static_cast<long>(firstTry));
    const int second = mean(app.marks.begin() + static_cast<long>(firstTry), app.marks.end());
    const int block = static_cast<int>(std::lround((first + second) / 2.0));
    std::printf("held tries: mean marks %d and %d, block %d, %zu marks handed over\n", first, second, block,
                app.marks.size());
    for (const vTrShownMark_c& m : app.marks) EXPECT_TRUE(m.held);
    // Nothing shows until the second hold has been over for a second.
    const int secondEnds = held + pause + heldA;
    ASSERT_GT(static_cast<int>(entries.size()), secondEnds + 40);
    for (int i = 0; i < secondEnds; ++i) ASSERT_EQ(entries[static_cast<size_t>(i)], vTrResultView_c::kNoMark) << "buffer " << i;
    EXPECT_GE(first, second + 2);
    EXPECT_EQ(entries.back(), block - 1);
    EXPECT_EQ(ex()->ShownMark(), block);
}

}  // namespace
