#include "shell/command_line.h"

#include "../support/scoped_env.h"
#include "../support/temp_dir.h"
#include "platform/atomic_file.h"
#include "platform/message_box.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace lorvano_test;
namespace fs = std::filesystem;
using Words = std::vector<std::string>;

namespace {

std::string Next(const char*& text, size_t size = 64) {
    std::vector<char> buf(size);
    if (!NextCommandWord(text, buf.data(), buf.size())) return "<none>";
    return buf.data();
}

TEST(NextCommandWord, SpacesSeparateWordsAndQuotesGroupThem) {
    const char* line = "  english   /WINDOW \"my lang\" /x=\"a b\" c \"\"two\"\" end";
    EXPECT_EQ(Next(line), "english");
    EXPECT_EQ(Next(line), "/WINDOW");
    EXPECT_EQ(Next(line), "my lang");
    EXPECT_EQ(Next(line), "/x=\"a b");  // an inner quote stays, the closing one goes
    EXPECT_EQ(Next(line), "c");
    EXPECT_EQ(Next(line), "two");
    EXPECT_EQ(Next(line), "end");
    EXPECT_EQ(Next(line), "<none>");

    const char* quotedOnly = "\"a\" \"b c\"d \"\"";
    EXPECT_EQ(Next(quotedOnly), "a");
    EXPECT_EQ(Next(quotedOnly), "b c");
    EXPECT_EQ(Next(quotedOnly), "d");
    EXPECT_EQ(Next(quotedOnly), "");  // a pair of quotes is an empty word
    EXPECT_EQ(Next(quotedOnly), "<none>");

    const char* spaces = "    ";
    EXPECT_EQ(Next(spaces), "<none>");
    const char* unclosed = "\"open word";
    EXPECT_EQ(Next(unclosed), "open word");
    EXPECT_EQ(*unclosed, '\0');
}

TEST(NextCommandWord, AWordLongerThanTheBufferRaises) {
    const char* line = "hello";
    EXPECT_EQ(Next(line, 6), "hello");
    line = "hello";
    try {
        Next(line, 5);
        FAIL() << "no exception";
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Buffer too small");
    }
    line = "";
    EXPECT_THROW(Next(line, 0), vTextException_c);
}

TEST(NextCommandWord, SplittingAWholeLineNeverOverflows) {
    EXPECT_EQ(SplitCommandLine("english /V"), (Words{"english", "/V"}));
    EXPECT_EQ(SplitCommandLine("\"x\""), (Words{"x"}));
    EXPECT_EQ(SplitCommandLine(std::string(5000, 'a').c_str()), (Words{std::string(5000, 'a')}));
    EXPECT_EQ(SplitCommandLine(""), Words{});
    EXPECT_EQ(SplitCommandLine(nullptr), Words{});
}

// A program folder and language folders in a temporary tree.
class Layout : public ::testing::Test {
protected:
    std::string MakeIni(const std::string& languageDir, const std::string& name = "trainer.ini",
                        const std::string& text = "[Application]\nTitle=Lorvano\n") {
        fs::create_directories(root.Path() / languageDir);
        std::string path = (root.Path() / languageDir / name).string();
        WriteFile(path, text);
        return path;
    }
    std::string Program(const std::string& relative) { return (root.Path() / relative).string(); }

