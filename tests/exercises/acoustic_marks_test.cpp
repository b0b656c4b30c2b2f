// The word exercise's acoustic marks end to end, on the bundled Sea
// exercise: espeak-ng's "sea" and "tea" are marked by the acoustic judge
// only after it has answered (nothing is reported meanwhile), the right word
// above the word with its trained sound replaced; fused marks lie between
// the two judges'; a model that cannot be loaded leaves the warp's mark.

#include "word_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

using namespace word_test;

namespace {

class AcousticMarks : public WordFixture {
protected:
    void SetUp() override {
        WordFixture::SetUp();
        if (std::system("command -v espeak-ng >/dev/null && command -v sox >/dev/null") != 0)
            GTEST_SKIP() << "needs espeak-ng and sox";
        ASSERT_TRUE(Speak("sea", dir / "sea.wav", 140, 30, "en+m3"));
        ASSERT_TRUE(Speak("tea", dir / "tea.wav", 140, 30, "en+m3"));
        CopyBundledWords();
        SetAppServices(&app);
    }
    // The bundled settings with lines at the top of [ResDisplay] in place of
    // the course's own for these keys.
    void UseSettings(const std::string& lines) {
        std::ifstream in(fs::path(LORVANO_SOURCE_DIR) / "data/english/trainer.ini");
        std::string text, line;
        while (std::getline(in, line))
            if (!std::regex_search(line, std::regex("^(AutoPlayback|MarkSource|FusionWeight|AcousticModel)=")))
                text += line + "\n";
        const size_t section = text.find("[ResDisplay]\n");
        ASSERT_NE(section, std::string::npos);
        text.insert(section + 13, "AutoPlayback=FALSE\n" + lines);
        ExerciseFixture::WriteSettings(text);
    }
    // The mark a say gets, once every judge has answered.
    int MarkOf(vTrWordExercise_c& e, const char* say) {
        const size_t reported = app.marks.size();
        e.LoadSay((dir / say).string());
        if (e.AwaitingAcoustic()) {
            EXPECT_EQ(app.marks.size(), reported) << "reported before the acoustic judge answered";
        }
        EXPECT_TRUE(PumpUntil([&] { return !e.AwaitingAcoustic(); }, 120)) << say;
        EXPECT_EQ(app.marks.size(), reported + 1) << say;
        return e.LastMark();
    }
    StandInApp app;
};

TEST_F(AcousticMarks, TheRightWordOutranksTheReplacedSoundAndFusionLiesBetween) {
    UseSettings("MarkSource=warp\n");
    auto* warp = ShowFile<vTrWordExercise_c>("Words/S/Sea.exc");
    ASSERT_NE(warp, nullptr);
    const int warpSea = MarkOf(*warp, "sea.wav"), warpTea = MarkOf(*warp, "tea.wav");

    UseSettings("MarkSource=acoustic\n");
    auto* acoustic = ShowFile<vTrWordExercise_c>("Words/S/Sea.exc");
    ASSERT_EQ(acoustic->Source(), vMarkSource::Acoustic);
    const int sea = MarkOf(*acoustic, "sea.wav");
    const double seaDistance = app.marks.back().score;
    const int tea = MarkOf(*acoustic, "tea.wav");
    const double teaDistance = app.marks.back().score;
    std::printf("warp: sea %d tea %d; acoustic: sea %d (%.0f) tea %d (%.0f)\n", warpSea, warpTea, sea, seaDistance,
                tea, teaDistance);
    // The [s] of "sea" is far nearer the model's than the [t] said in its place.
    EXPECT_LT(seaDistance + 4000, teaDistance);
    EXPECT_LE(tea, sea);
    EXPECT_EQ(tea, 1);
    // The trained sound is named, and its own mark is of its phone alone.
    EXPECT_EQ(app.marks.back().sound, "s");
    EXPECT_EQ(app.marks.back().soundMark, 1);

    UseSettings("MarkSource=fused\nFusionWeight=50\n");
    auto* fused = ShowFile<vTrWordExercise_c>("Words/S/Sea.exc");
    const int fusedSea = MarkOf(*fused, "sea.wav");
    vMarkSourceSettings_c half;
    half.fusionWeight = 50;
    EXPECT_EQ(fusedSea, half.Fused(static_cast<int32_t>(seaDistance), warpSea));
}

TEST_F(AcousticMarks, AModelThatCannotBeLoadedLeavesTheWarpsMark) {
    UseSettings("MarkSource=warp\n");
    const int warpSea = MarkOf(*ShowFile<vTrWordExercise_c>("Words/S/Sea.exc"), "sea.wav");
    UseSettings("MarkSource=acoustic\nAcousticModel=" + (dir / "no-model").string() + "\n");
    auto* e = ShowFile<vTrWordExercise_c>("Words/S/Sea.exc");
    EXPECT_EQ(MarkOf(*e, "sea.wav"), warpSea);
}

}  // namespace
