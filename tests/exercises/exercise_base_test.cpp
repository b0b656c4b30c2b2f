// The exercise base: definition hooks, the feedback switch, recording and
// suspension, the control buttons, the articulation name, the picture
// exercise and the result view.

#include "exercise_fixture.h"
#include "../support/bmp_writer.h"

#include "display/dx_images.h"
#include "exercises/amp_exercise.h"
#include "exercises/app_services.h"
#include "exercises/control_buttons.h"
#include "exercises/img_exercise.h"
#include "exercises/result_view.h"

using namespace exercise_test;

namespace {

// The application as an exercise sees it, with a menu folder to report.
class StandInApp : public vTrAppServices_i {
public:
    std::string CurrentMenuDir() const override { return menuDir; }
    void SuspendDrawing() override { ++suspended; }
    void ResumeDrawing() override { --suspended; }
    vTrExercise_c* LoadExerciseFile(const std::string&) override { return nullptr; }
    int SaveSayForStudent(int, const std::string&, const std::string&) override { return 0; }
    int TeacherLoggedIn() override { return 0; }
    int SelectStudentFile(std::string&, const std::string&) override { return 0; }
    int SelectStudentExerciseFile(std::string&, std::string&) override { return 0; }

    std::string menuDir;
    int suspended = 0;
};

// A card as the menus make it: a file button that takes a message and a path.
class StandInCard : public vDxFileButton_c, public vTrCard_i {
public:
    void SetCardMessage(uint32_t m) override { message = m; }
    void SetCardPath(const std::string& p) override { path = p; }
    uint32_t message = 77;
    std::string path = "Cards/Some.exc";
};

using ExerciseBase = ExerciseFixture;

}  // namespace

TEST_F(ExerciseBase, NamedButtonsWithoutBodiesGetTheirDefaultPlacesAndOwnExercise) {
    auto* ex = Load<vTrImgExercise_c>(R"(<vTrImgExercise_c> Obj = {
        StartBtn = { }
        OscBtn = { PosX = 300; PosY = 20; }
        BgEditBtn = { }
    })");
    ASSERT_NE(ex, nullptr);
    ASSERT_NE(ex->StartBtn(), nullptr);
    EXPECT_EQ(ex->StartBtn()->GetPos(), (vDxPoint{10, 26}));
    EXPECT_EQ(ex->StartBtn()->Exercise(), ex);
    EXPECT_EQ(ex->StartBtn()->GetParent(), ex);
    // A body's position replaces the default one.
    EXPECT_EQ(ex->OscBtn()->GetPos(), (vDxPoint{300, 20}));
    EXPECT_EQ(ex->BgEditBtn()->GetPos(), (vDxPoint{10, 26}));
    // Buttons not named are not made.
    EXPECT_EQ(ex->StopBtn(), nullptr);
}

TEST_F(ExerciseBase, WrongPictureClassesAreRefusedWithTheirMessages) {
    EXPECT_EQ(LoadError("<vTrImgExercise_c> Obj = { <vColor_c> BgImage = { } }"),
              "Cannot set _BgImage to a non-vDxImage_i derivative");
    EXPECT_EQ(LoadError("<vTrImgExercise_c> Obj = { <vNoSuchClass_c> ExImage = { } }"),
              "Cannot set _ExImage to a non-vDxImage_i derivative");
    EXPECT_EQ(LoadError("<vTrAmpExercise_c> Obj = { <vDxFileImage_c> HeadImage = { } }"),
              "Cannot set _HeadImage to a non-vDxFileSprite_c derivative");
    EXPECT_EQ(LoadError("<vTrPitch2Exercise_c> Obj = { <vColor_c> NeckImage = { } }"),
              "Cannot set _NeckImage to a non-vDxImage_i derivative");
    // The base classes cannot be made by name.
    EXPECT_NE(LoadError("<vTrExercise_c> Obj = { }"), "");
    EXPECT_NE(LoadError("<vTrContExercise_c> Obj = { }"), "");
}

TEST_F(ExerciseBase, TheIniSwitchesFeedbackOffForATypeButNeverOn) {
    WriteSettings("[ScreenMode]\nType3_FeedBack=FALSE\nType4_FeedBack=TRUE\n");
    Load("<vTrImgExercise_c> Obj = { ExerciseType = 3; EnableResDisplay = TRUE; }")->Show();
    EXPECT_FALSE(exercise->EnableResDisplay());
    Load("<vTrImgExercise_c> Obj = { ExerciseType = 4; EnableResDisplay = FALSE; }")->Show();
    EXPECT_FALSE(exercise->EnableResDisplay());
    Load("<vTrImgExercise_c> Obj = { ExerciseType = 5; }")->Show();
    EXPECT_TRUE(exercise->EnableResDisplay());
}