    TempDir root;
};

TEST_F(Layout, TheLanguageBesideTheProgram) {
    std::string ini = MakeIni("app/english");
    vTrStartupPlan_c plan = PlanStartup({"english"}, Program("app/trainer"));
    EXPECT_EQ(plan.outcome, StartupOutcome::Run);
    EXPECT_EQ(plan.programDir, Program("app/"));
    EXPECT_EQ(plan.languageDir, Program("app/english"));
    EXPECT_EQ(plan.iniPath, ini);
    EXPECT_FALSE(plan.fullRequested);
    EXPECT_FALSE(plan.windowRequested);
}

TEST_F(Layout, AnInstalledProgramFindsTheSharedDataFolder) {
    std::string ini = MakeIni("usr/share/lorvano/english");
    fs::create_directories(root.Path() / "usr/libexec/lorvano");
    vTrStartupPlan_c plan = PlanStartup({"english"}, Program("usr/libexec/lorvano/trainer"));
    EXPECT_EQ(plan.outcome, StartupOutcome::Run);
    EXPECT_EQ(plan.iniPath, Program("usr/libexec/lorvano/../../share/lorvano/english/trainer.ini"));
    EXPECT_TRUE(std::filesystem::equivalent(plan.iniPath, ini));
    // The folders the program looked in before still win.
    std::string near = MakeIni("usr/libexec/lorvano/english");
    EXPECT_EQ(PlanStartup({"english"}, Program("usr/libexec/lorvano/trainer")).iniPath, near);
}

TEST_F(Layout, ALanguageCannotLeaveTheProgramsFolders) {
    MakeIni("app/english");
    MakeIni("english");
    for (const char* word : {"../english", "..\\english", "sub/../../english", "..", ".", "/tmp"})
        EXPECT_EQ(PlanStartup({word}, Program("app/trainer")).outcome, StartupOutcome::BadLanguage) << word;
}

TEST_F(Layout, TheIniIsNamedAfterTheProgram) {
    std::string ini = MakeIni("app/english", "Lorvano.ini");
    EXPECT_EQ(PlanStartup({"english"}, Program("app/trainer")).outcome, StartupOutcome::BadLanguage);
    EXPECT_EQ(PlanStartup({"english"}, Program("app/Lorvano")).iniPath, ini);
    EXPECT_EQ(PlanStartup({"english"}, Program("app/Lorvano.bin")).iniPath, ini);  // extension dropped
}

TEST_F(Layout, TheBinRuleLooksBesideTheBinFolder) {
    std::string ini = MakeIni("Root/english");
    EXPECT_EQ(PlanStartup({"english"}, Program("Root/bin/trainer")).iniPath, ini);
    EXPECT_EQ(PlanStartup({"english"}, Program("Root/BIN/trainer")).iniPath, ini);  // any case
    EXPECT_EQ(PlanStartup({"english"}, Program("Root/Bin64/Release/trainer")).iniPath, ini);
    // Letter case of the path is kept (a lower-cased path would not exist).
    EXPECT_EQ(PlanStartup({"english"}, Program("Root/BIN/trainer")).languageDir, Program("Root/english"));
    EXPECT_EQ(PlanStartup({"english"}, Program("Root/tools/trainer")).outcome, StartupOutcome::BadLanguage);
    // "bin" inside a folder name is no bin folder.
    MakeIni("ro/english");
    EXPECT_EQ(PlanStartup({"english"}, Program("robin/x/trainer")).outcome, StartupOutcome::BadLanguage);
    EXPECT_EQ(PlanStartup({"english"}, Program("Root/sbin/trainer")).outcome, StartupOutcome::BadLanguage);
    // The language beside the program wins over the bin rule.
    std::string near = MakeIni("Root/bin/english");
    EXPECT_EQ(PlanStartup({"english"}, Program("Root/bin/trainer")).iniPath, near);
}

TEST_F(Layout, WordsAreComparedWithoutCaseAndTheLastLanguageCounts) {
    MakeIni("app/english");
    MakeIni("app/german");
    vTrStartupPlan_c plan = PlanStartup({"german", "/full", "english", "/Window"}, Program("app/trainer"));
    EXPECT_EQ(plan.outcome, StartupOutcome::Run);
    EXPECT_EQ(plan.language, "english");
    EXPECT_EQ(plan.languageDir, Program("app/english"));
    EXPECT_TRUE(plan.fullRequested);
    EXPECT_TRUE(plan.windowRequested);
    EXPECT_EQ(PlanStartup({"english", "nosuch"}, Program("app/trainer")).outcome, StartupOutcome::BadLanguage);
    EXPECT_EQ(PlanStartup({"nosuch", "english"}, Program("app/trainer")).outcome, StartupOutcome::Run);
    // Language names are folder names: their case matters on this system.
    EXPECT_EQ(PlanStartup({"English"}, Program("app/trainer")).outcome, StartupOutcome::BadLanguage);
}

TEST_F(Layout, VersionWinsWhateverElseIsThere) {
    MakeIni("app/english");
    for (const Words& words : {Words{"/V"}, Words{"/v", "english"}, Words{"english", "/WINDOW", "/V"},
                               Words{"nosuch", "/V", "more"}})
        EXPECT_EQ(PlanStartup(words, Program("app/trainer")).outcome, StartupOutcome::ShowVersion);
}

TEST_F(Layout, MissingOrBadLanguage) {
    MakeIni("app/english");
    EXPECT_EQ(PlanStartup({}, Program("app/trainer")).outcome, StartupOutcome::NoLanguage);
    EXPECT_EQ(PlanStartup({"/FULL", "/WINDOW", ""}, Program("app/trainer")).outcome, StartupOutcome::NoLanguage);
    vTrStartupPlan_c bad = PlanStartup({"nosuch"}, Program("app/trainer"));
    EXPECT_EQ(bad.outcome, StartupOutcome::BadLanguage);
    EXPECT_TRUE(bad.iniPath.empty());
    // A folder named like the INI file is not one.
    fs::create_directories(root.Path() / "app/dirlang/trainer.ini");
    EXPECT_EQ(PlanStartup({"dirlang"}, Program("app/trainer")).outcome, StartupOutcome::BadLanguage);
    // Backslashes in the language word are folder separators.
    MakeIni("app/sub/english");
    EXPECT_EQ(PlanStartup({"sub\\english"}, Program("app/trainer")).languageDir, Program("app/sub/english"));
}

// The whole start-up in this process: it changes the current directory and
// gSettings, which are put back afterwards.
class Startup : public Layout {
protected:
    void TearDown() override {
        fs::current_path(savedCwd);
        gSettings.SetFileName(nullptr);
    }
    vTrStartup_c Start(const std::string& ini, const Words& words) {
        MakeIni("app/english", "trainer.ini", ini);
        return ParseCommandLine(words, Program("app/trainer"));
    }
    fs::path savedCwd = fs::current_path();
};

TEST_F(Startup, EntersTheLanguageAndPointsTheSettingsAtItsIni) {
    vTrStartup_c s = Start("[Application]\nLoadingText=  Loading...  \n", {"english"});
    EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(root.Path() / "app/english"));
    EXPECT_EQ(s.iniPath, Program("app/english/trainer.ini"));
    EXPECT_STREQ(gSettings.FileName(), s.iniPath.c_str());
    EXPECT_EQ(s.programDir, Program("app/"));
    EXPECT_EQ(s.languageDir, Program("app/english"));
    EXPECT_EQ(s.loadingText, "Loading...");
    EXPECT_FALSE(s.debugPrompt);
    // No "ScreenMode/FullScreen": full screen.
    EXPECT_TRUE(s.fullScreen);
    EXPECT_EQ(s.windowStyle, WindowStyle::Popup);
    EXPECT_EQ(static_cast<std::uint32_t>(WindowStyle::Popup), 0x80000000u);
    EXPECT_EQ(static_cast<std::uint32_t>(WindowStyle::DialogFrame), 0x004A0000u);
}

