#include "word_fixture.h"

#include <gtest/gtest.h>

#include "../audio/alloc_counter.h"
#include "analysis/recording.h"
#include "exercises/marker_buttons.h"
#include "exercises/result_view.h"
#include "exercises/word_buttons.h"
#include "platform/exception.h"

using namespace word_test;

namespace {

const char* kTeacherButtons = "SaveSayBtn = {}\nLoadBtn = {}\nLoadBtn2 = {}\nGotoBtn = {}\n"
                              "PlaybackBtn = {}\nPlaybackBtn2 = {}\nStartBtn = {}\nStopBtn = {}\n";

// A short recording of a tone burst between silences, written as a WAV file.
void WriteToneWav(const fs::path& path, int silentFrames, int toneFrames, int period = 50) {
    vRecording_c rec(2 * silentFrames + toneFrames);
    for (int p = 0; p < 2 * silentFrames + toneFrames; ++p) {
        vAllHmData_c f;
        std::vector<int16_t> s(224);
        if (p >= silentFrames && p < silentFrames + toneFrames)
            for (int i = 0; i < 224; ++i) s[i] = static_cast<int16_t>(((p * 224 + i) % period < period / 2) ? 8000 : -8000);
        f.SetSamples(s.data(), 224);
        rec.AppendFrame(f, false, false);
    }
    rec.SaveWave(path.string(), false);
}

// Hands count buffers of the same 224 samples to the exercise as capture does.
void Feed(vTrWordBase_c& e, std::vector<int16_t>& samples, int count) {
    platform::AudioBuffer header;
    header.data = reinterpret_cast<char*>(samples.data());
    header.bufferLength = static_cast<uint32_t>(samples.size() * 2);
    for (int b = 0; b < count; ++b) e.OnCaptureBuffer(header);
}

// A quiet and a loud capture buffer.
std::vector<int16_t> Quiet() {
    std::vector<int16_t> s(224);
    for (int i = 0; i < 224; ++i) s[i] = static_cast<int16_t>(i % 7 - 3);
    return s;
}
std::vector<int16_t> Loud() {
    std::vector<int16_t> s(224);
    for (int i = 0; i < 224; ++i) s[i] = static_cast<int16_t>((i % 40 < 20) ? 9000 : -9000);
    return s;
}

}  // namespace

TEST_F(WordFixture, StaleSaysAndEtalonsAreDeletedWhenTheExerciseIsBuilt) {
    WriteToneWav(dir / "say.wav", 1, 1);
    WriteToneWav(dir / "Etalon.wav", 1, 1);
    Load("");
    EXPECT_FALSE(fs::exists(dir / "say.wav"));
    EXPECT_FALSE(fs::exists(dir / "Etalon.wav"));
}

TEST_F(WordFixture, PupilsNeverSeeTheTeacherButtons) {
    auto& e = Load(kTeacherButtons);
    ASSERT_NE(e.SaveSayBtn(), nullptr);
    e.Show();
    EXPECT_EQ(e.SaveSayBtn(), nullptr);
    EXPECT_EQ(e.LoadBtn(), nullptr);
    EXPECT_EQ(e.LoadBtn2(), nullptr);
    EXPECT_EQ(e.GotoBtn(), nullptr);
    EXPECT_NE(e.PlaybackBtn(), nullptr);
    EXPECT_NE(e.PlaybackBtn2(), nullptr);
    EXPECT_NE(e.StartBtn(), nullptr);
    EXPECT_NE(e.StopBtn(), nullptr);
    EXPECT_TRUE(e.IsRecording());
}

TEST_F(WordFixture, ATeacherSeesTheSaveButtonDisabledAndSavesOnce) {
    StandInApp app;
    app.teacher = true;
    SetAppServices(&app);
    auto& e = Load(kTeacherButtons);
    e.Show();
    ASSERT_NE(e.SaveSayBtn(), nullptr);
    EXPECT_NE(e.LoadBtn(), nullptr);
    EXPECT_EQ(e.SaveSayBtn()->GetState(), vDxButtonState::kDisabled);
    // No "Say.wav" yet: nothing is saved.
    e.SaveSayBtn()->ShowNormal();
    e.SaveSay();
    EXPECT_EQ(app.saves, 0);
    EXPECT_EQ(e.SaveSayBtn()->GetState(), vDxButtonState::kNormal);
    // Written in another letter case, it is the same file.
    WriteToneWav(dir / "say.wav", 5, 20);
    e.SaveSay();
    EXPECT_EQ(app.saves, 1);
    EXPECT_EQ(e.SaveSayBtn()->GetState(), vDxButtonState::kDisabled);
}