TEST_F(ExerciseBase, RecordingStartsOnceAndSuspensionsNest) {
    auto* ex = Load<vTrAmpExercise_c>("<vTrAmpExercise_c> Obj = { StartBtn = { } StopBtn = { } }");
    ex->Show();
    EXPECT_TRUE(ex->IsRecording());
    EXPECT_TRUE(ex->Listening());
    EXPECT_EQ(ex->StartBtn()->GetState(), vDxButtonState::kDisabled);
    EXPECT_EQ(ex->StopBtn()->GetState(), vDxButtonState::kNormal);

    ex->Suspend();
    ex->Suspend();
    EXPECT_FALSE(ex->Listening());
    ex->Resume();
    EXPECT_FALSE(ex->IsRecording());
    ex->Resume();
    EXPECT_TRUE(ex->IsRecording());
    EXPECT_TRUE(ex->Listening());

    // Stopped before the suspension: stays stopped after it.
    ex->StopRecording();
    EXPECT_FALSE(ex->Listening());
    EXPECT_EQ(ex->StartBtn()->GetState(), vDxButtonState::kNormal);
    ex->Suspend();
    ex->Resume();
    EXPECT_FALSE(ex->IsRecording());
    // A Resume without a Suspend changes nothing.
    ex->Resume();
    EXPECT_FALSE(ex->IsRecording());
    // Locked controls ignore start and stop.
    ex->LockControls(true);
    ex->StartRecording();
    EXPECT_FALSE(ex->IsRecording());
}

namespace {

// The application's microphone, counting how often it opens a device.
class CountingCapture : public vTrCapture_c {
public:
    using vTrCapture_c::Open;
    void Open(int deviceId, const platform::AudioFormat& format) override {
        ++opens;
        vTrCapture_c::Open(deviceId, format);
    }
    int opens = 0;
};

class MicrophoneApp : public StandInApp {
public:
    vTrCapture_c& Capture() override { return capture; }
    CountingCapture capture;
};

}  // namespace

TEST_F(ExerciseBase, StartingWhileRecordingOpensNothingAndStoppingCloses) {
    MicrophoneApp app;
    SetAppServices(&app);
    {
        vTrAmpExercise_c ex;
        ex.Attach(&screen);
        ex.Show();
        EXPECT_EQ(app.capture.opens, 1);
        EXPECT_TRUE(ex.Listening());
        ex.StartRecording();
        EXPECT_EQ(app.capture.opens, 1);
        ex.StopRecording();
        EXPECT_FALSE(ex.Listening());
        ex.StartRecording();
        EXPECT_EQ(app.capture.opens, 2);
        EXPECT_TRUE(ex.Listening());
        // A second exercise takes the microphone over; the first one's stop
        // leaves it running.
        vTrAmpExercise_c next;
        next.Attach(&screen);
        next.Show();
        EXPECT_TRUE(next.Listening());
        EXPECT_FALSE(ex.Listening());
        ex.StopRecording();
        EXPECT_TRUE(next.Listening());
    }
    EXPECT_FALSE(app.capture.HasDevice());
    SetAppServices(nullptr);
}

TEST_F(ExerciseBase, ADeviceThatCannotOpenLeavesTheExerciseStopped) {
    // An input file that cannot be read makes the File backend fail to open.
    setenv("LORVANO_AUDIO_IN", (dir / "missing.wav").c_str(), 1);
    auto* ex = Load<vTrAmpExercise_c>("<vTrAmpExercise_c> Obj = { StartBtn = { } StopBtn = { } }");
    ex->Show();
    EXPECT_FALSE(ex->IsRecording());
    EXPECT_FALSE(ex->Listening());
    EXPECT_EQ(ex->StartBtn()->GetState(), vDxButtonState::kNormal);
    EXPECT_EQ(ex->StopBtn()->GetState(), vDxButtonState::kDisabled);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ExerciseBase, ToneButtonsStepBySemitonesAndFiveDecibels) {
    auto* ex = Load<vTrAmpExercise_c>(R"(<vTrAmpExercise_c> Obj = {
        OscBtn = { } FreqUpBtn = { } FreqDownBtn = { } AmpUpBtn = { } AmpDownBtn = { } })");
    ex->OscBtn()->OnClick();
    EXPECT_TRUE(ex->TestTone().on);
    ex->OscBtn()->OnClick();
    EXPECT_FALSE(ex->TestTone().on);
    for (int i = 0; i < 12; ++i) ex->FreqUpBtn()->OnClick();
    EXPECT_NEAR(ex->GetToneFrequency(), 2000.0, 1e-3);
    for (int i = 0; i < 4; ++i) ex->AmpUpBtn()->OnClick();
    EXPECT_NEAR(ex->GetToneAmplitude(), 10.0, 1e-5);
    ex->FreqDownBtn()->OnClick();
    ex->AmpDownBtn()->OnClick();
    EXPECT_NEAR(ex->GetToneFrequency(), 2000.0 / 1.059463094, 1e-3);
    EXPECT_NEAR(ex->GetToneAmplitude(), 10.0 / 1.77827941, 1e-5);
    // A button that belongs to no exercise does nothing.
    vTrStartBtn_c loose;
    loose.OnClick();
}

