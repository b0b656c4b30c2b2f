// The gallery: the real program walked through as a visitor of the course
// would, with speech fed to the file microphone, every screen kept as a
// picture. The start's first-teacher dialog, the home cards, every folder,
// one exercise of every kind (loudness, pitch, pitch head, held sound, word,
// mouth picture, recorder) while it hears speech, the settings sheet's first
// and microphone pages and the print dialog. The pictures go to
// $LORVANO_GALLERY_DIR (scripts/make_gallery.sh), else <build>/gallery; the
// test checks that every screen was reached and the program ended cleanly,
// not what the pictures look like.

#include <gtest/gtest.h>

#include <cstdlib>

#include "trainer_session.h"

using namespace lorvano_test;

namespace {

fs::path GalleryDir() {
    const char* dir = std::getenv("LORVANO_GALLERY_DIR");
    const fs::path path = dir && *dir ? fs::path(dir) : fs::path(LORVANO_BINARY_DIR) / "gallery";
    fs::create_directories(path);
    return path;
}

// Keeps a screen of the program (or of one of its dialogs) in the gallery.
void Keep(const TrainerSession& trainer, const std::string& name, const std::string& window = {}) {
    fs::copy_file(trainer.Shot("gallery", window), GalleryDir() / (name + ".png"),
                  fs::copy_options::overwrite_existing);
}

// A moment for a live display to show what it heard (bounded; the gallery
// wants a picture, not a verdict).
void Linger(double seconds) { WaitUntil([] { return false; }, seconds); }

// Keeps, of the screens seen for that long, the one that differs most from
// the first (a live display at its liveliest, whenever the voice comes).
void KeepLiveliest(const TrainerSession& trainer, const std::string& name, double seconds) {
    Linger(0.5);  // the exercise drawn whole
    const fs::path first = GalleryDir() / (name + "_first.png");
    fs::copy_file(trainer.Shot("gallery"), first, fs::copy_options::overwrite_existing);
    fs::copy_file(first, GalleryDir() / (name + ".png"), fs::copy_options::overwrite_existing);
    long most = 0;
    WaitUntil(
        [&] {
            const std::string shot = trainer.Shot("gallery");
            const long differing = DifferingPixels(shot, first.string());
            if (differing > most) {
                most = differing;
                fs::copy_file(shot, GalleryDir() / (name + ".png"), fs::copy_options::overwrite_existing);
            }
            return false;
        },
        seconds, 250);
    fs::remove(first);
}

}  // namespace