TEST_F(Startup, TheCommandLineDecidesFullScreenBeforeTheSettings) {
    const std::string full = "[ScreenMode]\nFullScreen=TRUE\n";
    const std::string windowed = "[ScreenMode]\nFullScreen=no\n";
    vTrStartup_c s = Start(full, {"english", "/WINDOW"});
    EXPECT_FALSE(s.fullScreen);
    EXPECT_EQ(s.windowStyle, WindowStyle::DialogFrame);
    s = Start(windowed, {"/WINDOW", "english", "/FULL"});
    EXPECT_TRUE(s.fullScreen);
    EXPECT_EQ(s.windowStyle, WindowStyle::Popup);
    EXPECT_FALSE(Start(windowed, {"english"}).fullScreen);
    EXPECT_TRUE(Start(full, {"english"}).fullScreen);
    EXPECT_TRUE(Start("[ScreenMode]\nFullScreen=\n", {"english"}).fullScreen);
}

TEST_F(Startup, ALoadingTextLongerThanItsBufferIsCut) {
    vTrStartup_c s = Start("[Application]\nLoadingText=" + std::string(150, 'L') + "\n", {"english"});
    EXPECT_EQ(s.loadingText, std::string(99, 'L'));
    s = Start("[Application]\nLoadingText=" + std::string(98, 'L') + "\n", {"english"});
    EXPECT_EQ(s.loadingText, std::string(98, 'L'));
}