TEST_F(WordFixture, PlaybackSuspendsListeningAndItsEndResumesIt) {
    WriteToneWav(dir / "Word.wav", 5, 20);
    auto& e = Load("WavFileName = \"word.wav\";\nPlaybackBtn = {}\nPlaybackBtn2 = {}\n");
    e.Show();
    ASSERT_TRUE(e.IsRecording());
    e.StartPlayback();
    EXPECT_FALSE(e.IsRecording());
    EXPECT_EQ(e.PlaybackBtn()->GetState(), vDxButtonState::kDisabled);
    EXPECT_EQ(e.PlaybackBtn2()->GetState(), vDxButtonState::kDisabled);
    ASSERT_TRUE(PumpUntil([&] { return e.IsRecording(); }));
    EXPECT_EQ(e.PlaybackBtn()->GetState(), vDxButtonState::kNormal);
    EXPECT_TRUE(fs::exists(dir / "played.wav"));

    // Stopped before playback: stopped after it.
    e.StopRecording();
    e.StartPlayback();
    ASSERT_TRUE(PumpUntil([&] { return e.SuspendCount() == 0; }));
    EXPECT_FALSE(e.IsRecording());

    // A say that is not there: the failure ends the playback at once.
    e.StartRecording();
    e.StartPlayback2();
    EXPECT_TRUE(e.IsRecording());
    EXPECT_EQ(e.SuspendCount(), 0);
    // An etalon file that went away: reported, and listening goes on.
    fs::remove(dir / "Word.wav");
    e.StartPlayback();
    EXPECT_TRUE(e.IsRecording());
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(WordFixture, DisplayModesAndTheModeButton) {
    auto& e = Load("DispErrBtn = {}\nChActBtn = {}\nLockMarkersBtn = {}\n");
    e.Show();
    EXPECT_EQ(e.DisplayMode(), 1);
    e.SetDisplayMode(3);
    EXPECT_EQ(e.DisplayMode(), 3);
    EXPECT_EQ(e.DispErrBtn()->GetValue(), 2u);
    for (int bad : {0, 5}) {
        try {
            e.SetDisplayMode(bad);
            FAIL() << bad;
        } catch (const vTextException_c& ex) {
            EXPECT_EQ(ex.Text(), "Unknown display mode!");
        }
        EXPECT_EQ(e.DisplayMode(), 3);
    }
    // The button's fourth click gives mode 1 again.
    e.DispErrBtn()->OnClick();
    EXPECT_EQ(e.DisplayMode(), 4);
    e.DispErrBtn()->OnClick();
    EXPECT_EQ(e.DisplayMode(), 1);
    // Towards say mode without an etalon: still etalon mode, button at 0.
    e.ChActBtn()->OnClick();
    EXPECT_TRUE(e.EtalonMode());
    EXPECT_EQ(e.ChActBtn()->GetValue(), 0u);
    e.LockMarkersBtn()->OnClick();
    EXPECT_TRUE(e.LockMarkers());
}

TEST_F(WordFixture, AnUnknownModeOfTheSettingsIsReportedAndModeOneUsed) {
    WriteSettings("Type3_DispMode=5\n");
    auto& e = Load("ExerciseType = 3;\n");
    e.Show();
    EXPECT_EQ(e.DisplayMode(), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("Unknown display mode!"), std::string::npos);
}

TEST_F(WordFixture, EditorButtonsOfAWordExerciseNeverAppear) {
    auto& e = Load("SaveBtn = {}\nEditBtn = {}\nAutoSegmentBtn = {}\nBgEditBtn = {}\n");
    EXPECT_NE(e.SaveBtn(), nullptr);
    e.Show();
    EXPECT_EQ(e.SaveBtn(), nullptr);
    EXPECT_EQ(e.EditBtn(), nullptr);
    EXPECT_EQ(e.AutoSegmentBtn(), nullptr);
    EXPECT_EQ(e.BgEditBtn(), nullptr);
}

TEST_F(WordFixture, ImagePropertiesRefuseOtherClasses) {
    vLoader_c loader;
    try {
        LoadDefinitionText("bad.exc", "<vTrWordExercise_c> Obj = {\n<vRecording_c> VolExImage = {}\n}\n", loader);
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_NE(e.Text().find("Cannot set _VolExImage to a non-vDxImage_i derivative"), std::string::npos);
    }
}

// Every bad etalon file is reported in a box and leaves the exercise in
// etalon mode, listening.
TEST_F(WordFixture, BadEtalonFilesAreReported) {
    WriteToneWav(dir / "tone.wav", 5, 30);
    std::ofstream(dir / "notrec.dat") << "<vDxFileImage_c> Obj = { }\n";
    std::ofstream(dir / "refused.dat") << "<vRecording_c> Obj = { WavFileName = \"refused.wav\"; }\n";
    std::ofstream(dir / "refused.wav") << "RIFF....WAVEjunk";
    const std::vector<std::string> files = {"missing.dat", "notrec.dat", "refused.dat", "tone.wav"};
    for (const std::string& f : files) {
        boxes.clear();
        auto& e = Load("EtalonFile = \"" + f + "\";\nChActBtn = {}\n");
        e.Show();
        EXPECT_EQ(boxes.size(), 1u) << f;
        EXPECT_TRUE(e.EtalonMode()) << f;
        EXPECT_FALSE(e.Etalon().HasData()) << f;
        EXPECT_TRUE(e.IsRecording()) << f;
    }
}

TEST_F(WordFixture, AnEtalonWithMarkersBeyondItLoads) {
    WriteToneWav(dir / "tone.wav", 5, 30);
    std::ofstream(dir / "far.dat") << "<vRecording_c> Obj = {\n WavFileName = \"tone.wav\";\n Markers = {\n"
                                      "  <vSegmentMarker_c> = { Label = \"a\"; SegmentCode = \"a\"; Pos = 3; }\n"
                                      "  <vSegmentMarker_c> = { Label = \"z\"; SegmentCode = \"z\"; Pos = 5000; }\n"
                                      "  <vSegmentMarker_c> = { Label = \"y\"; SegmentCode = \"y\"; Pos = -400; }\n }\n}\n";
    auto& e = Load("EtalonFile = \"far.dat\";\nChActBtn = {}\n");
    e.Show();
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(e.EtalonMode());
    EXPECT_EQ(e.ChActBtn()->GetValue(), 1u);
    EXPECT_GT(e.Etalon().RecSize(), 20);
    for (int mode = 1; mode <= 4; ++mode) EXPECT_NO_THROW(e.SetDisplayMode(mode));
}

TEST_F(WordFixture, SaysOfOneFrameAndEtalonsOfAThousand) {
    auto& e = Load("");
    e.Show();
    vRecording_c big(vTrWordBase_c::kRecordingFrames);
    vRecording_c tiny(vTrWordBase_c::kRecordingFrames);
    WriteToneWav(dir / "big.wav", 100, 800);
    WriteToneWav(dir / "tiny.wav", 0, 1);
    e.LoadSay((dir / "big.wav").string());  // etalon mode: becomes the etalon
    ASSERT_FALSE(e.EtalonMode());
    EXPECT_EQ(e.Etalon().RecPos(), 1000);
    e.LoadSay((dir / "tiny.wav").string());
    ASSERT_NE(e.WarpData(), nullptr);
    EXPECT_GE(e.LastMark(), 1);
    for (int mode = 1; mode <= 4; ++mode) EXPECT_NO_THROW(e.SetDisplayMode(mode));
    EXPECT_TRUE(fs::exists(dir / "say.wav"));
}

TEST_F(WordFixture, ListeningAllocatesNothingPerBuffer) {
    auto& e = Load("");
    auto quiet = Quiet(), loud = Loud();
    // The detector's queue fills once with its first hundred frames.
    Feed(e, quiet, 150);
    alloc_counter::Begin();
    Feed(e, loud, 300);  // a word that goes on
    Feed(e, quiet, 20);
    const long allocations = alloc_counter::End();
    EXPECT_EQ(allocations, 0);
    EXPECT_TRUE(e.Detector().IsWord());
    EXPECT_GT(e.Recording().RecPos(), 300);
}

// With the new calculation the per-sound marks see the say just spoken,
// whichever display mode shows it.
TEST_F(WordFixture, NewCalculationMeasuresEverySayInEveryDisplayMode) {
    WriteSettings("NewCalculation=TRUE\n");
    auto list = [](const char* name, int value) {
        std::string s = std::string(name) + "(";
        for (int k = 0; k < 20; ++k) s += std::to_string(value) + (k < 19 ? "," : ")\n");
        return s;
    };
    std::ofstream(dir / "Limits.ini") << "[Sounds]\na=100000\n[OtherMarks]\nMark2=400\nMark3=300\nMark4=200\n";
    std::ofstream(dir / "Models.ini") << "[a]\n" + list("MinValues", 3000) + list("MaxValues", 3000) +
                                             list("MinWeight", 1) + list("MaxWeight", 1);
    WriteToneWav(dir / "tone.wav", 5, 30);
    std::ofstream(dir / "et.dat") << "<vRecording_c> Obj = { WavFileName = \"tone.wav\"; Markers = {\n"
                                     "  <vSegmentMarker_c> = { SegmentCode = \"a\"; Pos = 0; }\n } }\n";
    auto& e = Load("EtalonFile = \"et.dat\";\nVISound = \"a\";\nResDisplay = {}\n");
    e.Show();
    ASSERT_TRUE(e.NewCalculation());
    ASSERT_FALSE(e.EtalonMode());
    ASSERT_GT(e.SoundFrames().Count(), 0);
    EXPECT_EQ(e.SoundFrames()[0].code, "a");
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;

    WriteToneWav(dir / "low.wav", 5, 40, 80);
    WriteToneWav(dir / "high.wav", 5, 25, 20);
    for (int mode : {1, 3, 4}) {
        e.SetDisplayMode(mode);
        for (const char* say : {"low.wav", "high.wav"}) {
            e.LoadSay((dir / say).string());
            const vWarpData_c& warp = *e.WarpData();
            for (int r = 0; r < e.SoundFrames().Count(); ++r) {
                const vAllHmData_c& aligned = e.Say().WordFrame(warp.RowForColumn(r));
                ASSERT_EQ(e.SoundFrames()[r].measured[3], aligned.channels[3]) << "mode " << mode << " " << say;
                ASSERT_EQ(e.SoundFrames()[r].measured[21], aligned.fullBand) << "mode " << mode << " " << say;
            }
            EXPECT_GE(e.LastMark(), 1);
            EXPECT_EQ(e.ResDisplay()->GetEntry(), e.LastMark() - 1);
        }
    }
}

TEST_F(WordFixture, NewCalculationWithoutALimitsFileCannotStart) {
    WriteSettings("NewCalculation=TRUE\n");
    fs::remove(dir / "Limits.ini");
    auto& e = Load("VISound = \"a\";\n");
    try {
        e.Show();
        FAIL();
    } catch (const vException_c& ex) {
        EXPECT_NE(ex.Message().find("Cannot open Limits.ini file!"), std::string::npos) << ex.Message();
    }
}

// A word longer than the recording ends when the recording is full; it
// becomes the etalon, and the next word is marked against it.
TEST_F(WordFixture, AWordLongerThanTheRecordingEndsItAndIsUsed) {
    auto& e = Load("");
    e.Show();
    auto quiet = Quiet(), loud = Loud();
    Feed(e, quiet, 30);
    Feed(e, loud, 1100);
    ASSERT_FALSE(e.EtalonMode());
    EXPECT_EQ(e.Etalon().RecPos(), vTrWordBase_c::kRecordingFrames);
    Feed(e, quiet, 60);
    Feed(e, loud, 80);
    Feed(e, quiet, 60);
    ASSERT_TRUE(e.Say().HasData());
    EXPECT_NE(e.WarpData(), nullptr);
    EXPECT_GE(e.LastMark(), 1);
    EXPECT_TRUE(boxes.empty());
}

// The teacher's loads: a pupil's recording as the etalon, then one as a say.
TEST_F(WordFixture, TheTeacherLoadsAnEtalonAndASay) {
    StandInApp app;
    app.teacher = true;
    SetAppServices(&app);
    WriteToneWav(dir / "pupil_etalon.wav", 5, 30);
    WriteToneWav(dir / "pupil_say.wav", 5, 25, 40);
    auto& e = Load("LoadBtn = {}\nLoadBtn2 = {}\nGotoBtn = {}\n");
    e.Show();
    // Nothing chosen: nothing happens.
    e.LoadRecording();
    EXPECT_TRUE(e.EtalonMode());
    app.chosenFile = (dir / "pupil_etalon.wav").string();
    e.LoadBtn()->OnClick();
    EXPECT_FALSE(e.EtalonMode());
    EXPECT_EQ(e.WavFileName(), app.chosenFile);
    EXPECT_GT(e.Etalon().RecSize(), 20);
    ASSERT_TRUE(PumpUntil([&] { return e.SuspendCount() == 0; }));  // the etalon played
    app.chosenFile = (dir / "pupil_say.wav").string();
    e.LoadBtn2()->OnClick();
    EXPECT_TRUE(e.Say().HasData());
    EXPECT_GE(e.LastMark(), 1);
    EXPECT_TRUE(fs::exists(dir / "say.wav"));
    ASSERT_TRUE(PumpUntil([&] { return e.SuspendCount() == 0; }));  // the say played
    EXPECT_TRUE(e.IsRecording());
    // A file that is not a recording: the reason is raised, the exercise keeps its etalon.
    app.chosenFile = (dir / "missing.wav").string();
    EXPECT_THROW(e.LoadRecording(), vException_c);
    EXPECT_GT(e.Etalon().RecSize(), 20);
    // Goto without an exercise chosen does nothing.
    e.GotoBtn()->OnClick();
    EXPECT_TRUE(e.IsRecording());
}

// An exercise that has just opened has nothing to mark: its result view
// shows no picture (no red "1") until the first say has been judged.
TEST_F(WordFixture, NoMarkPictureBeforeTheFirstSay) {
    WriteToneWav(dir / "tone.wav", 5, 30);
    std::ofstream(dir / "et.dat") << "<vRecording_c> Obj = { WavFileName = \"tone.wav\"; }\n";
    std::string pictures;
    for (int m = 1; m <= 5; ++m)
        pictures += "_Images[" + std::to_string(m - 1) + "] = { FileName = \"" LORVANO_SOURCE_DIR
                    "/data/english/Words/.Pic/Mark" + std::to_string(m) + ".bmp\"; }\n";
    auto& e = Load("EtalonFile = \"et.dat\";\nResDisplay = { PosX = 660; PosY = 80; ImageCount = 5;\n" + pictures + "}\n");
    e.Show();
    ASSERT_FALSE(e.EtalonMode());
    // The view's square shows the exercise's background only ...
    const vDxRect view{660, 80, 120, 120};
    const uint32_t background = Pixel(view.x + view.w + 5, view.y);
    auto differing = [&] {
        int n = 0;
        for (int x = view.x; x < view.x + view.w; ++x)
            n += view.h - static_cast<int>(RowsOf(x, view.y, view.y + view.h, background).size());
        return n;
    };
    EXPECT_EQ(e.ResDisplay()->GetEntry(), vTrResultView_c::kNoMark);
    EXPECT_EQ(differing(), 0);
    // ... and so it stays through redraws; the first say brings its picture.
    e.SetDisplayMode(3);
    e.DrawControls();
    EXPECT_EQ(differing(), 0);
    WriteToneWav(dir / "say_tone.wav", 5, 25, 40);
    e.LoadSay((dir / "say_tone.wav").string());
    ASSERT_GE(e.LastMark(), 1);
    EXPECT_EQ(e.ResDisplay()->GetEntry(), e.LastMark() - 1);
    EXPECT_GT(differing(), 120 * 120 / 4);
}
