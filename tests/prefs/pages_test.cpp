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

constexpr int kColumn32 = 0, kColumn24 = 1, kColumn16 = 2, kColumn8 = 4;
constexpr int kRow800 = 0, kRow640 = 1, kRow320x200 = 4;

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

TEST_F(Pages, OnlyModesTheDisplayOffersOrTheFileHoldsAreShown) {
    // A usual display: 24 bits at 800x600 and larger; the file's mode is 640x480 at 8 bits.
    const ShownModes shown = ModesToShow(std::vector<platform::DisplayMode>{{1920, 1080, 24}, {800, 600, 24}},
                                         ModeIndex(kColumn8, kRow640));
    for (int row = 0; row < kModeRows; ++row) EXPECT_EQ(shown.rows[row], row == kRow800 || row == kRow640) << row;
    for (int column = 0; column < kModeColumns; ++column)
        EXPECT_EQ(shown.columns[column], column == kColumn24 || column == kColumn8) << column;
    const ShownModes unlisted = ModesToShow(std::nullopt, std::nullopt);
    EXPECT_EQ(std::count(unlisted.rows.begin(), unlisted.rows.end(), true), kModeRows);
    EXPECT_EQ(std::count(unlisted.columns.begin(), unlisted.columns.end(), true), kModeColumns);
}

TEST_F(Pages, TheFilesModeIsShownAsItIsOnTheGridOrOffIt) {
    ScreenPage page;
    page.Read(settings);
    EXPECT_EQ(page.mode, std::nullopt);
    EXPECT_EQ(page.modeText, "not set");
    WriteIni("[ScreenMode]\nActualResX=640\nActualResY=480\nBPP=24\n");
    page.Read(settings);
    EXPECT_EQ(page.mode, ModeIndex(kColumn24, kRow640));
    WriteIni("[ScreenMode]\nActualResX=1024\nActualResY=768\nBPP=7\n");
    page.Read(settings);
    EXPECT_EQ(page.mode, std::nullopt);
    EXPECT_EQ(page.modeText, "1024x768, 7 bits");
}

TEST_F(Pages, OnlyWhatTheUserChangedIsWritten) {
    WriteIni("[ScreenMode]\nActualResX=1024\nActualResY=768\nBPP=7\nFullScreen=maybe\n");
    ScreenPage before;
    before.Read(settings);
    ScreenPage page = before;
    page.Apply(settings, before);
    EXPECT_EQ(ReadFile(ini), "[ScreenMode]\nActualResX=1024\nActualResY=768\nBPP=7\nFullScreen=maybe\n");
    page.mode = ModeIndex(kColumn16, kRow640);
    page.Apply(settings, before);
    EXPECT_EQ(Value("ScreenMode/ActualResX"), "640");
    EXPECT_EQ(Value("ScreenMode/ActualResY"), "480");
    EXPECT_EQ(Value("ScreenMode/BPP"), "16");
    EXPECT_EQ(Value("ScreenMode/FullScreen"), "maybe");
    EXPECT_EQ(Value("HM1_Processor/WindowNum"), "<none>");
}

TEST_F(Pages, AnalysisKeysOffTheThreeSpeedsAreCustomAndKept) {
    // The course's own analysis: three windows, every third analysed.
    WriteIni("[HM1_Processor]\nDoWindow=FALSE\nWindowNum=3\nInterLeave=3\n");
    ScreenPage before;
    before.Read(settings);
    EXPECT_EQ(before.speed, MachineSpeed::Custom);
    before.Apply(settings, before);
    EXPECT_EQ(Value("HM1_Processor/WindowNum"), "3");
    EXPECT_EQ(Value("HM1_Processor/InterLeave"), "3");
    EXPECT_EQ(Value("WordDetector/RealtimePitch"), "<none>");
    // The keys of a speed, read back, are that speed.
    WriteIni("[HM1_Processor]\nDoWindow=no\nWindowNum=4\nInterLeave=1\n[WordDetector]\nRealtimePitch=1\n");
    before.Read(settings);
    EXPECT_EQ(before.speed, MachineSpeed::Fast);
}

