// The word exercise with real speech: espeak-ng says words into the File
// audio backend's microphone. The first word becomes the etalon, the
// exercise goes into say mode by itself, and each later word is marked
// against it: the same word said faster and higher is marked clearly better
// than another word, and "say.wav" holds the last say. In a course word, a
// teacher's own etalon keeps the trained sound marked and is what Teacher
// plays. The marks are those of the bundled settings.

#include "word_fixture.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>

#include "analysis/time_warp.h"

using namespace word_test;

namespace {

struct Said {
    bool asEtalon = false;
    int32_t distance = 0;
    int32_t mark = 0;
};

// Notes what each recorded word did.
class NotingWordExercise : public vTrWordExercise_c {
public:
    void WordRecorded(vRecording_c& recording) override {
        Said s;
        s.asEtalon = EtalonMode();
        vTrWordExercise_c::WordRecorded(recording);
        if (!s.asEtalon) {
            s.distance = WarpData()->Distance();
            s.mark = LastMark();
        }
        said.push_back(s);
    }
    std::vector<Said> said;
};

std::vector<int16_t> WavSamples(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<int16_t> out(static_cast<size_t>(info.frames));
    sf_readf_short(f, out.data(), info.frames);
    sf_close(f);
    return out;
}

}  // namespace

TEST_F(WordFixture, SpokenWordsBecomeTheEtalonAndAreMarked) {
    if (std::system("command -v espeak-ng >/dev/null && command -v sox >/dev/null") != 0)
        GTEST_SKIP() << "needs espeak-ng and sox";
    ASSERT_TRUE(Speak("fish", dir / "etalon_fish.wav", 140, 50));
    ASSERT_TRUE(Speak("fish", dir / "say_fish.wav", 115, 65));
    ASSERT_TRUE(Speak("moon", dir / "say_moon.wav", 140, 50));
    setenv("LORVANO_AUDIO_IN",
           ((dir / "etalon_fish.wav").string() + ":" + (dir / "say_fish.wav").string() + ":" +
            (dir / "say_moon.wav").string()).c_str(), 1);
    setenv("LORVANO_AUDIO_GAP_MS", "900", 1);
    UseBundledSettings();
    StandInApp app;
    SetAppServices(&app);

    auto e = std::make_unique<NotingWordExercise>();
    NotingWordExercise& ex = *e;
    exercise = std::move(e);
    ex.Attach(&screen);
    ex.Show();
    ASSERT_TRUE(ex.EtalonMode());
    ASSERT_TRUE(ex.IsRecording());
    ASSERT_TRUE(PumpUntil([&] { return ex.said.size() >= 3; })) << ex.said.size() << " words heard";

    EXPECT_TRUE(ex.said[0].asEtalon);
    EXPECT_FALSE(ex.EtalonMode());
    EXPECT_GT(ex.Etalon().RecSize(), 20);
    const Said& same = ex.said[1];
    const Said& other = ex.said[2];
    EXPECT_FALSE(same.asEtalon);
    std::printf("same word: distance %d mark %d; other word: distance %d mark %d\n", same.distance, same.mark,
                other.distance, other.mark);
    EXPECT_LT(same.distance, other.distance);
    EXPECT_GE(same.mark, other.mark + 2);
    EXPECT_TRUE(ex.IsRecording());
    // Each say's mark goes to the progress records as shown, with the
    // distance behind it; the etalon is no try.
    ASSERT_EQ(app.marks.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(app.marks[i].mark, ex.said[i + 1].mark);
        EXPECT_EQ(app.marks[i].score, ex.said[i + 1].distance);
        EXPECT_FALSE(app.marks[i].held);
    }

    // "say.wav" holds the last say, sample for sample.
    const std::vector<int16_t> written = WavSamples(dir / "say.wav");
    std::vector<int16_t> said;
    for (int p = 0; p < ex.Say().RecPos(); ++p) {
        const vAllHmData_c& f = ex.Say().Frame(p);
        said.insert(said.end(), f.Samples(), f.Samples() + f.SampleCount());
    }
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(written, said);
}

TEST_F(WordFixture, ATeachersOwnEtalonKeepsTheTrainedSoundAndIsPlayed) {
    if (std::system("command -v espeak-ng >/dev/null && command -v sox >/dev/null") != 0)
        GTEST_SKIP() << "needs espeak-ng and sox";
    // The course's etalons are the "en" voice; the teacher and the pupil are others.
    ASSERT_TRUE(Speak("sea", dir / "teacher_sea.wav", 120, 70, "en-us"));
    ASSERT_TRUE(Speak("sea", dir / "pupil_sea.wav", 150, 40, "en-gb-x-rp"));
    const std::string inputs = (dir / "teacher_sea.wav").string() + ":" + (dir / "pupil_sea.wav").string();
    setenv("LORVANO_AUDIO_IN", inputs.c_str(), 1);
    setenv("LORVANO_AUDIO_GAP_MS", "900", 1);
    UseBundledSettings();
    fs::copy(fs::path(LORVANO_SOURCE_DIR) / "data/english/Words", dir / "Words", fs::copy_options::recursive);
    StandInApp app;
    SetAppServices(&app);

    auto* e = ShowFile<vTrWordExercise_c>("Words/S/Sea.exc");
    ASSERT_NE(e, nullptr);
    ASSERT_FALSE(e->EtalonMode());
    const size_t shippedMarkers = e->Etalon().Markers().Count();
    ASSERT_GE(shippedMarkers, 2u);
    // Say -> Etalon: her word becomes the example, then the pupil's is marked.
    e->SetEtalonMode(true);
    ASSERT_TRUE(PumpUntil([&] { return !app.marks.empty(); })) << "no say marked";

    const vRecording_c& etalon = e->Etalon();
    ASSERT_EQ(etalon.Markers().Count(), shippedMarkers);
    int32_t previous = -1;
    for (size_t i = 0; i < shippedMarkers; ++i) {
        const int32_t at = etalon.Markers()[i].GetPos(true);
        EXPECT_GT(at, previous);
        EXPECT_LT(at, etalon.RecPos());
        previous = at;
    }
    std::printf("own etalon: mark %d, sound %s mark %d, distance %.0f\n", app.marks[0].mark,
                app.marks[0].sound.c_str(), app.marks[0].soundMark, app.marks[0].score);
    EXPECT_EQ(app.marks[0].sound, "s");
    EXPECT_GT(app.marks[0].soundMark, 0);

    // Teacher plays her word, not the course's.
    fs::remove(dir / "played.wav");
    e->StopRecording();
    e->StartPlayback();
    ASSERT_TRUE(PumpUntil([&] { return e->SuspendCount() == 0 && fs::exists(dir / "played.wav"); }));
    const std::vector<int16_t> played = WavSamples(dir / "played.wav");
    std::vector<int16_t> hers;
    for (int p = 0; p < etalon.RecPos(); ++p)
        hers.insert(hers.end(), etalon.Frame(p).Samples(), etalon.Frame(p).Samples() + etalon.Frame(p).SampleCount());
    ASSERT_FALSE(hers.empty());
    EXPECT_EQ(played, hers);
    EXPECT_NE(played, WavSamples(dir / "Words/S/Sea.wav"));
}
