// The editor record exercise: three takes in the red box's slots, the
// pairwise marks, loading the takes of an exercise file, the playback
// folder, markers and the auto-segmenter, and making a new word exercise
// from spoken takes that a pupil's say is then marked against.

#include "word_fixture.h"

#include <gtest/gtest.h>

#include <fstream>

#include "display/dialogs/dialogs.h"
#include "display/dialogs/scripted_toolkit.h"
#include "exercises/acoustic_marks.h"
#include "exercises/editor_buttons.h"
#include "exercises/editor_record.h"
#include "platform/message_box.h"

using namespace word_test;

namespace {

class CountingEditor : public vEdRecordExercise_c {
public:
    void WordRecorded(vRecording_c& recording) override {
        vEdRecordExercise_c::WordRecorded(recording);
        ++words;
    }
    int words = 0;
};

bool HaveSpeech() { return std::system("command -v espeak-ng >/dev/null && command -v sox >/dev/null") == 0; }

class EditorFixture : public WordFixture {
protected:
    void SetUp() override {
        WordFixture::SetUp();
        SetAppServices(&app);
        platform::SetMessageBoxHook([this](const platform::MessageBoxRecord& box) {
            boxes.push_back(box);
            return platform::BoxAnswer::Ok;
        });
        dialogs::SetToolkit(&toolkit);
    }
    void TearDown() override {
        dialogs::SetToolkit(nullptr);
        platform::SetMessageBoxHook({});
        WordFixture::TearDown();
    }

    CountingEditor& MakeEditor() {
        auto e = std::make_unique<CountingEditor>();
        CountingEditor& ed = *e;
        exercise = std::move(e);
        ed.Attach(&screen);
        ed.DrawBackground(true);
        return ed;
    }

    // The recording of a spoken word, as the word detector would hand it over.
    vRecording_c Word(vEdRecordExercise_c& ed, const std::string& file) {
        vRecording_c r(vTrWordBase_c::kRecordingFrames);
        r.SetProcessor(&ed.Processor());
        r.LoadWave((dir / file).string());
        return r;
    }

    bool FrameIs(vEdRecordExercise_c& ed, int slot, uint32_t colour) {
        const vDxPoint p = ed.SlotPos(slot);
        return Pixel(p.x - 1, p.y + 20) == colour;
    }

    StandInApp app;
    dialogs::ScriptedToolkit toolkit;
    std::vector<platform::MessageBoxRecord> boxes;
};

}  // namespace

TEST_F(EditorFixture, ThreeWordsFillTheSlotsInTurnAndTheRedBoxReturns) {
    if (!HaveSpeech()) GTEST_SKIP() << "needs espeak-ng and sox";
    ASSERT_TRUE(Speak("fish", dir / "a.wav", 140, 50));
    ASSERT_TRUE(Speak("fish", dir / "b.wav", 120, 60));
    ASSERT_TRUE(Speak("window", dir / "c.wav", 140, 50));
    UseBundledSettings();
    CountingEditor& ed = MakeEditor();
    const uint32_t red = Colour(255, 0, 0), black = Colour(0, 0, 0);
    EXPECT_EQ(ed.Active(), 0);
    EXPECT_TRUE(FrameIs(ed, 0, red));

    std::array<int32_t, 3> sizes{};
    const char* files[] = {"a.wav", "b.wav", "c.wav"};
    for (int i = 0; i < 3; ++i) {
        vRecording_c w = Word(ed, files[i]);
        ed.WordRecorded(w);
        sizes[static_cast<size_t>(i)] = ed.Take(i).RecSize();
        EXPECT_GT(sizes[static_cast<size_t>(i)], 10) << i;
        EXPECT_EQ(ed.Active(), (i + 1) % 3);
        EXPECT_TRUE(FrameIs(ed, (i + 1) % 3, red)) << i;
        EXPECT_TRUE(FrameIs(ed, i, black)) << i;
    }
    EXPECT_EQ(ed.Active(), 0);
    // Each slot kept its own word.
    EXPECT_NE(sizes[0], sizes[2]);
    // fish-fish is the closest pair: the best mark of the three.
    for (int pair = 0; pair < 3; ++pair) EXPECT_GT(ed.PairDistance(pair), 0) << pair;
    EXPECT_LT(ed.PairDistance(0), ed.PairDistance(1));
    EXPECT_LT(ed.PairDistance(0), ed.PairDistance(2));
    EXPECT_GE(ed.PairMark(0), ed.PairMark(1));
    EXPECT_EQ(ed.PairMark(0), MarkFromDistance(ed.PairDistance(0), 5000, 2000));
}

