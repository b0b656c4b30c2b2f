// The settings sheet's pages without a toolkit: what each page reads, the
// screen page's fallback walk, what OK writes, and saving as one change.

#include "prefs/pages.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>

#include "../support/child_process.h"
#include "../support/temp_dir.h"
#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "settings/settings.h"

using namespace prefs;
using namespace lorvano_test;

namespace {

constexpr int kColumn32 = 0, kColumn24 = 1, kColumn16 = 2, kColumn15 = 3, kColumn8 = 4;
constexpr int kRow800 = 0, kRow640 = 1, kRow320x200 = 4;

ModeAvailability Only(std::initializer_list<int> indices) {
    ModeAvailability a{};
    for (int i : indices) a[static_cast<std::size_t>(i)] = true;
    return a;
}

class Pages : public ::testing::Test {
protected:
    void SetUp() override { WriteIni(""); }
    void WriteIni(const std::string& text) { WriteFile(ini, text); }
    std::string Value(const char* key) {
        char buffer[256];
        settings.GetString(key, buffer, sizeof buffer, "<none>");
        return buffer;
    }

    TempDir dir;
    std::string ini = dir.File("trainer.ini");
    vSettings_c settings{ini.c_str()};
};

TEST_F(Pages, ControlIdsFollowTheGrid) {
    EXPECT_EQ(kFirstModeId + ModeIndex(kColumn32, kRow800), 2006);
    EXPECT_EQ(kFirstModeId + ModeIndex(kColumn8, kRow320x200), 2030);
    EXPECT_EQ(FindMode(640, 480, 16), ModeIndex(kColumn16, kRow640));
    EXPECT_EQ(FindMode(1024, 768, 16), std::nullopt);
    EXPECT_EQ(FindMode(800, 600, 7), std::nullopt);
}

TEST_F(Pages, EveryPageHasItsOwnShortcutLetter) {
    std::string letters = "oc";  // OK and Cancel have theirs
    for (const PageInfo& page : kPages) {
        ASSERT_LT(page.mnemonic, static_cast<int>(std::strlen(page.title))) << page.title;
        const char c = static_cast<char>(std::tolower(page.title[page.mnemonic]));
        EXPECT_EQ(letters.find(c), std::string::npos) << page.title;
        letters += c;
    }
}

TEST_F(Pages, ResolutionsOfTheDisplayEnableEveryDepthOfTheirRow) {
    const ModeAvailability none = AvailableModes(std::vector<platform::DisplayMode>{{1024, 768, 24}});
    EXPECT_EQ(std::count(none.begin(), none.end(), true), 0);
    const ModeAvailability all = AvailableModes(std::nullopt);
    EXPECT_EQ(std::count(all.begin(), all.end(), true), kModeCount);
    const ModeAvailability some =
        AvailableModes(std::vector<platform::DisplayMode>{{1920, 1080, 24}, {800, 600, 24}, {640, 480, 24}});
    for (int column = 0; column < kModeColumns; ++column)
        for (int row = 0; row < kModeRows; ++row)
            EXPECT_EQ(some[ModeIndex(column, row)], row == kRow800 || row == kRow640) << column << " " << row;
}

TEST_F(Pages, NoModeKeysStartFrom800x600At15Bits) {
    ScreenPage page;
    page.Read(settings, Only({ModeIndex(kColumn15, kRow800)}));
    ASSERT_TRUE(page.mode);
    EXPECT_EQ(kFirstModeId + *page.mode, 2021);
    EXPECT_TRUE(page.modified);
}

TEST_F(Pages, TheWalkGoesFrom32To8To24ToTheSmallerResolutionAt16) {
    WriteIni("[ScreenMode]\nActualResX=800\nActualResY=600\nBPP=32\n");
    ScreenPage page;
    page.Read(settings, Only({ModeIndex(kColumn16, kRow640)}));
    ASSERT_TRUE(page.mode);
    EXPECT_EQ(kFirstModeId + *page.mode, 2017);
    EXPECT_TRUE(page.modified);
    // From 16 bits the walk prefers 15, then 32.
    EXPECT_EQ(WalkToAvailable(ModeIndex(kColumn16, kRow800), Only({ModeIndex(kColumn15, kRow800)})),
              ModeIndex(kColumn15, kRow800));
    EXPECT_EQ(WalkToAvailable(ModeIndex(kColumn15, kRow800), Only({ModeIndex(kColumn32, kRow800)})),
              ModeIndex(kColumn32, kRow800));
}

TEST_F(Pages, AnOfferedModeStaysUnmodified) {
    WriteIni("[ScreenMode]\nActualResX=640\nActualResY=480\nBPP=24\n");
    ScreenPage page;
    page.Read(settings, AvailableModes(std::nullopt));
    EXPECT_EQ(page.mode, ModeIndex(kColumn24, kRow640));
    EXPECT_FALSE(page.modified);
}

TEST_F(Pages, AWalkInACircleEndsAtAnOfferedModeOrAtNone) {
    // 320x200 at 8 bits is offered, but no step of the walk leads there.
    EXPECT_EQ(WalkToAvailable(ModeIndex(kColumn32, kRow800), Only({ModeIndex(kColumn8, kRow320x200)})),
              ModeIndex(kColumn8, kRow320x200));
    EXPECT_EQ(WalkToAvailable(ModeIndex(kColumn32, kRow800), ModeAvailability{}), std::nullopt);
}

TEST_F(Pages, WithoutAnyModeNothingIsCheckedAndNothingIsWrittenForIt) {
    WriteIni("[ScreenMode]\nActualResX=1024\nActualResY=768\nBPP=7\n");
    ScreenPage page;
    page.Read(settings, ModeAvailability{});
    EXPECT_EQ(page.mode, std::nullopt);
    page.Apply(settings);
    EXPECT_EQ(Value("ScreenMode/ActualResX"), "1024");
    EXPECT_EQ(Value("ScreenMode/ActualResY"), "768");
    EXPECT_EQ(Value("ScreenMode/BPP"), "7");
    EXPECT_EQ(Value("ScreenMode/FullScreen"), "TRUE");
}

TEST_F(Pages, ModesOutsideTheGridStartFromTheDefault) {
    WriteIni("[ScreenMode]\nActualResX=-800\nActualResY=600\nBPP=7\n");
    ScreenPage page;
    page.Read(settings, AvailableModes(std::nullopt));
    EXPECT_EQ(page.mode, ModeIndex(kColumn15, kRow800));
    EXPECT_TRUE(page.modified);
}

TEST_F(Pages, MachineSpeedIsReadFromWindowingAndPitch) {
    ScreenPage page;
    page.Read(settings, AvailableModes(std::nullopt));
    EXPECT_EQ(page.speed, MachineSpeed::Slow);  // both default to true
    WriteIni("[HM1_Processor]\nDoWindow=FALSE\n");
    page.Read(settings, AvailableModes(std::nullopt));
    EXPECT_EQ(page.speed, MachineSpeed::Fast);
    WriteIni("[HM1_Processor]\nDoWindow=no\n[WordDetector]\nRealtimePitch=0\n");
    page.Read(settings, AvailableModes(std::nullopt));
    EXPECT_EQ(page.speed, MachineSpeed::Normal);
}

TEST_F(Pages, EachSpeedWritesItsFiveValues) {
    struct Row {
        MachineSpeed speed;
        const char *interleave, *doWindow, *filters, *pitch;
    };
    for (const Row& r : {Row{MachineSpeed::Slow, "2", "TRUE", "FALSE", "FALSE"},
                         Row{MachineSpeed::Normal, "1", "FALSE", "TRUE", "FALSE"},
                         Row{MachineSpeed::Fast, "1", "FALSE", "TRUE", "TRUE"}}) {
        ScreenPage page;
        page.mode = ModeIndex(kColumn16, kRow640);
        page.fullScreen = false;
        page.speed = r.speed;
        page.Apply(settings);
        EXPECT_EQ(Value("HM1_Processor/WindowNum"), "4");
        EXPECT_EQ(Value("HM1_Processor/Interleave"), r.interleave);
        EXPECT_EQ(Value("HM1_Processor/DoWindow"), r.doWindow);
        EXPECT_EQ(Value("WordDetector/RealtimeFilters"), r.filters);
        EXPECT_EQ(Value("WordDetector/RealtimePitch"), r.pitch);
        EXPECT_EQ(Value("ScreenMode/ActualResX"), "640");
        EXPECT_EQ(Value("ScreenMode/ActualResY"), "480");
        EXPECT_EQ(Value("ScreenMode/BPP"), "16");
        EXPECT_EQ(Value("ScreenMode/FullScreen"), "FALSE");
    }
}

TEST_F(Pages, LineLengthsAreWholeNumbersFrom5To300) {
    EXPECT_EQ(ParseLineLength("5"), 5);
    EXPECT_EQ(ParseLineLength(" 300 "), 300);
    for (const char* bad : {"4", "301", "-25", "", "12x", "abc", "99999999999999999999"})
        EXPECT_EQ(ParseLineLength(bad), std::nullopt) << bad;
    EXPECT_NE(LineLengthMessage().find("5 to 300"), std::string::npos);
}

TEST_F(Pages, LinePagesReadAndWriteTheirKeys) {
    WriteIni("[Ampl_Processor]\nTailLength=-40\n[ScreenMode]\nType11_FeedBack=FALSE\n");
    VolumePage volume;
    VoicePage voice;
    volume.Read(settings);
    voice.Read(settings);
    EXPECT_EQ(volume.lineLength, -40);  // shown as it is; OK then asks for 5..300
    EXPECT_EQ(voice.lineLength, 100);
    EXPECT_TRUE(voice.disableFeedback);
    volume.lineLength = 30;
    voice.lineLength = 250;
    volume.Apply(settings);
    voice.Apply(settings);
    EXPECT_EQ(Value("Ampl_Processor/TailLength"), "30");
    EXPECT_EQ(Value("Pitch_Exercise/TailLength"), "250");
    EXPECT_EQ(Value("ScreenMode/Type11_FeedBack"), "FALSE");  // the hidden box keeps what was read
}

TEST_F(Pages, FeedbackSwitchesReachEveryExerciseType) {
    WriteIni("[ScreenMode]\nType1_FeedBack=FALSE\nType9_FeedBack=no\n");
    SpectrumPage spectrum;
    WordPage word;
    spectrum.Read(settings);
    word.Read(settings);
    EXPECT_TRUE(spectrum.disableFeedback);
    EXPECT_TRUE(word.disableFeedback);
    EXPECT_TRUE(spectrum.highlightErrors && spectrum.smoothCurves);
    EXPECT_TRUE(word.highlightSpirant && word.autoPlayback && word.showBackground);
    spectrum.disableFeedback = false;
    spectrum.smoothCurves = false;
    word.showBackground = false;
    spectrum.Apply(settings);
    word.Apply(settings);
    for (const char* key : {"ScreenMode/Type1_FeedBack", "ScreenMode/Type2_FeedBack", "ScreenMode/Type3_FeedBack",
                            "ScreenMode/Type4_FeedBack", "ScreenMode/Type5_FeedBack", "ScreenMode/Type6_FeedBack"})
        EXPECT_EQ(Value(key), "FALSE") << key;
    EXPECT_EQ(Value("ScreenMode/Type9_FeedBack"), "TRUE");
    EXPECT_EQ(Value("ScreenMode/Type10_FeedBack"), "TRUE");
    EXPECT_EQ(Value("HM1_Processor/Smoothing"), "FALSE");
    EXPECT_EQ(Value("HM1_Processor/DoErrorColor"), "TRUE");
    EXPECT_EQ(Value("WordExercise/ShowBG"), "FALSE");
    EXPECT_EQ(Value("ResDisplay/ShowSpirant"), "TRUE");
}

TEST_F(Pages, TheFeedbackListEndsAtTheFirstEndMarker) {
    WriteIni("[Feedback]\nDisplay0=Balloon\nDisplay1=Rocket\nDisplay2=---\nDisplay3=Hidden\n");
    FeedbackPage page;
    page.Read(settings);
    EXPECT_EQ(page.items, (std::vector<std::string>{"<Default Animation>", "Balloon", "Rocket"}));
    EXPECT_EQ(page.selected, 0);  // no offset: the default animation
    page.selected = 2;
    page.Apply(settings);
    EXPECT_EQ(Value("Feedback/Offset"), "1");
    page.Read(settings);
    EXPECT_EQ(page.selected, 2);
}

TEST_F(Pages, AnOffsetBeyondTheListSelectsNothingAndIsKept) {
    WriteIni("[Feedback]\nDisplay0=Balloon\nOffset=4000000000\n");
    FeedbackPage page;
    page.Read(settings);
    EXPECT_EQ(page.selected, std::nullopt);
    page.Apply(settings);
    EXPECT_EQ(Value("Feedback/Offset"), "4000000000");
}

TEST_F(Pages, SavingKeepsTheRestOfTheFileAndWritesEveryPage) {
    WriteIni("; my notes\n[Application]\nTitle=Room 7\n");
    SheetValues values;
    values.Read(settings, Only({ModeIndex(kColumn16, kRow640)}));
    values.triggerLevel = 2345;
    values.shown.fill(true);
    SaveSheet(values, ini);
    const std::string text = ReadFile(ini);
    EXPECT_EQ(text.rfind("; my notes\n[Application]\nTitle=Room 7\n", 0), 0u) << text;
    EXPECT_EQ(Value("ScreenMode/BPP"), "16");
    EXPECT_EQ(Value("Pitch_Exercise/TailLength"), "100");
    EXPECT_EQ(Value("WordDetector/TrigLevel"), "2345");
    EXPECT_EQ(Value("Feedback/Offset"), "-1");
}

TEST_F(Pages, PagesThatWereNotShownWriteNothing) {
    WriteIni("[Application]\nTitle=Room 7\n");
    SheetValues values;
    values.Read(settings, AvailableModes(std::nullopt));
    values.triggerLevel = 2345;
    values.shown[kPageCount - 1] = true;  // only the microphone page
    values.Apply(settings);
    EXPECT_EQ(ReadFile(ini), "[Application]\nTitle=Room 7\n[WordDetector]\nTrigLevel=2345\n");
    values.shown = {};
    values.shown[5] = true;  // only "Feedback"
    values.Apply(settings);
    EXPECT_EQ(Value("Feedback/Offset"), "-1");
    EXPECT_EQ(Value("ScreenMode/BPP"), "<none>");
    EXPECT_EQ(Value("Ampl_Processor/TailLength"), "<none>");
}

TEST_F(Pages, AFileThatCannotBeWrittenIsLeftAsItWas) {
    const std::string before = "[ScreenMode]\nBPP=32\n";
    WriteIni(before);
    SheetValues values;
    values.Read(settings, AvailableModes(std::nullopt));
    // Root may write anywhere: the attempt runs as nobody.
    chmod(dir.Path().c_str(), 0777);
    chmod(ini.c_str(), 0444);
    const int rc = RunInChild([&] {
        if (!DropRoot()) return 2;
        try {
            SaveSheet(values, ini);
        } catch (const vTextException_c& e) {
            return e.Text().find(ini) != std::string::npos ? 0 : 3;
        }
        return 1;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ReadFile(ini), before);
    EXPECT_THROW(SaveSheet(values, dir.File("no/such/folder/trainer.ini")), vTextException_c);
}

TEST_F(Pages, AStagingCopyAKilledSaveLeftIsRemovedByTheNextSave) {
    const std::string tmp = dir.File("tmp");
    ASSERT_EQ(mkdir(tmp.c_str(), 0700), 0);
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string saved = oldTmp ? oldTmp : "";
    setenv("TMPDIR", tmp.c_str(), 1);
    // A save that dies after making its private copy.
    EXPECT_EQ(RunInChild([&] { return platform::CreatePrivateScratchFile(tmp, "lorvano-prefs").empty() ? 1 : 0; }), 0);
    EXPECT_EQ(CountEntries(tmp), 1);
    SheetValues values;
    values.Read(settings, AvailableModes(std::nullopt));
    values.shown[0] = true;
    SaveSheet(values, ini);
    EXPECT_EQ(CountEntries(tmp), 0);
    if (oldTmp) setenv("TMPDIR", saved.c_str(), 1); else unsetenv("TMPDIR");
    EXPECT_EQ(Value("ScreenMode/FullScreen"), "TRUE");
}

}  // namespace