TEST(Gallery, EveryFolderAndAnExerciseOfEveryKindWithSpeech) {
    if (!CanDriveWindows() || !HaveSpeech()) GTEST_SKIP() << "needs an X display, xdotool, ImageMagick, espeak-ng, sox";
    // One input per listening exercise, in the order they are visited; each
    // starts after a silence, so that the exercise is on screen before it.
    // The microphone's stream runs on only while an exercise listens, and
    // exercises that show a mark come first: their wait ends on the mark,
    // not on a guess at how long the others take.
    TempDir speech;
    const std::vector<std::pair<std::string, Utterance>> said{
        {"sound", {"[[ssssssssssssssssssssssssssssss]]", "en", 80, 50}},
        {"word", {"fish", "en-us", 120, 35}},
        {"loudness", {"hello mama, one, two, three, hello anna, hello mama, one, two, three", "en-us", 120, 45}},
        {"pitch", {"la la la la la la, la la la la la la, la la la la la la", "en", 110, 80}},
        {"pitch_head", {"mama mia, mama mia, mama mia, mama mia, mama mia", "en", 110, 90}},
        {"recorder", {"fish", "en", 140, 50}},
    };
    std::vector<fs::path> inputs;
    for (const auto& [name, utterance] : said) {
        inputs.push_back(speech.Path() / (name + ".wav"));
        // The voice exercises hear speech about as long as each is visited
        // (about 10 s), so that they hear a voice whenever the exercise
        // before them stopped listening; the first of them after a silence
        // long enough for the word exercise to hear on while its mark shows
        // and its drawer opens.
        const double lead = name == "loudness" ? 6.0 : name == "pitch" || name == "pitch_head" ? 1.0 : 2.0;
        ASSERT_TRUE(Speak(utterance, lead, inputs.back())) << name;
    }
    TrainerSession trainer(inputs, 300);
    const fs::path language = trainer.Language();

    ASSERT_TRUE(trainer.Start([&](const std::string& dialog) {
        Linger(1);
        Keep(trainer, "login", dialog);
        TrainerSession::WithoutLogin(dialog);
    })) << trainer.Errors();
    trainer.MouseAway();
    trainer.Settle();
    Keep(trainer, "home");

    // Every folder of the home screen, and one level down for the words.
    for (const char* folder : {"Voice", "Sounds", "Words", "Mouth", "Teacher"}) {
        ASSERT_TRUE(trainer.ClickCard(language, folder)) << folder;
        Keep(trainer, std::string("folder_") + folder);
        if (std::string(folder) == "Words") {
            ASSERT_TRUE(trainer.ClickCard(language / folder, "S"));
            Keep(trainer, "folder_Words_S");
        }
        trainer.Drawer(TrainerSession::kStartY);
    }

    // One exercise of every kind, each while it hears its speech.
    const ResultView word = ResultViewOf(language, "Words/Fish.exc");
    const ResultView sound = ResultViewOf(language, "Sounds/S_s.exc");
    struct Visit {
        std::string folder, exercise, name;
        const ResultView* marked;  // wait for a mark there, else linger
    };
    const std::vector<Visit> visits{
        {"Sounds", "S_s.exc", "sound", &sound},          {"Words", "Fish.exc", "word", &word},
        {"Voice", "Loudness.exc", "loudness", nullptr},  {"Voice", "Kite.exc", "pitch", nullptr},
        {"Voice", "Giraffe.exc", "pitch_head", nullptr}, {"Mouth", "S.exc", "mouth", nullptr},
        {"Teacher", "Recorder.exc", "recorder", nullptr},
    };
    for (const Visit& v : visits) {
        ASSERT_TRUE(trainer.ClickCard(language, v.folder)) << v.folder;
        ASSERT_TRUE(trainer.ClickCard(language / v.folder, v.exercise)) << v.exercise;
        if (v.marked) {
            // Kept as soon as the mark's picture stands (after its reward
            // frames), while the sound is still heard.
            EXPECT_TRUE(WaitUntil([&] { return trainer.MarkShown(*v.marked) > 0; }, 60)) << v.exercise;
            Keep(trainer, "exercise_" + v.name);
            if (v.name == "sound") Linger(2);  // the rest of the sound, before the next exercise
        } else if (v.name == "mouth" || v.name == "recorder") {
            Linger(v.name == "mouth" ? 1 : 6);
            Keep(trainer, "exercise_" + v.name);
        } else {
            KeepLiveliest(trainer, "exercise_" + v.name, 6);
        }
        if (v.name == "word") {
            // The drawer open over an exercise.
            trainer.OpenDrawer();
            Keep(trainer, "drawer");
        }
        trainer.Drawer(TrainerSession::kStartY);
    }

    // The settings sheet: its first page and the microphone's.
    trainer.Drawer(TrainerSession::kSettingsY);
    const std::string sheet = trainer.WindowNamed("Lorvano settings", kWindowSeconds);
    ASSERT_FALSE(sheet.empty()) << trainer.Errors();
    WaitUntil([&] { return PixelOf(sheet, 5, 5) != "#000000"; }, 20);
    Linger(1);
    Keep(trainer, "settings_first", sheet);
    TrainerSession::Keys(sheet, "alt+m");
    Linger(2);
    Keep(trainer, "settings_microphone", sheet);
    TrainerSession::Keys(sheet, "Escape");
    EXPECT_TRUE(WaitUntil([&] { return trainer.Dialog("Lorvano settings").empty(); }, 30));

    // The print dialog, above the program.
    trainer.Drawer(TrainerSession::kPrintY);
    const std::string print = trainer.WindowNamed("Print", kWindowSeconds);
    ASSERT_FALSE(print.empty()) << trainer.Errors();
    Linger(2);
    Keep(trainer, "print", print);
    TrainerSession::Keys(print, "Escape");
    EXPECT_TRUE(WaitUntil([&] { return trainer.Dialog("Print").empty(); }, 30));

    EXPECT_EQ(trainer.Finish(), 0) << trainer.Errors();
}
