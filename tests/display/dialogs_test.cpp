// The dialogs' own logic, driven through the scripted toolkit: what each
// dialog shows, what the user's answers turn into, remembered folders,
// custom colours, the modal hooks and the replace question of save choosers.

#include "display/dialogs/dialog.h"
#include "display/dialogs/dialogs.h"
#include "display/dialogs/prop_pages.h"
#include "display/dialogs/scripted_toolkit.h"
#include "display/dx_screen.h"
#include "events/window.h"
#include "platform/exception.h"
#include "platform/message_box.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

using dialogs::ColourAnswer;
using dialogs::FileAnswer;
using dialogs::FontAnswer;
using dialogs::FormAnswer;
using dialogs::FormStep;
using dialogs::PrintAnswer;

bool Same(platform::Rgb a, platform::Rgb b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialogs::SetToolkit(&script);
        dialogs::SetModalHooks([this] { ++suspended; }, [this] { ++resumed; });
    }
    void TearDown() override {
        EXPECT_EQ(script.Unexpected(), 0);
        EXPECT_EQ(script.Unanswered(), 0u);
        dialogs::SetToolkit(nullptr);
        dialogs::SetModalHooks({}, {});
        platform::SetMessageBoxHook({});
    }
    const dialogs::ShownDialog& Shown(std::size_t i) { return script.Shown().at(i); }

    dialogs::ScriptedToolkit script;
    int suspended = 0, resumed = 0;
};

TEST_F(DialogsTest, ImageColourRoundTripThroughTheChooser) {
    // The chooser reports red 0x12, green 0x34, blue 0x56 (0x563412 in
    // blue-green-red order).
    script.Add(FormAnswer{105, {FormStep::Click(1016)}, true});
    script.Add(ColourAnswer{platform::Rgb{0x12, 0x34, 0x56}, std::nullopt});
    std::string file = "Pic/back.bmp";
    std::uint32_t colour = 0x00abcdef;
    ASSERT_TRUE(vTrImagePropPage_c().Run(file, colour));
    EXPECT_EQ(colour, 0x123456u);
    EXPECT_EQ(file, "Pic/back.bmp");
    EXPECT_EQ(Shown(0).title, "Image properties");
    EXPECT_TRUE(Same(Shown(1).colour.start, platform::Rgb{0xab, 0xcd, 0xef}));
    EXPECT_EQ(Shown(0).texts.at(1015), "123456");  // the edit shows the new colour
    EXPECT_TRUE(Shown(0).checks.at(1018));

    // Shown again, 0x123456 appears as "123456" and the chooser starts there.
    script.Add(FormAnswer{105, {FormStep::Click(1016)}, false});
    script.Add(ColourAnswer{});
    EXPECT_FALSE(vTrImagePropPage_c().Run(file, colour));
    EXPECT_TRUE(Same(Shown(3).colour.start, platform::Rgb{0x12, 0x34, 0x56}));
    EXPECT_EQ(Shown(2).texts.at(1015), "123456");
    EXPECT_EQ(colour, 0x123456u);
    // One suspension per dialog, the nested chooser included.
    EXPECT_EQ(suspended, 2);
    EXPECT_EQ(resumed, 2);
}

TEST_F(DialogsTest, UncheckingTransparencySetsBit31) {
    script.Add(FormAnswer{105, {FormStep::Tick(1018), FormStep::Type(1014, "Pic/new.jpg")}, true});
    std::string file = "Pic/back.bmp";
    std::uint32_t colour = 0x00123456;
    ASSERT_TRUE(vTrImagePropPage_c().Run(file, colour));
    EXPECT_EQ(colour, 0x80123456u);
    EXPECT_EQ(file, "Pic/new.jpg");
}

TEST_F(DialogsTest, OpaquePictureStartsUncheckedAndCanBecomeTransparent) {
    script.Add(FormAnswer{105, {}, true});
    script.Add(FormAnswer{105, {FormStep::Tick(1018)}, true});
    std::string file = "a.bmp";
    std::uint32_t colour = 0xFF000000;
    ASSERT_TRUE(vTrImagePropPage_c().Run(file, colour));
    EXPECT_FALSE(Shown(0).checks.at(1018));
    EXPECT_EQ(Shown(0).texts.at(1015), "000000");
    EXPECT_EQ(colour, 0x80000000u);  // still opaque
    ASSERT_TRUE(vTrImagePropPage_c().Run(file, colour));
    EXPECT_EQ(colour, 0x00000000u);  // black is now transparent
}