TEST_F(EditorFixture, LoadingTakesMatchesTheActiveTakeWithoutCaseAndReportsOrder) {
    for (const char* name : {"t1.wav", "t2.wav", "t3.wav"}) exercise_test::WriteWav(dir / name, exercise_test::Sine(300, 0.6));
    CountingEditor& ed = MakeEditor();
    auto write = [&](const std::string& text) {
        std::ofstream(dir / "x.exc") << "<vTrWordExercise_c> Obj = {\n" << text << "}\n";
        return (dir / "x.exc").string();
    };
    // WavFileName names the third take in other letters: slot 2 becomes active.
    ed.LoadExerciseTakes(write("WavFileName = \"T3.WAV\";\nEditorWavFileName1 = \"t1.wav\";\n"
                               "EditorWavFileName2 = \"t2.wav\";\nEditorWavFileName3 = \"t3.wav\";\n"));
    EXPECT_EQ(ed.Active(), 2);
    EXPECT_TRUE(boxes.empty());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(ed.Take(i).HasData()) << i;

    // No take of that name: the warning, the active slot unchanged.
    ed.LoadExerciseTakes(write("WavFileName = \"other.wav\";\nEditorWavFileName1 = \"t1.wav\";\n"
                               "EditorWavFileName2 = \"t2.wav\";\nEditorWavFileName3 = \"t3.wav\";\n"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot set active reference. (Red box.)");
    EXPECT_EQ(boxes[0].caption, "Warning!");
    EXPECT_EQ(ed.Active(), 2);

    auto error = [&](const std::string& text) {
        try {
            ed.LoadExerciseTakes(write(text));
        } catch (const vException_c& e) {
            return e.ShortText();
        }
        return std::string();
    };
    EXPECT_EQ(error("EditorWavFileName1 = \"t1.wav\";\nWavFileName = \"t1.wav\";\n"
                    "EditorWavFileName2 = \"t2.wav\";\nEditorWavFileName3 = \"t3.wav\";\n"),
              "Strm error: cannot find property 'EditorWavFileName1'");
    EXPECT_EQ(error("WavFileName \"t1.wav\";\n"), "Strm error: '=' expected.");
    EXPECT_EQ(error("WavFileName = t1;\n"), "Strm error: string constant expected.");
    EXPECT_EQ(error("WavFileName = \"t1.wav\"\nEditorWavFileName1 = \"t1.wav\";\n"), "Strm error: ';' expected.");

    // Through the open dialog: a missing take is a warning box, not a crash.
    toolkit.Add(dialogs::FileAnswer{write("WavFileName = \"t1.wav\";\nEditorWavFileName1 = \"gone.wav\";\n")});
    ed.LoadExerciseFile();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].text.find("gone.wav"), std::string::npos) << boxes[1].text;
    EXPECT_EQ(toolkit.Shown().at(0).file.filters.at(0).patterns, "*.exc");

    // A save that cannot be written is reported, not claimed, and leaves nothing behind.
    toolkit.Add(dialogs::FileAnswer{(dir / "missing" / "New.exc").string()});
    EXPECT_FALSE(ed.SaveExercise());
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_NE(boxes[2].text.find("missing"), std::string::npos) << boxes[2].text;
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST_F(EditorFixture, PlaybackFileGoesToTempThenTmpdirThenSlashTmp) {
    exercise_test::WriteWav(dir / "t.wav", exercise_test::Sine(300, 0.6));
    CountingEditor& ed = MakeEditor();
    ed.LoadTake((dir / "t.wav").string(), 0);
    ASSERT_TRUE(ed.Take(0).HasData());
    const char* savedTemp = std::getenv("TEMP");
    const char* savedTmpdir = std::getenv("TMPDIR");
    const std::string keepTemp = savedTemp ? savedTemp : "", keepTmpdir = savedTmpdir ? savedTmpdir : "";

    setenv("TEMP", (dir / "temp" / "new").c_str(), 1);
    setenv("TMPDIR", (dir / "tmpdir").c_str(), 1);
    ed.StartPlayback();
    EXPECT_EQ(ed.LastPlaybackFile(), (dir / "temp" / "new" / "vTrPlay.wav").string());
    EXPECT_TRUE(fs::is_regular_file(dir / "temp" / "new" / "vTrPlay.wav"));

    unsetenv("TEMP");
    ed.StartPlayback();
    EXPECT_EQ(ed.LastPlaybackFile(), (dir / "tmpdir" / "vTrPlay.wav").string());
    unsetenv("TMPDIR");
    EXPECT_EQ(vEdRecordExercise_c::PlaybackFolder(), "/tmp");

    // A folder name of 200 characters or more: nothing is written.
    setenv("TEMP", std::string(200, 'x').c_str(), 1);
    EXPECT_EQ(vEdRecordExercise_c::PlaybackFolder(), "");
    fs::remove(dir / "tmpdir" / "vTrPlay.wav");
    ed.StartPlayback();
    EXPECT_EQ(ed.LastPlaybackFile(), (dir / "tmpdir" / "vTrPlay.wav").string());
    EXPECT_FALSE(fs::exists(dir / "tmpdir" / "vTrPlay.wav"));

    keepTemp.empty() ? unsetenv("TEMP") : setenv("TEMP", keepTemp.c_str(), 1);
    if (!keepTmpdir.empty()) setenv("TMPDIR", keepTmpdir.c_str(), 1);
}

TEST_F(EditorFixture, OnlyATeacherKeepsTheMakingButtons) {
    const std::string body = "<vEdRecordExercise_c> Obj = {\n  ChActBtn = { PosX = 1; }\n  SaveBtn = { PosX = 2; }\n"
                             "  EditBtn = { PosX = 3; }\n  AutoSegmentBtn = { PosX = 4; }\n}\n";
    app.teacher = false;
    auto* ed = ExerciseFixture::Load<vEdRecordExercise_c>(body);
    ASSERT_NE(ed, nullptr);
    ed->Show();
    EXPECT_NE(ed->ChActBtn(), nullptr);
    EXPECT_EQ(ed->SaveBtn(), nullptr);
    EXPECT_EQ(ed->EditBtn(), nullptr);
    EXPECT_EQ(ed->AutoSegmentBtn(), nullptr);
    ed->StopRecording();

    app.teacher = true;
    ed = ExerciseFixture::Load<vEdRecordExercise_c>(body);
    ed->Show();
    EXPECT_NE(ed->SaveBtn(), nullptr);
    EXPECT_NE(ed->EditBtn(), nullptr);
    EXPECT_NE(ed->AutoSegmentBtn(), nullptr);
    ed->StopRecording();
}

// Three spoken takes through the microphone, markers, saved as a new
// exercise, which a pupil then opens: the same word is marked better than
// another word.
TEST_F(EditorFixture, SpokenTakesBecomeAWordExerciseForThePupil) {
    if (!HaveSpeech()) GTEST_SKIP() << "needs espeak-ng and sox";
    ASSERT_TRUE(Speak("sunshine", dir / "take1.wav", 130, 50));
    ASSERT_TRUE(Speak("sunshine", dir / "take2.wav", 140, 45));
    ASSERT_TRUE(Speak("sunshine", dir / "take3.wav", 150, 55));
    ASSERT_TRUE(Speak("sunshine", dir / "say_same.wav", 120, 60));
    ASSERT_TRUE(Speak("butterfly", dir / "say_other.wav", 140, 50));
    setenv("LORVANO_AUDIO_IN",
           ((dir / "take1.wav").string() + ":" + (dir / "take2.wav").string() + ":" + (dir / "take3.wav").string())
               .c_str(),
           1);
    setenv("LORVANO_AUDIO_GAP_MS", "900", 1);
    UseBundledSettings();
    app.teacher = true;

    // The course's word layout, which the bundled recorder names.
    const fs::path english = fs::path(LORVANO_SOURCE_DIR) / "data/english";
    fs::create_directories(dir / "Words");
    fs::copy_file(english / "Words/.Word.def", dir / "Words/.Word.def");
    fs::copy(english / "Words/.Pic", dir / "Words/.Pic", fs::copy_options::recursive);
    fs::create_directories(dir / ".Pic/Exercises");
    fs::copy_file(english / ".Pic/Exercises/ExerciseBg.jpg", dir / ".Pic/Exercises/ExerciseBg.jpg");

    CountingEditor& ed = MakeEditor();
    ed.SetWordLayout("Words/.Word.def");
    ed.Show();
    ASSERT_TRUE(PumpUntil([&] { return ed.words >= 3; })) << ed.words << " takes heard";
    ed.StopRecording();
    EXPECT_EQ(ed.Active(), 0);
    for (int i = 0; i < 3; ++i) EXPECT_GT(ed.Take(i).RecSize(), 20) << i;

    // The auto-segmenter's proposal, then the teacher's own marker by a
    // click on the active take, moved by a drag and named in dialog 120.
    const std::vector<int32_t> proposed = ed.AutoSegment();
    ASSERT_FALSE(proposed.empty());
    EXPECT_EQ(proposed.front(), 0);
    EXPECT_GE(proposed.size(), 2u);
    std::printf("auto-segment of \"sunshine\" (%d frames):", ed.Take(0).RecSize());
    for (int32_t f : proposed) std::printf(" %d", f);
    std::printf("\n");
    const size_t before = ed.Take(0).Markers().Count();
    const vDxPoint p = ed.SlotPos(0);
    int x = p.x + 1;
    while (ed.FrameAt(x, p.y + 10) != ed.Take(0).RecSize() / 2 + 1 && x < p.x + ed.DispWidth()) ++x;
    ASSERT_EQ(ed.FrameAt(x, p.y + 10), ed.Take(0).RecSize() / 2 + 1);
    // Away from the proposed markers, or the click would pick one up.
    ed.RemoveMarker(before - 1);
    ed.OnLeftDown(x, p.y + 10, 0);
    ASSERT_EQ(ed.Take(0).Markers().Count(), before);
    int x2 = x;
    while (ed.FrameAt(x2, p.y + 10) < ed.Take(0).RecSize() / 2 + 3) ++x2;
    ed.OnMouseMove(x2, p.y + 10, 0);
    ed.OnLeftUp(x2, p.y + 10, 0);
    auto& mine = dynamic_cast<vSegmentMarker_c&>(ed.Take(0).Markers()[before - 1]);
    EXPECT_EQ(ed.MarkerFrame(before - 1), ed.Take(0).RecSize() / 2 + 3);
    toolkit.Add(dialogs::FormAnswer{120, {dialogs::FormStep::Type(1000, "sh"), dialogs::FormStep::Type(1001, "S")}});
    ASSERT_TRUE(ed.EditMarker(before - 1));
    EXPECT_EQ(mine.label, "sh");
    EXPECT_EQ(mine.segmentCode, "S");

    // Saved as a new exercise; an existing name is asked about first.
    fs::create_directories(dir / "Teacher");
    toolkit.Add(dialogs::FileAnswer{(dir / "Teacher" / "Sunshine").string()});
    // Then a picture for its card.
    toolkit.Add(dialogs::FileAnswer{(english / "Words/Sun.bmp").string()});
    ASSERT_TRUE(ed.SaveExercise());
    for (const char* f :
         {"Sunshine.exc", "Sunshine.dat", "Sunshine_1.wav", "Sunshine_2.wav", "Sunshine_3.wav", "Sunshine.bmp"})
        EXPECT_TRUE(fs::is_regular_file(dir / "Teacher" / f)) << f;
    EXPECT_THROW(ed.SaveCardPicture((dir / "Teacher/Sunshine.exc").string(), (dir / "played.wav").string()),
                 vException_c);

    // The editor reopens the session from it, slot 0 active.
    const int32_t size3 = ed.Take(2).RecSize();
    ed.SetActive(1);
    ed.LoadExerciseTakes((dir / "Teacher" / "Sunshine.exc").string());
    EXPECT_EQ(ed.Active(), 0);
    EXPECT_NEAR(ed.Take(2).RecSize(), size3, 2);
    exercise.reset();

    // The pupil's turn.
    app.teacher = false;
    auto* word = ShowFile<vTrWordExercise_c>("Teacher/Sunshine.exc");
    ASSERT_NE(word, nullptr);
    // Used like a shipped word: its buttons, its result picture, its card
    // beside the displays.
    EXPECT_NE(word->StartBtn(), nullptr);
    EXPECT_NE(word->PlaybackBtn(), nullptr);
    EXPECT_NE(word->ResDisplay(), nullptr);
    EXPECT_EQ(word->CardPos().x, 660);
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    word->StopRecording();
    ASSERT_FALSE(word->EtalonMode());
    ASSERT_EQ(word->Etalon().Markers().Count(), before);
    word->LoadSay((dir / "say_same.wav").string());
    ASSERT_TRUE(PumpUntil([&] { return !word->AwaitingAcoustic(); }));
    const int32_t same = word->LastMark(), sameDistance = word->WarpData()->Distance();
    word->LoadSay((dir / "say_other.wav").string());
    ASSERT_TRUE(PumpUntil([&] { return !word->AwaitingAcoustic(); }));
    const int32_t other = word->LastMark(), otherDistance = word->WarpData()->Distance();
    std::printf("same word: distance %d mark %d; other word: distance %d mark %d\n", sameDistance, same,
                otherDistance, other);
    EXPECT_LT(sameDistance, otherDistance);
    EXPECT_GT(same, other);
}

// A word the pronouncing dictionary lacks gets its phones in the save
// dialog: an unknown phone is named and nothing is written; the phones
// saved reach the acoustic judge of the new exercise, which then marks a
// say exactly as it marks the dictionary's word of those phones.
TEST_F(EditorFixture, PhonesGivenOnSavingReachTheAcousticJudge) {
    if (!HaveSpeech()) GTEST_SKIP() << "needs espeak-ng and sox";
    ASSERT_TRUE(Speak("fish", dir / "take.wav", 140, 50));
    ASSERT_TRUE(Speak("fish", dir / "pupil.wav", 120, 70));
    CountingEditor& ed = MakeEditor();
    ed.LoadTake((dir / "take.wav").string(), 0);
    ASSERT_TRUE(ed.Take(0).HasData());

    toolkit.Add(dialogs::FileAnswer{(dir / "Fesh").string(), "f ih QQ"});
    toolkit.Add(dialogs::FileAnswer{});  // shown again: the teacher gives up
    EXPECT_FALSE(ed.SaveExercise());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("\"QQ\""), std::string::npos) << boxes[0].text;
    ASSERT_EQ(toolkit.Shown().size(), 2u);
    EXPECT_EQ(toolkit.Shown()[0].file.extraLabel.rfind("Phones", 0), 0u);
    EXPECT_EQ(toolkit.Shown()[1].file.extraText, "f ih QQ");
    EXPECT_EQ(toolkit.Shown()[1].file.fileName, "Fesh.exc");
    for (const char* f : {"Fesh.exc", "Fesh.dat", "Fesh_1.wav"}) EXPECT_FALSE(fs::exists(dir / f)) << f;

    toolkit.Add(dialogs::FileAnswer{(dir / "Fesh").string(), "f ih1  sh"});
    toolkit.Add(dialogs::FileAnswer{});  // no card picture
    ASSERT_TRUE(ed.SaveExercise());
    toolkit.Add(dialogs::FileAnswer{(dir / "Fish").string()});  // the field left empty
    toolkit.Add(dialogs::FileAnswer{});
    ASSERT_TRUE(ed.SaveExercise());
    EXPECT_EQ(toolkit.Unexpected(), 0);
    EXPECT_EQ(boxes.size(), 1u);
    auto text = [&](const char* file) {
        std::ifstream in(dir / file);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    EXPECT_NE(text("Fesh.exc").find("\n  Phones = \"F IH SH\";\n"), std::string::npos) << text("Fesh.exc");
    EXPECT_EQ(text("Fish.exc").find("Phones"), std::string::npos);
    // Loaded back into the editor, the exercise offers its phones again.
    ed.LoadExerciseTakes((dir / "Fesh.exc").string());
    toolkit.Add(dialogs::FileAnswer{});
    EXPECT_FALSE(ed.SaveExercise());
    EXPECT_EQ(toolkit.Shown().back().file.extraText, "F IH SH");
    exercise.reset();

    // The pupil's turn, with the acoustic judge's marks alone.
    WriteSettings("MarkSource=acoustic\n");
    auto distance = [&](const char* file) {
        auto* word = ShowFile<vTrWordExercise_c>(file);
        word->StopRecording();
        const size_t marked = app.marks.size();
        word->LoadSay((dir / "pupil.wav").string());
        EXPECT_TRUE(PumpUntil([&] { return !word->AwaitingAcoustic(); }, 120)) << file;
        return app.marks.size() > marked ? app.marks.back().score : -1.0;
    };
    const double fesh = distance("Fesh.exc");
    ASSERT_GE(fesh, 0);
    if (!vTrAcousticMarks_c::Built()) GTEST_SKIP() << "the phones were read; this build has no acoustic judge";
    // Had the phones not reached the judge, "Fesh" would have kept the warp's distance.
    const double fish = distance("Fish.exc");
    std::printf("acoustic distance: Fesh %.0f, Fish %.0f\n", fesh, fish);
    EXPECT_EQ(fesh, fish);

    // Saved without phones where words are marked acoustically: a name
    // that is the dictionary's words ("Fish 2") is judged as them; one it
    // lacks is told of, and the exercise still saves.
    CountingEditor& again = MakeEditor();
    boxes.clear();
    const size_t shown = toolkit.Shown().size();
    EXPECT_FALSE(again.SaveExercise());  // an empty red box is told of, no dialog
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("holds no word"), std::string::npos) << boxes[0].text;
    EXPECT_EQ(toolkit.Shown().size(), shown);
    again.LoadTake((dir / "take.wav").string(), 0);
    boxes.clear();
    for (const char* name : {"Fish 2", "Zqxv"}) {
        toolkit.Add(dialogs::FileAnswer{(dir / name).string()});
        toolkit.Add(dialogs::FileAnswer{});
        ASSERT_TRUE(again.SaveExercise()) << name;
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("no word \"Zqxv\""), std::string::npos) << boxes[0].text;
    exercise.reset();
    EXPECT_EQ(distance("Fish 2.exc"), fish);
}