// An installed trainer never writes into the shipped language: the user gets
// folders of their own, and a second start keeps what the first one wrote.
TEST_F(Startup, AnInstalledLanguageIsUsedThroughTheUsersOwnFolders) {
    const std::string shippedIni = MakeIni("usr/share/lorvano/english", "trainer.ini", "[Application]\nTitle=Shipped\n");
    fs::create_directories(root.Path() / "usr/share/lorvano/english/Words");
    WriteFile(Program("usr/share/lorvano/english/Words/cat.exc"), "shipped");
    WriteFile(Program("usr/share/lorvano/english/Words/cow.exc"), "shipped");
    fs::create_directories(root.Path() / "usr/libexec/lorvano");
    const fs::path home = root.Path() / "home";
    ScopedEnv data("XDG_DATA_HOME", (home / "data").string());
    ScopedEnv config("XDG_CONFIG_HOME", (home / "config").string());

    vTrStartup_c s = ParseCommandLine({"english"}, Program("usr/libexec/lorvano/trainer"));
    const fs::path user = home / "data/lorvano/english";
    EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(user));
    EXPECT_EQ(s.iniPath, (home / "config/lorvano/english/trainer.ini").string());
    EXPECT_EQ(fs::status(user).permissions() & fs::perms::all, fs::perms::owner_all);
    std::string text;
    ASSERT_TRUE(platform::ReadWholeFile("Words/cat.exc", text));
    EXPECT_EQ(text, "shipped");
    char title[100];
    gSettings.GetString("Application/Title", title, sizeof title, "");
    EXPECT_STREQ(title, "Shipped");

    // What the program writes lands in the user's folders only.
    gSettings.PutString("Application/Title", "Mine");
    ASSERT_TRUE(platform::WriteFileAtomically("say.wav", "say"));
    ASSERT_TRUE(platform::WriteFileAtomically("Words/cat.exc", "edited"));
    EXPECT_FALSE(fs::exists(root.Path() / "usr/share/lorvano/english/say.wav"));
    ASSERT_TRUE(platform::ReadWholeFile(Program("usr/share/lorvano/english/Words/cat.exc"), text));
    EXPECT_EQ(text, "shipped");
    ASSERT_TRUE(platform::ReadWholeFile(shippedIni, text));
    EXPECT_EQ(text, "[Application]\nTitle=Shipped\n");

    // An update adds a file and removes one; the user's edits stay.
    WriteFile(Program("usr/share/lorvano/english/Words/dog.exc"), "new");
    fs::remove(root.Path() / "usr/share/lorvano/english/Words/cat.exc");
    fs::remove(root.Path() / "usr/share/lorvano/english/Words/cow.exc");
    fs::current_path(savedCwd);
    s = ParseCommandLine({"english"}, Program("usr/libexec/lorvano/trainer"));
    EXPECT_TRUE(fs::exists("Words/dog.exc"));
    EXPECT_FALSE(fs::exists(fs::symlink_status("Words/cow.exc")));
    ASSERT_TRUE(platform::ReadWholeFile("Words/cat.exc", text));
    EXPECT_EQ(text, "edited");
    EXPECT_TRUE(fs::exists("say.wav"));
    gSettings.GetString("Application/Title", title, sizeof title, "");
    EXPECT_STREQ(title, "Mine");
}

// Without a home folder to write to, the program still starts from the shipped folder.
TEST_F(Startup, AnUnwritableHomeIsSaidAndTheShippedFolderIsUsed) {
    MakeIni("usr/share/lorvano/english", "trainer.ini", "[Application]\nTitle=Shipped\n");
    fs::create_directories(root.Path() / "usr/libexec/lorvano");
    WriteFile(Program("notafolder"), "");
    ScopedEnv data("XDG_DATA_HOME", Program("notafolder/data"));
    ScopedEnv config("XDG_CONFIG_HOME", Program("notafolder/config"));
    std::vector<platform::MessageBoxRecord> boxes;
    platform::SetMessageBoxHook([&](const platform::MessageBoxRecord& box) {
        boxes.push_back(box);
        return platform::BoxAnswer::Ok;
    });
    vTrStartup_c s = ParseCommandLine({"english"}, Program("usr/libexec/lorvano/trainer"));
    platform::SetMessageBoxHook({});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("not kept"), std::string::npos);
    EXPECT_TRUE(fs::equivalent(s.iniPath, Program("usr/share/lorvano/english/trainer.ini")));
}

}  // namespace
