// A lesson with the real program, start to end: the Words card leads to a
// word whose etalon is played; the same word in another voice (espeak-ng's,
// and flite's slt, another synthesiser's) earns a good mark and a different
// word a poor one; the drawer's Back returns to the
// cards and its Settings opens the settings sheet, which Escape cancels.
// The loudness exercise draws its trace while speech is heard, and a held
// "s" earns a good mark in its sound exercise. A teacher logs in and keeps a
// pupil's say in the pupil's folder. The marks are printed, for those who
// tune the analysis.

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

#include "trainer_session.h"

using namespace lorvano_test;

namespace {

// What is said, and where. The etalons are espeak-ng's "en" voice at 140
// words a minute, pitch 50 (scripts/make_word_etalons.py); the says differ
// in voice, speed and pitch.
const std::string kWordFolder = "Words";
const std::string kWordExercise = "Fish.exc";
// The pupils; "moon"'s vowel and nasal are far from "fish"'s.
struct Pupil {
    Utterance same, other;
};
void PrintTo(const Pupil& pupil, std::ostream* out) { *out << pupil.same.voice; }
const Pupil kEspeakPupil{{"fish", "en-us", 120, 35}, {"moon", "en-us", 120, 35}};
const Pupil kFlitePupil{{"fish", "flite:slt", 0, 0}, {"moon", "flite:slt", 0, 0}};
const std::string kSoundFolder = "Sounds";
const std::string kSoundExercise = "S_s.exc";
const Utterance kHeldSound{"[[ssssssssssssssssssss]]", "en", 80, 50};  // held long enough to be seen on a busy machine
const std::string kVoiceFolder = "Voice";
const std::string kLoudnessExercise = "Loudness.exc";
// No hissing sound in it: what is left of it when the sound exercise opens
// must not earn the held sound's mark.
const Utterance kSpeech{"hello mama, one, two, hello anna", "en-us", 130, 45};
// The upper part of the loudness display (its DispPos and picture) and the exercise's PenColor.
const struct { int x, y, w, h; } kLoudnessUpper{100, 80, 600, 250};
const std::string kLoudnessPen = "#FFDC3C";

const std::string kTeacher = "Anna Berg";
const std::string kPassword = "lesson one";
const std::string kPupil = "Tom";

// The card looks as in an earlier shot of the same menu.
bool SameCard(const std::string& shot, const std::string& earlier, const CardPlace& card) {
    return DifferingPixels(Region(shot, card.left, card.top, card.size, card.size),
                           Region(earlier, card.left, card.top, card.size, card.size)) == 0;
}

}  // namespace

class LessonWithPupil : public testing::TestWithParam<Pupil> {};