TEST_F(DialogsTest, CancelKeepsEverything) {
    script.Add(FormAnswer{105, {FormStep::Tick(1018), FormStep::Type(1014, "other.bmp")}, false});
    std::string file = "a.bmp";
    std::uint32_t colour = 0x00123456;
    EXPECT_FALSE(vTrImagePropPage_c().Run(file, colour));
    EXPECT_EQ(file, "a.bmp");
    EXPECT_EQ(colour, 0x00123456u);
}

TEST_F(DialogsTest, ReadOnlyColourCannotBeTyped) {
    script.Add(FormAnswer{105, {FormStep::Type(1015, "ffffff")}, true});
    std::string file;
    std::uint32_t colour = 0x00123456;
    EXPECT_TRUE(vTrImagePropPage_c().Run(file, colour));
    EXPECT_EQ(colour, 0x00123456u);
    EXPECT_EQ(script.Unexpected(), 1);  // the script tried what a user cannot do
    EXPECT_EQ(Shown(0).texts.at(1015), "123456");
    script = dialogs::ScriptedToolkit();
}

TEST_F(DialogsTest, BrowseFiltersImagesAndRemembersTheFolder) {
    script.Add(FormAnswer{105, {FormStep::Click(1017)}, true});
    script.Add(FileAnswer{"/data/english/Pic/Sea.JPG"});
    script.Add(FormAnswer{105, {FormStep::Click(1017)}, false});
    script.Add(FileAnswer{std::nullopt});
    std::string file = "old.bmp";
    std::uint32_t colour = 0;
    ASSERT_TRUE(vTrImagePropPage_c().Run(file, colour));
    EXPECT_EQ(file, "/data/english/Pic/Sea.JPG");
    const platform::FileRequest& first = Shown(1).file;
    EXPECT_FALSE(first.save);
    ASSERT_EQ(first.filters.size(), 1u);
    EXPECT_EQ(first.filters[0].description, "Image files (*.bmp;*.jpg)");
    EXPECT_EQ(first.filters[0].patterns, "*.bmp;*.jpg");
    vTrImagePropPage_c().Run(file, colour);
    EXPECT_EQ(Shown(3).file.folder, "/data/english/Pic");
}

TEST_F(DialogsTest, CustomColoursAreKeptPerDialogKind) {
    std::array<platform::Rgb, 16> mine{};
    mine.fill(platform::Rgb{1, 2, 3});
    script.Add(FormAnswer{106, {FormStep::Click(1016)}, true});
    script.Add(ColourAnswer{platform::Rgb{1, 2, 3}, mine});
    script.Add(FormAnswer{106, {FormStep::Click(1016)}, false});
    script.Add(ColourAnswer{});
    script.Add(FormAnswer{105, {FormStep::Click(1016)}, false});
    script.Add(ColourAnswer{});
    std::string file;
    std::uint32_t colour = 0x00ffffff;
    ASSERT_TRUE(vTrRectPropPage_c().Run(file, colour));
    EXPECT_EQ(colour, 0x00010203u);
    EXPECT_EQ(Shown(0).title, "Rectangle properties");
    EXPECT_EQ(Shown(0).texts.at(1019), "010203");
    vTrRectPropPage_c().Run(file, colour);
    EXPECT_TRUE(Same(Shown(3).colour.custom[15], platform::Rgb{1, 2, 3}));
    vTrImagePropPage_c().Run(file, colour);
    EXPECT_TRUE(Same(Shown(5).colour.custom[15], platform::Rgb{255, 255, 255}));
}

TEST_F(DialogsTest, InputBoxes) {
    script.Add(FormAnswer{111, {FormStep::Type(1000, "ship")}, true});
    script.Add(FormAnswer{110, {FormStep::Type(1001, "s I p")}, true});
    script.Add(FormAnswer{111, {FormStep::Type(1000, "lost")}, false});
    std::string word = "boat";
    ASSERT_TRUE(dialogs::InputBox("Word:", word));
    EXPECT_EQ(word, "ship");
    EXPECT_EQ(Shown(0).title, "Input box");
    EXPECT_EQ(Shown(0).texts.at(1002), "Word:");
    EXPECT_EQ(Shown(0).texts.count(1001), 0u);

    std::string name = "ship", code = "";
    ASSERT_TRUE(dialogs::InputBox("Name:", name, "Code:", code));
    EXPECT_EQ(name, "ship");
    EXPECT_EQ(code, "s I p");
    EXPECT_EQ(Shown(1).texts.at(1003), "Code:");
    EXPECT_EQ(Shown(1).texts.at(1000), "ship");

    EXPECT_FALSE(dialogs::InputBox("Word:", word));
    EXPECT_EQ(word, "ship");
}