TEST_F(ExerciseBase, ThePictureExerciseNeverListensAndTakesItsPicturesSize) {
    auto* ex = Load<vTrImgExercise_c>(R"(<vTrImgExercise_c> Obj = {
        DispPos = (100, 80); DispWidth = 600; DispHeight = 400;
        <vDxFileImage_c> ExImage = { FileName = ".Pic/Drawer/Menu0.bmp"; }
        StartBtn = { }
    })");
    const vDxImage_i* picture = ex->ExImage();
    ASSERT_GT(picture->GetWidth(), 0);
    ex->Show();
    EXPECT_EQ(ex->DisplayRect().w, picture->GetWidth());
    EXPECT_EQ(ex->DisplayRect().h, picture->GetHeight());
    ex->StartBtn()->OnClick();
    EXPECT_FALSE(ex->IsRecording());
    EXPECT_EQ(ex->GetKind(), 0);
    EXPECT_EQ(ex->GetToneFrequency(), 0.0);
    // The picture is on the screen at DispPos, the rest is grey.
    auto dc = const_cast<vDxImage_i*>(picture)->CreateDC();
    EXPECT_EQ(Pixel(100 + 5, 80 + 5), dc->GetPixel(5, 5));
    dc.reset();
    EXPECT_EQ(Pixel(799, 599), screen.MakeColor(kTrGreyPaletteIndex));
}

TEST_F(ExerciseBase, TheCardIsShownDisabledUntilItMayBeClicked) {
    StandInApp app;
    SetAppServices(&app);
    auto* ex = Load<vTrImgExercise_c>("<vTrImgExercise_c> Obj = { CardPos = (70, 389); }");
    auto card = std::make_unique<StandInCard>();
    StandInCard* c = card.get();
    ex->SetCard(std::move(card));
    EXPECT_EQ(app.suspended, 0);  // resumed again
    EXPECT_EQ(c->GetParent(), ex);
    EXPECT_EQ(c->message, 0u);
    EXPECT_EQ(c->path, "");
    EXPECT_EQ(c->GetPos(), (vDxPoint{70, 389}));
    EXPECT_EQ(c->GetState(), vDxButtonState::kDisabled);
    ex->ShowCard(true);
    EXPECT_EQ(c->message, static_cast<uint32_t>(kTrCardClickMessage));
    EXPECT_EQ(c->GetState(), vDxButtonState::kNormal);
    EXPECT_TRUE(c->InChain(Chain::LeftDown));
    ex->ShowCard(false);
    EXPECT_EQ(c->GetState(), vDxButtonState::kDisabled);
    SetAppServices(nullptr);
}

TEST_F(ExerciseBase, TheArticulationNameComesFromTheMenuFolder) {
    auto* ex = Load<vTrImgExercise_c>("<vTrImgExercise_c> Obj = { }");
    try {
        ex->GetArtExName();
        ADD_FAILURE() << "no exception without an application";
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Cannot generate ArtExName if Main is NULL");
    }
    StandInApp app;
    SetAppServices(&app);
    app.menuDir = (dir / "Menu").string();
    std::filesystem::create_directories(dir / "Menu");
    EXPECT_EQ(ex->GetArtExName(), "");
    // Written in another letter case, it is the same file.
    std::ofstream((dir / "Menu" / ".articulation.EXC").string()) << "x";
    EXPECT_EQ(ex->GetArtExName(), (dir / "Menu" / ".articulation.EXC").string());
    // A name the definition gives wins.
    auto* named = Load<vTrImgExercise_c>("<vTrImgExercise_c> Obj = { ArtExName = \"Mine.exc\"; }");
    EXPECT_EQ(named->GetArtExName(), "Mine.exc");
    SetAppServices(nullptr);
}