TEST_P(LessonWithPupil, AWordIsPlayedMarkedAndLeftByTheDrawer) {
    if (!CanDriveWindows() || !HaveSpeech()) GTEST_SKIP() << "needs an X display, xdotool, ImageMagick, espeak-ng, flite, sox";
    const Utterance& sameWord = GetParam().same;
    const Utterance& otherWord = GetParam().other;
    TempDir speech;
    const fs::path same = speech.Path() / "same.wav", other = speech.Path() / "other.wav";
    ASSERT_TRUE(Speak(sameWord, 1.0, same));
    ASSERT_TRUE(Speak(otherWord, 0.0, other));
    TrainerSession trainer({same, other}, 2500);
    const fs::path words = trainer.Language() / kWordFolder;
    const ResultView view = ResultViewOf(trainer.Language(), kWordFolder + "/" + kWordExercise);
    ASSERT_GE(view.pictures.size(), 5u);
    const fs::path say = trainer.Language() / "say.wav";

    ASSERT_TRUE(trainer.Start(TrainerSession::WithoutLogin)) << trainer.Errors();
    trainer.MouseAway();
    const std::string root = trainer.Shot("home");
    const CardPlace folderCard = CardOf(trainer.Language(), kWordFolder), card = CardOf(words, kWordExercise);
    ASSERT_GT(card.size, 0);
    ASSERT_TRUE(trainer.ClickCard(trainer.Language(), kWordFolder));
    const std::string menu = trainer.Shot("words");
    ASSERT_TRUE(trainer.ClickCard(words, kWordExercise));

    // The etalon is played as the exercise opens: its samples reach the speaker.
    const fs::path etalon = words / (fs::path(kWordExercise).stem().string() + ".wav");
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(trainer.Played()); }, 45)) << trainer.Errors();
    EXPECT_EQ(ReadFile(trainer.Played().string()), ReadFile(etalon.string()));

    // The same word: a good mark.
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(say); }, 60)) << "no say was heard";
    std::string stamp = FileStamp(say);
    int sameMark = 0;
    WaitUntil([&] { return (sameMark = trainer.MarkShown(view)) > 0; }, 20);
    trainer.Shot("word_same");
    EXPECT_GE(sameMark, 4) << sameWord.text << " said on " << kWordExercise;

    // Another word: a poor one.
    ASSERT_TRUE(WaitUntil([&] { return FileStamp(say) != stamp; }, 60)) << "the second say was not heard";
    int otherMark = sameMark;
    WaitUntil([&] { return (otherMark = trainer.MarkShown(view)) != sameMark && otherMark > 0; }, 15);
    trainer.Shot("word_other");
    EXPECT_GE(otherMark, 1);
    EXPECT_LE(otherMark, 2) << otherWord.text << " said on " << kWordExercise;
    std::printf("%s, %s: \"%s\" marked %d, \"%s\" marked %d\n", kWordExercise.c_str(), sameWord.voice.c_str(),
                sameWord.text.c_str(), sameMark, otherWord.text.c_str(), otherMark);

    // The drawer's Back: the folder's cards again.
    trainer.Drawer(TrainerSession::kBackY);
    EXPECT_TRUE(WaitUntil([&] { return SameCard(trainer.Shot("back"), menu, card); }, 45));

    // The drawer's Settings: the settings sheet, cancelled with Escape.
    trainer.Drawer(TrainerSession::kSettingsY);
    const std::string sheet = trainer.WindowNamed("Lorvano settings", kWindowSeconds);
    ASSERT_FALSE(sheet.empty()) << trainer.Errors();
    WaitUntil([&] { return PixelOf(sheet, 5, 5) != "#000000"; }, 20);
    // Alt+M: the microphone's page, with its level check.
    const std::string firstPage = trainer.Shot("settings_first", sheet);
    TrainerSession::Keys(sheet, "alt+m");
    EXPECT_TRUE(WaitUntil([&] { return DifferingPixels(trainer.Shot("settings", sheet), firstPage) > 1000; }, 20));
    TrainerSession::Keys(sheet, "Escape");
    EXPECT_TRUE(WaitUntil([&] { return trainer.Dialog("Lorvano settings").empty(); }, 30));
    // The program goes on: the drawer's Start leads home.
    ASSERT_TRUE(trainer.Running());
    trainer.Drawer(TrainerSession::kStartY);
    EXPECT_TRUE(WaitUntil([&] { return SameCard(trainer.Shot("home_again"), root, folderCard); }, 45));
    EXPECT_EQ(trainer.Finish(), 0) << trainer.Errors();
}

INSTANTIATE_TEST_SUITE_P(Lesson, LessonWithPupil, testing::Values(kEspeakPupil, kFlitePupil),
                         [](const testing::TestParamInfo<Pupil>& info) {
                             return info.index == 0 ? std::string("Espeak") : std::string("Flite");
                         });

TEST(Lesson, TheLoudnessTraceFollowsTheVoiceAndAHeldSoundIsMarked) {
    if (!CanDriveWindows() || !HaveSpeech()) GTEST_SKIP() << "needs an X display, xdotool, ImageMagick, espeak-ng, sox";
    TempDir speech;
    const fs::path talk = speech.Path() / "talk.wav", held = speech.Path() / "s.wav";
    // The microphone hears only while an exercise listens: long silences
    // let a busy machine open the loudness exercise and look at it before
    // the voice comes, and move on to the sound exercise before the "s" does.
    ASSERT_TRUE(Speak(kSpeech, 15.0, talk));
    ASSERT_TRUE(Speak(kHeldSound, 15.0, held));
    TrainerSession trainer({talk, held}, 300);
    const ResultView view = ResultViewOf(trainer.Language(), kSoundFolder + "/" + kSoundExercise);
    ASSERT_GE(view.pictures.size(), 5u);
    ASSERT_TRUE(trainer.Start(TrainerSession::WithoutLogin)) << trainer.Errors();

    // Loudness: quiet at first, then the trace rises into the upper part
    // of the display while the voice is heard.
    ASSERT_TRUE(trainer.ClickCard(trainer.Language(), kVoiceFolder));
    ASSERT_TRUE(trainer.ClickCard(trainer.Language() / kVoiceFolder, kLoudnessExercise));
    auto raised = [&](const std::string& name) {
        return PixelsOfColour(
            Region(trainer.Shot(name), kLoudnessUpper.x, kLoudnessUpper.y, kLoudnessUpper.w, kLoudnessUpper.h),
            kLoudnessPen);
    };
    EXPECT_LT(raised("loudness_quiet"), 20);
    EXPECT_TRUE(WaitUntil([&] { return raised("loudness") > 150; }, 30)) << kSpeech.text;

    // The held "s": the mark follows the sound as it is held; the best one seen counts.
    trainer.Drawer(TrainerSession::kStartY);
    ASSERT_TRUE(trainer.ClickCard(trainer.Language(), kSoundFolder));
    ASSERT_TRUE(trainer.ClickCard(trainer.Language() / kSoundFolder, kSoundExercise));
    int best = 0;
    WaitUntil([&] { return (best = std::max(best, trainer.MarkShown(view))) >= 4; }, 45);
    trainer.Shot("sound");
    EXPECT_GE(best, 4) << kHeldSound.text << " held on " << kSoundExercise;
    std::printf("%s: \"%s\" marked %d at best\n", kSoundExercise.c_str(), kHeldSound.text.c_str(), best);
    EXPECT_EQ(trainer.Finish(), 0) << trainer.Errors();
}