TEST_F(DialogsTest, MarkerEditor) {
    dialogs::MarkerText marker{"sh", "S", {"", 12}, {"", 10}};
    script.Add(FormAnswer{120,
                          {FormStep::Type(1000, "ee"), FormStep::Type(1001, "i:"), FormStep::Click(1005),
                           FormStep::Click(1006)},
                          true});
    script.Add(FontAnswer{platform::DialogFont{"DejaVu Serif", 14}});
    script.Add(FontAnswer{platform::DialogFont{"Liberation Sans", 9}});
    ASSERT_TRUE(dialogs::EditMarker(marker));
    EXPECT_EQ(Shown(0).title, "Edit marker");
    EXPECT_EQ(Shown(0).texts.at(1005), "&Font...");
    EXPECT_EQ(Shown(0).texts.at(1006), "&Default Font...");
    // The marker's own font starts from the default face at the marker's size.
    EXPECT_EQ(Shown(1).font.start, (platform::DialogFont{"Arial", 12}));
    EXPECT_EQ(Shown(2).font.start, (platform::DialogFont{"Arial", 10}));
    EXPECT_EQ(Shown(0).texts.at(1004), "Font: DejaVu Serif, 14 pt");
    EXPECT_EQ(marker.label, "ee");
    EXPECT_EQ(marker.code, "i:");
    EXPECT_EQ(marker.font, (platform::DialogFont{"DejaVu Serif", 14}));
    EXPECT_EQ(marker.defaultFont, (platform::DialogFont{"Liberation Sans", 9}));
    EXPECT_EQ(suspended, 1);

    // Cancel drops everything, fonts included.
    script.Add(FormAnswer{120, {FormStep::Type(1000, "x"), FormStep::Click(1005)}, false});
    script.Add(FontAnswer{platform::DialogFont{"Other", 20}});
    dialogs::MarkerText before = marker;
    EXPECT_FALSE(dialogs::EditMarker(marker));
    EXPECT_EQ(marker.label, before.label);
    EXPECT_EQ(marker.font, before.font);

    dialogs::MarkerText plain{"", "", {"", 10}, {"Liberation Serif", 10}};
    EXPECT_EQ(dialogs::DescribeMarkerFont(plain), "Font: Liberation Serif, 10 pt (default)");
}

TEST_F(DialogsTest, SaveAsksBeforeReplacingAFileInAnyLetterCase) {
    lorvano_test::TempDir dir;
    lorvano_test::WriteFile(dir.File("Word.exc"), "old");
    std::vector<std::string> asked;
    int answers = 0;
    platform::SetMessageBoxHook([&](const platform::MessageBoxRecord& box) {
        asked.push_back(box.text);
        EXPECT_EQ(box.buttons, platform::BoxButtons::YesNo);
        EXPECT_EQ(suspended, resumed + 1);  // the exercise stays suspended
        return ++answers == 1 ? platform::BoxAnswer::No : platform::BoxAnswer::Yes;
    });
    dialogs::FileChoice choice{"Save exercise", {{"Editor files (*.exc)", "*.exc"}}, "Editor files", "", "new.exc"};
    script.Add(FileAnswer{dir.File("word")});  // no extension: ".exc" is added
    script.Add(FileAnswer{dir.File("WORD.exc")});
    std::optional<std::string> path = dialogs::ChooseSaveFile(choice);
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, dir.File("Word.exc"));  // spelt as the file on disk
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[0].find("already exists"), std::string::npos);
    EXPECT_TRUE(Shown(0).file.save);
    EXPECT_EQ(Shown(0).file.fileName, "new.exc");
    // "No" shows the chooser again on the name that was refused.
    EXPECT_EQ(Shown(1).file.folder, dir.Path().string());
    EXPECT_EQ(Shown(1).file.fileName, "Word.exc");

    script.Add(FileAnswer{dir.File("fresh.exc")});
    EXPECT_EQ(dialogs::ChooseSaveFile(choice), dir.File("fresh.exc"));
    EXPECT_EQ(Shown(2).file.folder, dir.Path().string());  // remembered
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(DialogsTest, ControlsReportMisuse) {
    class Probe : public vDialog_c {
    public:
        Probe() : vDialog_c({111, "Input box", {{1000, platform::ControlKind::Edit, "", 0, 0}}}),
                  missing(*this, 1234), button(*this, 1000) {}
        void OnInitDialog() override {
            EXPECT_THROW(missing.SetText("x"), vException_c);
            EXPECT_THROW(button.OnNotify(8), vException_c);
            EXPECT_EQ(button.OnNotify(0), 0);  // no action: not handled
            button.SetText("typed");
        }
        vControl_c missing;
        vButtonCtrl_c button;
    } probe;
    EXPECT_THROW(probe.Form(), vException_c);
    script.Add(FormAnswer{111, {}, true});
    EXPECT_TRUE(probe.DoModal());
    EXPECT_EQ(Shown(0).texts.at(1000), "typed");
}