TEST_F(EditorFixture, TheBundledRecorderShowsItsTakesAndButtons) {
    fs::current_path(fs::path(LORVANO_SOURCE_DIR) / "data/english");
    app.teacher = true;
    auto* ed = ShowFile<vEdRecordExercise_c>("Teacher/Recorder.exc");
    ASSERT_NE(ed, nullptr);
    ed->StopRecording();
    ed->DrawBackground(true);
    for (vDxFileButton_c* b : {static_cast<vDxFileButton_c*>(ed->ChActBtn()),
                               static_cast<vDxFileButton_c*>(ed->DispErrBtn()),
                               static_cast<vDxFileButton_c*>(ed->SaveBtn()),
                               static_cast<vDxFileButton_c*>(ed->EditBtn()),
                               static_cast<vDxFileButton_c*>(ed->AutoSegmentBtn())})
        ASSERT_NE(b, nullptr);
    EXPECT_TRUE(FrameIs(*ed, 0, Colour(255, 0, 0)));
    EXPECT_TRUE(FrameIs(*ed, 1, Colour(0, 0, 0)));
    // The take checkbox moves the red box.
    ed->ChActBtn()->OnClick();
    EXPECT_EQ(ed->Active(), 1);
    EXPECT_TRUE(FrameIs(*ed, 1, Colour(255, 0, 0)));
    // The view checkbox: bands, volume, pitch, bands.
    for (int mode : {3, 4, 1}) {
        ed->DispErrBtn()->OnClick();
        EXPECT_EQ(ed->DisplayMode(), mode);
    }
    fs::current_path(dir);
}

