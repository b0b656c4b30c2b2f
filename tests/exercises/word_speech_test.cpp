// The word exercise with real speech: espeak-ng says words into the File
// audio backend's microphone. The first word becomes the etalon, the
// exercise goes into say mode by itself, and each later word is marked
// against it: the same word said faster and higher is marked clearly better
// than another word, and "say.wav" holds the last say. In a course word, a
// teacher's own etalon keeps the trained sound marked and is what Teacher
// plays. The marks are those of the bundled settings. Under a feedback
// schedule, the says whose mark is not shown leave no mark on screen, a
// block's summary is its mean mark, and every say is still handed over.

#include "word_fixture.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <functional>

#include "analysis/time_warp.h"
#include "exercises/result_view.h"

using namespace word_test;

namespace {

struct Said {
    bool asEtalon = false;
    int32_t distance = 0;
};

// Notes what each recorded word did.
class NotingWordExercise : public vTrWordExercise_c {
public:
    void WordRecorded(vRecording_c& recording) override {
        Said s;
        s.asEtalon = EtalonMode();
        vTrWordExercise_c::WordRecorded(recording);
        if (!s.asEtalon) s.distance = WarpData()->Distance();
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
    // Marks are shown once every judge has answered.
    ASSERT_TRUE(PumpUntil([&] { return ex.said.size() >= 3 && !ex.AwaitingAcoustic(); }))
        << ex.said.size() << " words heard";

    EXPECT_TRUE(ex.said[0].asEtalon);
    EXPECT_FALSE(ex.EtalonMode());
    EXPECT_GT(ex.Etalon().RecSize(), 20);
    const Said& same = ex.said[1];
    const Said& other = ex.said[2];
    EXPECT_FALSE(same.asEtalon);
    // Each say's mark goes to the progress records as shown, with the
    // distance behind it; the etalon is no try.
    ASSERT_EQ(app.marks.size(), 2u);
    std::printf("same word: distance %d mark %d; other word: distance %d mark %d\n", same.distance,
                app.marks[0].mark, other.distance, app.marks[1].mark);
    EXPECT_LT(same.distance, other.distance);
    EXPECT_GE(app.marks[0].mark, app.marks[1].mark + 2);
    EXPECT_TRUE(ex.IsRecording());
    for (std::size_t i = 0; i < 2; ++i) {
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
    // The microphone hears nothing until the exercise listens for an etalon:
    // switching reopens it, and only then do the words begin.
    setenv("LORVANO_AUDIO_IN", "", 1);
    setenv("LORVANO_AUDIO_GAP_MS", "900", 1);
    UseBundledSettings();
    CopyBundledWords();
    StandInApp app;
    SetAppServices(&app);

    auto* e = ShowFile<vTrWordExercise_c>("Words/S/Sea.exc");
    ASSERT_NE(e, nullptr);
    ASSERT_FALSE(e->EtalonMode());
    const size_t shippedMarkers = e->Etalon().Markers().Count();
    ASSERT_GE(shippedMarkers, 2u);
    // Say -> Etalon: her word becomes the example, then the pupil's is marked.
    const std::string inputs = (dir / "teacher_sea.wav").string() + ":" + (dir / "pupil_sea.wav").string();
    setenv("LORVANO_AUDIO_IN", inputs.c_str(), 1);
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

namespace {

// What the pupil saw as each say's mark was handed over: the view's entry,
// and whether its area showed the background (no picture left behind).
struct Seen {
    int32_t entry = 0;
    bool blank = false;
};

struct ScheduleApp : StandInApp {
    void RecordMark(vTrExercise_c& e, const vTrShownMark_c& mark) override {
        StandInApp::RecordMark(e, mark);
        const vTrResultView_c* view = static_cast<vTrWordExercise_c&>(e).ResDisplay();
        seen.push_back({view->GetEntry(), blank(*view)});
    }
    std::function<bool(const vTrResultView_c&)> blank;
    std::vector<Seen> seen;
};

class WordSchedule : public WordFixture {
protected:
    void SetUp() override {
        WordFixture::SetUp();
        if (std::system("command -v espeak-ng >/dev/null && command -v sox >/dev/null") != 0)
            GTEST_SKIP() << "needs espeak-ng and sox";
    }
    // The bundled "fish" (its own etalon, say mode at once) with the
    // definition lines given, hearing words said by espeak-ng as
    // "word:speed:pitch"; returns when each was handed over.
    void Hear(const std::vector<std::string>& words, const std::string& definitionLines) {
        std::string inputs;
        for (size_t i = 0; i < words.size(); ++i) {
            const size_t a = words[i].find(':'), b = words[i].rfind(':');
            const fs::path wav = dir / ("say" + std::to_string(i) + ".wav");
            ASSERT_TRUE(Speak(words[i].substr(0, a), wav, std::stoi(words[i].substr(a + 1, b - a - 1)),
                              std::stoi(words[i].substr(b + 1))));
            inputs += (i ? ":" : "") + wav.string();
        }
        setenv("LORVANO_AUDIO_IN", inputs.c_str(), 1);
        setenv("LORVANO_AUDIO_GAP_MS", "900", 1);
        CopyBundledWords();
        std::ifstream in(dir / "Words/Fish.exc");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const size_t body = text.find("Obj = {\n");
        ASSERT_NE(body, std::string::npos);
        // The file's name is not the word's: the acoustic judge is given fish's phones.
        text.insert(body + 8, "  Phones = \"F IH SH\";\n" + definitionLines);
        // On the plain grey background a hidden mark is an all-grey view.
        const size_t background = text.find("  <vDxFileImage_c> BgImage");
        ASSERT_NE(background, std::string::npos);
        text.erase(background, text.find('\n', background) + 1 - background);
        std::ofstream(dir / "Words/Scheduled.exc") << text;
        app.blank = [this](const vTrResultView_c& view) {
            const uint32_t grey = screen.MakeColor(kTrGreyPaletteIndex);
            const vDxPoint at = view.GetPos();
            for (int x = at.x; x < at.x + view.GetWidth(); x += 7)
                if (RowsOf(x, at.y, at.y + view.GetHeight(), grey).size() != static_cast<size_t>(view.GetHeight()))
                    return false;
            return view.GetWidth() > 0;
        };
        SetAppServices(&app);
        auto* e = ShowFile<vTrWordExercise_c>("Words/Scheduled.exc");
        ASSERT_NE(e, nullptr);
        ASSERT_FALSE(e->EtalonMode());
        ASSERT_TRUE(PumpUntil([&] { return app.marks.size() >= words.size(); }, 40))
            << app.marks.size() << " of " << words.size() << " says marked";
        for (size_t i = 0; i < app.marks.size(); ++i)
            std::printf("say %zu: mark %d, entry shown %d%s\n", i, app.marks[i].mark, app.seen[i].entry,
                        app.seen[i].blank ? ", no picture" : "");
    }
    // A say whose mark shows: the view holds it (and a mark was formed).
    void ExpectShown(size_t say, int mark) {
        ASSERT_GE(mark, 1);
        EXPECT_EQ(app.seen[say].entry, mark - 1) << "say " << say;
        EXPECT_FALSE(app.seen[say].blank) << "say " << say;
    }
    void ExpectHidden(size_t say) {
        EXPECT_EQ(app.seen[say].entry, vTrResultView_c::kNoMark) << "say " << say;
        EXPECT_TRUE(app.seen[say].blank) << "say " << say;
    }

    ScheduleApp app;
};

// A count of 0 is no schedule: the teacher is told, and every say shows its mark.
TEST_F(WordSchedule, ABadCountIsReportedAndEveryTryShows) {
    UseBundledSettings("Schedule=nth\nCount=0\n");
    Hear({"fish:115:65", "moon:140:50"}, "");
    ASSERT_EQ(app.marks.size(), 2u);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("Feedback count 0"), std::string::npos) << boxes[0].text;
    ExpectShown(0, app.marks[0].mark);
    ExpectShown(1, app.marks[1].mark);
    EXPECT_GE(app.marks[0].mark, app.marks[1].mark + 2);
}

// "[Feedback] Schedule=nth" with Count=2: the 2nd and 4th says show their marks.
TEST_F(WordSchedule, EveryNthTryShowsItsMark) {
    UseBundledSettings("Schedule=nth\nCount=2\n");
    Hear({"fish:115:65", "moon:140:50", "sun:140:50", "fish:150:40"}, "");
    ASSERT_EQ(app.marks.size(), 4u);
    EXPECT_TRUE(boxes.empty());
    ExpectHidden(0);
    ExpectShown(1, app.marks[1].mark);
    ExpectHidden(2);
    ExpectShown(3, app.marks[3].mark);
}

// A folder's shared file makes blocks of two: after each pair their mean
// mark shows, and the next pair's first say takes it away.
TEST_F(WordSchedule, ABlockOfTriesShowsItsMeanMark) {
    std::ofstream(dir / "Feedback.def") << "FeedbackSchedule = \"block\";\nFeedbackCount = 2;\n";
    UseBundledSettings("Schedule=nth\nCount=3\n");
    Hear({"fish:115:65", "moon:140:50", "sun:140:50", "fish:150:40"}, "#include \"Feedback.def\"\n");
    ASSERT_EQ(app.marks.size(), 4u);
    EXPECT_EQ(static_cast<vTrExercise_c&>(*exercise).FeedbackSchedule().GetKind(), vTrFeedbackSchedule_c::Kind::Block);
    auto mean = [&](size_t a) { return static_cast<int>(std::lround((app.marks[a].mark + app.marks[a + 1].mark) / 2.0)); };
    ExpectHidden(0);
    ExpectShown(1, mean(0));
    ExpectHidden(2);
    ExpectShown(3, mean(2));
    EXPECT_NE(app.marks[0].mark, app.marks[1].mark);  // a mean of two different marks
}

}  // namespace