namespace {

// A result view with three coloured pictures, drawn at (10, 20) of the screen.
std::unique_ptr<vTrResultView_c> ThreePictureView(vDxImage_i& parent) {
    auto view = std::make_unique<vTrResultView_c>();
    view->SetParent(&parent);
    view->SetCount(3);
    const uint8_t colours[3][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (unsigned i = 0; i < 3; ++i) {
        view->SetCurrent(static_cast<int>(i));
        view->Create(8, 8, 32, 3);
    }
    for (unsigned i = 0; i < 3; ++i) {
        vDxFileImage_c* p = view->Picture(i);
        p->FillRect({0, 0, 8, 8}, p->MakeColor(colours[i][0], colours[i][1], colours[i][2]));
    }
    view->SetPos({10, 20});
    return view;
}

}  // namespace

TEST_F(ExerciseBase, TheResultViewRedrawsOnlyForANewEntryOrAfterARestore) {
    auto view = ThreePictureView(screen);
    const uint32_t red = Colour(255, 0, 0), blue = Colour(0, 0, 255), white = Colour(255, 255, 255);
    EXPECT_EQ(view->Count(), 3u);
    // The first request always draws, even of the entry already set.
    screen.FillRect({0, 0, 800, 600}, white);
    view->ShowEntry(0);
    EXPECT_EQ(Pixel(12, 22), red);
    view->ShowEntry(2);
    EXPECT_EQ(Pixel(12, 22), blue);
    // An entry without a picture shows picture 0 but is remembered.
    view->ShowEntry(4);
    EXPECT_EQ(view->GetEntry(), 4);
    EXPECT_EQ(Pixel(12, 22), red);
    screen.FillRect({0, 0, 800, 600}, white);
    view->ShowEntry(4);
    EXPECT_EQ(Pixel(12, 22), white);
    view->Restore();
    view->ShowEntry(4);
    EXPECT_EQ(Pixel(12, 22), red);
    view->ShowEntry(-2);
    EXPECT_EQ(view->GetEntry(), -2);
    EXPECT_EQ(view->SetEntry(1), -2);
}

TEST_F(ExerciseBase, ANewMarkWithFramesPlaysThemOnceAndEndsOnItsPicture) {
    auto write = [&](const std::string& name, int side, testing_bmp::Rgb colour) {
        const auto bytes = testing_bmp::Bmp24(side, side, std::vector<testing_bmp::Rgb>(side * side, colour));
        std::ofstream((dir / name).string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    // Mark 2 (green) has two frames, red and blue, the second in another
    // letter case; a third of another size ends the series. Mark 1 has none.
    write("Poor.bmp", 8, {255, 255, 0});
    write("Good.bmp", 8, {0, 255, 0});
    write("Good-1.bmp", 8, {255, 0, 0});
    write("GOOD-2.BMP", 8, {0, 0, 255});
    write("Good-3.bmp", 4, {255, 255, 255});
    vTrResultView_c view;
    view.SetParent(&screen);
    view.SetCount(2);
    view.Picture(0)->SetFileName((dir / "Poor.bmp").string());
    view.Picture(1)->SetFileName((dir / "Good.bmp").string());
    for (unsigned i = 0; i < 2; ++i) view.Picture(i)->LoadFile();
    view.SetPos({10, 20});
    ASSERT_TRUE(view.Loaded());
    EXPECT_EQ(view.FrameCount(0), 0u);
    EXPECT_EQ(view.FrameCount(1), 2u);
    const uint32_t red = Colour(255, 0, 0), green = Colour(0, 255, 0), blue = Colour(0, 0, 255),
                   yellow = Colour(255, 255, 0), white = Colour(255, 255, 255);

    // Frame by frame, then the picture, and it stays.
    view.ShowEntry(1);
    EXPECT_EQ(Pixel(12, 22), red);
    EXPECT_TRUE(view.NextFrame());
    EXPECT_EQ(Pixel(12, 22), blue);
    EXPECT_FALSE(view.NextFrame());
    EXPECT_EQ(Pixel(12, 22), green);
    EXPECT_FALSE(view.NextFrame());
    EXPECT_EQ(Pixel(12, 22), green);
    // The same mark again is no new greeting.
    screen.FillRect({0, 0, 800, 600}, white);
    view.ShowEntry(1);
    EXPECT_EQ(Pixel(12, 22), white);
    // A mark without frames is shown at once; a mark changed in the middle
    // of an animation ends it.
    view.ShowEntry(0);
    EXPECT_EQ(Pixel(12, 22), yellow);
    view.ShowEntry(1);
    EXPECT_EQ(view.ShownFrame(), 1u);
    view.ShowEntry(0);
    EXPECT_FALSE(view.NextFrame());
    EXPECT_EQ(Pixel(12, 22), yellow);

    // Left to the main window's clock, the frames run to the picture by themselves.
    view.ShowEntry(1);
    EXPECT_EQ(Pixel(12, 22), red);
    EXPECT_TRUE(PumpUntil([&] { return view.ShownFrame() == 0; }, 10));
    EXPECT_EQ(Pixel(12, 22), green);
}

TEST_F(ExerciseBase, TheFeedbackSetReplacesPicturesWhereItHasThem) {
    std::filesystem::create_directories(dir / "Res");
    std::filesystem::copy_file(LORVANO_SOURCE_DIR "/data/english/.Pic/Drawer/Menu0.bmp", dir / "Res" / "Mark1.bmp");
    std::filesystem::copy_file(LORVANO_SOURCE_DIR "/data/english/.Pic/Drawer/Menu1.bmp", dir / "Res" / "Mark2.bmp");
    // The "Stars" set has its own second picture only (the first one's
    // picture of that name is the drawer's other one).
    std::filesystem::copy_file(LORVANO_SOURCE_DIR "/data/english/.Pic/Drawer/Menu0.bmp",
                               dir / "Res" / "starsMark2.bmp");
    WriteSettings("[Feedback]\nOffset=1\nPrefix1=Stars\n");
    vTrResultView_c view;
    EXPECT_EQ(view.FeedbackOffset(), 1u);
    EXPECT_EQ(view.FeedbackPrefix(), "Stars");
    EXPECT_EQ(view.FeedbackFile((dir / "Res" / "Mark1.bmp").string()), (dir / "Res" / "Mark1.bmp").string());
    EXPECT_EQ(view.FeedbackFile((dir / "Res" / "Mark2.bmp").string()), (dir / "Res" / "starsMark2.bmp").string());
    // Without an offset no prefix is read.
    WriteSettings("[Feedback]\nPrefix1=Stars\n");
    vTrResultView_c plain;
    EXPECT_EQ(plain.FeedbackOffset(), 4294967295u);
    EXPECT_EQ(plain.FeedbackPrefix(), "");
}

TEST_F(ExerciseBase, TheBundledVoiceExercisesLoadAndShow) {
    const struct {
        const char* file;
        int kind;
    } files[] = {{"Voice/Loudness.exc", 1}, {"Voice/Pitch.exc", 4}, {"Voice/Giraffe.exc", 2}, {"Voice/Fish.exc", 1},
                 {"Voice/Kite.exc", 4},     {"Voice/Flower.exc", 2}, {"Mouth/A.exc", 0}};
    for (const auto& f : files) {
        vTrContExercise_c* ex = nullptr;
        try {
            ex = ShowFile<vTrContExercise_c>(f.file);
        } catch (const vException_c& e) {
            ADD_FAILURE() << f.file << ": " << e.Message();
            continue;
        }
        ASSERT_NE(ex, nullptr) << f.file;
        EXPECT_EQ(ex->GetKind(), f.kind) << f.file;
        ASSERT_NE(ex->ExImage(), nullptr) << f.file;
        EXPECT_GT(ex->ExImage()->GetWidth(), 300) << f.file;
        EXPECT_EQ(ex->DisplayRect().w, ex->ExImage()->GetWidth()) << f.file;
        // The background covers the screen, the picture the display area.
        EXPECT_EQ(Pixel(3, 590), ex->GetBgImage()->CreateDC()->GetPixel(3, 590)) << f.file;
        const vDxRect area = ex->DisplayRect();
        EXPECT_EQ(Pixel(area.x + area.w - 2, area.y + 1), ex->ExImage()->CreateDC()->GetPixel(area.w - 2, 1)) << f.file;
        EXPECT_GE(area.x + area.w, 600);
        EXPECT_LE(area.x + area.w, 800);
        EXPECT_LE(area.y + area.h, 600);
        if (f.kind != 0) {
            ASSERT_NE(ex->StartBtn(), nullptr);
            EXPECT_EQ(ex->StartBtn()->GetWidth(), 16);
            EXPECT_EQ(ex->OscBtn()->Count(), 6u);
            // Listening from the start: start disabled, stop enabled.
            EXPECT_TRUE(ex->IsRecording()) << f.file;
            EXPECT_EQ(ex->StartBtn()->GetState(), vDxButtonState::kDisabled);
            ex->StopRecording();
        }
    }
}