// A "word" of three sounds with known joins: a hiss, a low voiced buzz and a
// high one. The auto-segmenter's proposal has a boundary at each join.
TEST_F(EditorFixture, AutoSegmentFindsTheJoinsOfThreeSounds) {
    std::vector<int16_t> s(6615, 0);  // 0.3 s of silence
    uint32_t seed = 1;
    const size_t hiss = 5600, low = 6720, high = 5600;  // 25, 30, 25 frames of 224 samples
    for (size_t i = 0; i < hiss; ++i) {
        seed = seed * 1664525u + 1013904223u;
        s.push_back(static_cast<int16_t>(static_cast<int32_t>(seed >> 16) % 6000 - 3000));
    }
    auto buzz = [&](double hz, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            double v = 0;
            for (int h = 1; h <= 6; ++h) v += std::sin(2 * M_PI * hz * h * static_cast<double>(i) / 22050) / h;
            s.push_back(static_cast<int16_t>(6000 * v));
        }
    };
    buzz(120, low);
    buzz(900, high);
    s.insert(s.end(), 6615, 0);
    exercise_test::WriteWav(dir / "three.wav", s);

    CountingEditor& ed = MakeEditor();
    ed.LoadTake((dir / "three.wav").string(), 0);
    const vRecording_c& take = ed.Take(0);
    ASSERT_GT(take.RecSize(), 70);
    // The joins as word frames: the word starts where the hiss does.
    const int32_t start = 6615 / 224 - take.WordBegin();
    const std::vector<int32_t> proposed = ed.AutoSegment();
    std::printf("word of %d frames from frame %d; proposed:", take.RecSize(), take.WordBegin());
    for (int32_t f : proposed) std::printf(" %d", f);
    std::printf("\n");
    for (int32_t join : {start + 25, start + 55}) {
        const bool found = std::any_of(proposed.begin(), proposed.end(),
                                       [&](int32_t f) { return std::abs(f - join) <= 2; });
        EXPECT_TRUE(found) << "no boundary near frame " << join;
    }
    EXPECT_LE(proposed.size(), 5u);
    EXPECT_EQ(ed.Take(0).Markers().Count(), proposed.size());
}