TEST(Lesson, ATeacherKeepsTheSayInThePupilsFolder) {
    if (!CanDriveWindows() || !HaveSpeech()) GTEST_SKIP() << "needs an X display, xdotool, ImageMagick, espeak-ng, sox";
    TempDir speech;
    const fs::path same = speech.Path() / "same.wav";
    ASSERT_TRUE(Speak(kEspeakPupil.same, 2.0, same));
    TrainerSession trainer({same}, 500);
    // The roster as an administrator makes it.
    const std::string roster = (trainer.Root() / "bin/lorvano-roster").string();
    ASSERT_EQ(RunCommand("echo '" + kPassword + "' | '" + roster + "' add-teacher '" + kTeacher + "'").exitCode, 0);
    ASSERT_EQ(RunCommand("'" + roster + "' add-pupil '" + kPupil + "'").exitCode, 0);
    // The word's button that keeps a say, shown to teachers only.
    const int saveX = 360, saveY = 400;
    const std::string button = kWordFolder + "/.Pic/Buttons/Save";
    const std::string normal = (trainer.Language() / (button + "0.bmp")).string();
    const std::string disabled = (trainer.Language() / (button + "3.bmp")).string();

    ASSERT_TRUE(trainer.Start(TrainerSession::LoginAs(kTeacher, kPassword))) << trainer.Errors();
    ASSERT_TRUE(trainer.ClickCard(trainer.Language(), kWordFolder));
    ASSERT_TRUE(trainer.ClickCard(trainer.Language() / kWordFolder, kWordExercise));
    auto buttonIs = [&](const std::string& picture) {
        return DifferingPixels(Region(trainer.Shot("teacher"), saveX, saveY, 72, 28), picture) == 0;  // its size
    };
    // Saving waits for a say.
    EXPECT_TRUE(WaitUntil([&] { return buttonIs(disabled); }, 45)) << "no save button; not logged in?";
    ASSERT_TRUE(WaitUntil([&] { return buttonIs(normal); }, 60)) << "no say was heard";
    trainer.Click(saveX + 36, saveY + 14);
    const std::string ask = trainer.WindowNamed("Pupil", kWindowSeconds);
    ASSERT_FALSE(ask.empty()) << trainer.Errors();
    trainer.Shot("pupil", ask);
    TrainerSession::Type(ask, kPupil);
    TrainerSession::Keys(ask, "Return");

    const fs::path folder = trainer.UserData() / "pupils" / kPupil;
    fs::path kept;
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (const auto& e : fs::directory_iterator(folder))
                if (e.path().extension() == ".wav") kept = e.path();
            return !kept.empty();
        },
        30));
    EXPECT_TRUE(WaitUntil([&] { return buttonIs(disabled); }, 20)) << "a say is kept once";
    EXPECT_EQ(trainer.Finish(), 0) << trainer.Errors();
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(ReadFile(kept.string()), ReadFile((trainer.Language() / "say.wav").string()));
    const std::string info = ReadFile(fs::path(kept).replace_extension(".info").string());
    EXPECT_NE(info.find(kWordExercise), std::string::npos) << info;
}