TEST_F(Pages, EachSpeedWritesItsFiveValues) {
    struct Row {
        MachineSpeed speed;
        const char *interleave, *doWindow, *filters, *pitch;
    };
    ScreenPage before;
    before.Read(settings);
    ASSERT_EQ(before.speed, MachineSpeed::Custom);  // the analysis' own defaults are none of the three
    for (const Row& r : {Row{MachineSpeed::Slow, "2", "TRUE", "FALSE", "FALSE"},
                         Row{MachineSpeed::Normal, "1", "FALSE", "TRUE", "FALSE"},
                         Row{MachineSpeed::Fast, "1", "FALSE", "TRUE", "TRUE"}}) {
        ScreenPage page = before;
        page.speed = r.speed;
        page.Apply(settings, before);
        EXPECT_EQ(Value("HM1_Processor/WindowNum"), "4");
        EXPECT_EQ(Value("HM1_Processor/InterLeave"), r.interleave);
        EXPECT_EQ(Value("HM1_Processor/DoWindow"), r.doWindow);
        EXPECT_EQ(Value("WordDetector/RealtimeFilters"), r.filters);
        EXPECT_EQ(Value("WordDetector/RealtimePitch"), r.pitch);
        ScreenPage again;
        again.Read(settings);
        EXPECT_EQ(again.speed, r.speed);
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
    EXPECT_EQ(volume.lineLength, -40);  // shown and kept as it is unless changed
    EXPECT_EQ(voice.lineLength, 100);
    EXPECT_TRUE(voice.disableFeedback);
    const VolumePage volumeBefore = volume;
    const VoicePage voiceBefore = voice;
    volume.lineLength = 30;
    voice.lineLength = 250;
    volume.Apply(settings, volumeBefore);
    voice.Apply(settings, voiceBefore);
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
    const SpectrumPage spectrumBefore = spectrum;
    const WordPage wordBefore = word;
    spectrum.disableFeedback = false;
    spectrum.smoothCurves = false;
    word.showBackground = false;
    word.disableFeedback = !word.disableFeedback;
    word.disableFeedback = !word.disableFeedback;  // changed back: nothing to write
    spectrum.Apply(settings, spectrumBefore);
    word.Apply(settings, wordBefore);
    EXPECT_EQ(Value("ScreenMode/Type1_FeedBack"), "FALSE");
    EXPECT_EQ(Value("ScreenMode/Type2_FeedBack"), "<none>");
    EXPECT_EQ(Value("ScreenMode/Type9_FeedBack"), "TRUE");
    EXPECT_EQ(Value("ScreenMode/Type10_FeedBack"), "TRUE");
    EXPECT_EQ(Value("HM1_Processor/Smoothing"), "FALSE");
    EXPECT_EQ(Value("HM1_Processor/DoErrorColor"), "<none>");
    EXPECT_EQ(Value("WordExercise/ShowBG"), "FALSE");
    EXPECT_EQ(Value("ResDisplay/ShowSpirant"), "<none>");
    word.disableFeedback = false;
    word.Apply(settings, wordBefore);  // now the switch reaches every word type
    for (const char* key : {"ScreenMode/Type1_FeedBack", "ScreenMode/Type2_FeedBack", "ScreenMode/Type3_FeedBack",
                            "ScreenMode/Type4_FeedBack", "ScreenMode/Type5_FeedBack", "ScreenMode/Type6_FeedBack"})
        EXPECT_EQ(Value(key), "TRUE") << key;
}

TEST_F(Pages, TheFeedbackListEndsAtTheFirstEndMarker) {
    WriteIni("[Feedback]\nDisplay0=Balloon\nDisplay1=Rocket\nDisplay2=---\nDisplay3=Hidden\n");
    FeedbackPage page;
    page.Read(settings);
    EXPECT_EQ(page.items, (std::vector<std::string>{"<Default Animation>", "Balloon", "Rocket"}));
    EXPECT_EQ(page.selected, 0);  // no offset: the default animation
    const FeedbackPage before = page;
    page.selected = 2;
    page.Apply(settings, before);
    EXPECT_EQ(Value("Feedback/Offset"), "1");
    page.Read(settings);
    EXPECT_EQ(page.selected, 2);
}

TEST_F(Pages, AnOffsetBeyondTheListSelectsNothingAndIsKept) {
    WriteIni("[Feedback]\nDisplay0=Balloon\nOffset=4000000000\n");
    FeedbackPage page;
    page.Read(settings);
    EXPECT_EQ(page.selected, std::nullopt);
    page.Apply(settings, page);
    EXPECT_EQ(Value("Feedback/Offset"), "4000000000");
}

TEST_F(Pages, SavingKeepsTheRestOfTheFileAndWritesTheChanges) {
    WriteIni("; my notes\n[Application]\nTitle=Room 7\n");
    SheetValues values;
    values.Read(settings);
    values.screen.mode = ModeIndex(kColumn16, kRow640);
    values.feedback.selected = 0;  // as read: not written
    values.triggerLevel = 2345;
    SaveSheet(values, ini);
    const std::string text = ReadFile(ini);
    EXPECT_EQ(text.rfind("; my notes\n[Application]\nTitle=Room 7\n", 0), 0u) << text;
    EXPECT_EQ(Value("ScreenMode/BPP"), "16");
    EXPECT_EQ(Value("WordDetector/TrigLevel"), "2345");
    EXPECT_EQ(Value("Pitch_Exercise/TailLength"), "<none>");
    EXPECT_EQ(Value("Feedback/Offset"), "<none>");
}

TEST_F(Pages, SavingWithoutAChangeLeavesTheCoursesFileByteForByte) {
    const std::string course = ReadFile(LORVANO_SOURCE_DIR "/data/english/trainer.ini");
    WriteIni(course);
    SheetValues values;
    values.Read(settings);
    EXPECT_EQ(values.screen.speed, MachineSpeed::Custom);
    SaveSheet(values, ini);
    EXPECT_EQ(ReadFile(ini), course);
}

TEST_F(Pages, AFileThatCannotBeWrittenIsLeftAsItWas) {
    const std::string before = "[ScreenMode]\nBPP=32\n";
    WriteIni(before);
    SheetValues values;
    values.Read(settings);
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
    values.Read(settings);
    const bool full = !values.screen.fullScreen;
    values.screen.fullScreen = full;
    SaveSheet(values, ini);
    EXPECT_EQ(CountEntries(tmp), 0);
    if (oldTmp) setenv("TMPDIR", saved.c_str(), 1); else unsetenv("TMPDIR");
    EXPECT_EQ(Value("ScreenMode/FullScreen"), full ? "TRUE" : "FALSE");
}

}  // namespace