TEST(PagePlacement, LandscapePageIsFilledToItsHeightAndCentredHorizontally) {
    const platform::PagePlacement p = platform::FitCentred(3300, 2400, 800, 600);
    EXPECT_EQ(p.height, 2400);
    EXPECT_EQ(p.width, 3200);
    EXPECT_EQ(p.x, 50);
    EXPECT_EQ(p.y, 0);
    const platform::PagePlacement portrait = platform::FitCentred(2400, 3300, 800, 600);
    EXPECT_EQ(portrait.width, 2400);
    EXPECT_EQ(portrait.height, 1800);
    EXPECT_EQ(portrait.x, 0);
    EXPECT_EQ(portrait.y, 750);
    // The scale is a floating-point ratio; the size is truncated.
    const platform::PagePlacement odd = platform::FitCentred(1000, 333, 800, 600);
    EXPECT_EQ(odd.height, 333);
    EXPECT_EQ(odd.width, 444);
    EXPECT_EQ(odd.x, 278);
}

// The owner shows failures; this one remembers them.
class Owner : public vWindow_c {
public:
    void ShowException(const vException_c& e, int severity) override {
        shown.push_back(e.Message());
        severities.push_back(severity);
    }
    std::vector<std::string> shown;
    std::vector<int> severities;
};

TEST_F(DialogsTest, PrintScreenHandsTheScreenToTheToolkitAndShowsFailures) {
    Owner owner;
    // No screen yet: a failure, shown, with the exercise resumed afterwards.
    EXPECT_EQ(dialogs::PrintScreen(owner), platform::PrintOutcome::Failed);
    ASSERT_EQ(owner.shown.size(), 1u);

    platform::WindowOptions options;
    options.title = "print test";
    options.width = 320;
    options.height = 240;
    platform::WindowHandle window = platform::OpenWindow(options);
    {
        vDxScreen_c screen;
        screen.CreateScreen(window, 320, 240, 16, false, 800, 600);
        script.Add(PrintAnswer{{platform::PrintOutcome::Printed, {}}});
        script.Add(PrintAnswer{{platform::PrintOutcome::Failed, "Printer on fire"}});
        EXPECT_EQ(dialogs::PrintScreen(owner), platform::PrintOutcome::Printed);
        EXPECT_EQ(dialogs::PrintScreen(owner), platform::PrintOutcome::Failed);
        EXPECT_EQ(Shown(0).documentName, "Lorvano printout");
        EXPECT_EQ(Shown(0).pictureWidth, 320);
        EXPECT_EQ(Shown(0).pictureHeight, 240);
        EXPECT_EQ(Shown(0).parent, platform::NativeWindowId(window));
    }
    platform::RemoveWindow(window);
    ASSERT_EQ(owner.shown.size(), 2u);
    EXPECT_NE(owner.shown[1].find("Printer on fire"), std::string::npos);
    EXPECT_EQ(owner.severities[1], vWindow_c::kError);
    EXPECT_EQ(suspended, 3);
    EXPECT_EQ(resumed, 3);
}

TEST(DialogsWithoutDisplay, EveryDialogIsCancelled) {
    std::string word = "boat";
    EXPECT_FALSE(dialogs::InputBox("Word:", word));
    EXPECT_EQ(word, "boat");
    EXPECT_FALSE(dialogs::ChooseOpenFile({}));
    EXPECT_FALSE(dialogs::ChooseColour(0x123456, 105));
}

}  // namespace
