// The application's navigation on an offscreen screen, driven the way the
// user drives it: clicks on cards go through the window's mouse chains, and
// what they post is delivered as the message loop would. Covers home, folder
// cards, exercise cards, the card inside an exercise, back and start, the
// successor, the history's limit and the failures of exercise files.

#include "shell_test_language.h"

#include "display/dialogs/dialogs.h"
#include "display/dialogs/scripted_toolkit.h"
#include "display/dx_image_array.h"
#include "platform/message_queue.h"
#include "shell/app_messages.h"
#include "shell/card_menu.h"
#include "shell/main_window.h"
#include "shell/menu_buttons.h"

#include <gtest/gtest.h>

using namespace shell_test;

namespace {

constexpr std::uintptr_t kLeft = static_cast<std::uintptr_t>(platform::KeyFlag::LeftButton);

const char kQuiet[] = "<vTrQuietExercise_c> Obj = { CardPos = (300, 300); }\n";

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Message m;
        while (platform::TakePending(m)) {
        }
        fs::create_directories("Words/Animals");
        WriteFile("Words/Cat.exc", kQuiet);
        WriteFile("Words/Dog.exc", kQuiet);
        WriteFile("Amp.exc", kQuiet);
    }

    // Delivers everything posted, in order, as the message loop does.
    void Pump() {
        platform::Message m;
        while (platform::TakePending(m)) app.OnMessage(m.id, m.p1, m.p2);
    }
    void ClickAt(const vDxImage_i& image) {
        const vDxPoint p = DxScreenOrigin(image);
        app.OnMouseMove(p.x + 5, p.y + 5, 0);
        app.OnLeftDown(p.x + 5, p.y + 5, kLeft);
        app.OnLeftUp(p.x + 5, p.y + 5, 0);
        Pump();
    }
    vTrMenu_c* Menu() const { return dynamic_cast<vTrMenu_c*>(app.GetExercise()); }
    // Clicks the card of the current menu that shows text.
    void ClickCard(const std::string& text) {
        ASSERT_TRUE(Menu()) << "no card menu on screen";
        for (const auto& card : Menu()->Cards())
            if (card->Text() == text) return ClickAt(*card);
        FAIL() << "no card " << text;
    }
    std::vector<std::string> History() const { return {app.History().begin(), app.History().end()}; }

    Language lang;
    TestApp app;
};

}  // namespace

TEST_F(AppTest, HomeShowsTheLanguagesCardsWithoutACardOfItsOwn) {
    app.Home();
    ASSERT_TRUE(Menu());
    ASSERT_EQ(Menu()->Cards().size(), 2u);
    EXPECT_EQ(Menu()->Cards()[0]->Text(), "Amp");
    EXPECT_EQ(Menu()->Cards()[1]->Text(), "Words");
    EXPECT_EQ(Menu()->Card(), nullptr);
    EXPECT_EQ(History(), (std::vector<std::string>{"."}));
    EXPECT_TRUE(app.shown.empty());
}

TEST_F(AppTest, AFolderCardShowsTheFolderInTheSameMenuAndTheBackCardReturns) {
    app.Home();
    vTrMenu_c* menu = Menu();
    ClickCard("Words");
    ASSERT_EQ(Menu(), menu) << "moving between folders keeps the menu";
    EXPECT_EQ(menu->Path(), lang.Full("Words"));
    // Animals, Cat, Dog and the back card.
    ASSERT_EQ(menu->Cards().size(), 4u);
    EXPECT_EQ(History(), (std::vector<std::string>{lang.Full("Words")}));
    // The folder's own card stands inside the menu, shown but not clickable.
    ASSERT_NE(menu->Card(), nullptr);
    EXPECT_EQ(menu->Card()->GetPos(), (vDxPoint{700, 500}));
    EXPECT_EQ(menu->Card()->GetState(), vDxButtonState::kDisabled);

    ClickAt(*menu->Cards().back());
    EXPECT_EQ(Menu(), menu);
    EXPECT_EQ(menu->Cards().size(), 2u);
    EXPECT_EQ(menu->Card(), nullptr);
    EXPECT_EQ(History(), (std::vector<std::string>{lang.Path().string()}));
}

TEST_F(AppTest, AnExerciseCardOpensTheExerciseWhoseCardLeadsBackToItsFolder) {
    app.Home();
    ClickCard("Words");
    ClickCard("Cat");
    vTrExercise_c* exercise = app.GetExercise();
    ASSERT_TRUE(dynamic_cast<vTrQuietExercise_c*>(exercise));
    EXPECT_EQ(exercise->FileName(), lang.Full("Words/Cat.exc"));
    EXPECT_EQ(History(), (std::vector<std::string>{lang.Full("Words"), lang.Full("Words/Cat.exc")}));
    ASSERT_NE(exercise->Card(), nullptr);
    EXPECT_EQ(exercise->Card()->GetPos(), (vDxPoint{300, 300}));
    EXPECT_EQ(exercise->Card()->GetState(), vDxButtonState::kNormal);

    // The card inside the exercise goes back to the folder it came from...
    ClickAt(*exercise->Card());
    ASSERT_TRUE(Menu());
    EXPECT_EQ(Menu()->Path(), lang.Full("Words"));
    EXPECT_EQ(History(), (std::vector<std::string>{lang.Full("Words")}));
    // ... where the folder's card is clickable and leads up to the root.
    ASSERT_NE(Menu()->Card(), nullptr);
    ClickAt(*Menu()->Card());
    ASSERT_TRUE(Menu());
    EXPECT_TRUE(Menu()->IsRoot(Menu()->Path()));
    EXPECT_EQ(Menu()->Cards().size(), 2u);
    // At the root, going up does nothing.
    Menu()->RequestClose();
    Pump();
    EXPECT_TRUE(Menu()->IsRoot(Menu()->Path()));
}

TEST_F(AppTest, TheDrawersBackAndStartMessagesNavigate) {
    app.Home();
    ClickCard("Amp");
    ASSERT_TRUE(dynamic_cast<vTrQuietExercise_c*>(app.GetExercise()));
    platform::Post(platform::kNoWindow, app_msg::kBack);
    Pump();
    ASSERT_TRUE(Menu());
    ClickCard("Words");
    ClickCard("Dog");
    platform::Post(platform::kNoWindow, app_msg::kHome);
    Pump();
    ASSERT_TRUE(Menu());
    EXPECT_EQ(Menu()->Cards().size(), 2u);
    EXPECT_EQ(History(), (std::vector<std::string>{lang.Full("Words"), lang.Full("Words/Dog.exc"), "."}));
}

TEST_F(AppTest, TheHistoryKeepsTheTwentyNewestNames) {
    for (int i = 0; i < 21; ++i) {
        const std::string name = "Ex" + std::to_string(i) + ".exc";
        WriteFile(name, kQuiet);
        ASSERT_TRUE(app.LoadExercise(name, false));
    }
    ASSERT_EQ(app.History().size(), 20u);
    EXPECT_EQ(app.History().front(), "Ex1.exc");
    EXPECT_EQ(app.HistoryTop(), "Ex20.exc");
    // The same name twice in a row is kept once.
    app.LoadExercise("Ex20.exc", false);
    EXPECT_EQ(app.History().size(), 20u);
    app.ReplaceHistoryTop("Amp.exc");
    EXPECT_EQ(app.HistoryTop(), "Amp.exc");
    app.Back();
    EXPECT_EQ(app.GetExercise()->FileName(), "Ex19.exc");
}

TEST_F(AppTest, ALoadMessageCarriesTheNameAndAWrongNameIsReported) {
    app.Home();
    platform::Post(platform::kNoWindow, app_msg::kLoadExercise, 0, NewMessageText("Words/Dog.exc"));
    Pump();
    EXPECT_EQ(app.GetExercise()->FileName(), "Words/Dog.exc");
    platform::Post(platform::kNoWindow, app_msg::kLoadExercise, 0, NewMessageText("Words/Gone.exc"));
    try {
        Pump();
        FAIL() << "no exception";
    } catch (const vException_c& e) {
        EXPECT_EQ(e.Message(), "Exception [Cannot load exercise: Words/Gone.exc] occured with error code: 0.\n");
    }
}

TEST_F(AppTest, BackToAnExerciseThatNoLongerLoadsIsAnError) {
    app.LoadExercise("Words/Cat.exc", false);
    app.LoadExercise("Words/Dog.exc", false);
    fs::remove("Words/Cat.exc");
    EXPECT_THROW(app.Back(), vPrintException_c);
}

TEST_F(AppTest, AnExerciseFileWithASyntaxErrorIsFatalAndKeepsTheExerciseOnScreen) {
    app.Home();
    vTrExercise_c* before = app.GetExercise();
    WriteFile("Bad.exc", "<vTrQuietExercise_c> Obj = {\n  CardPos = ;\n}\n");
    EXPECT_THROW(app.LoadExercise("Bad.exc", false), vException_c);
    ASSERT_EQ(app.severities, (std::vector<int>{vWindow_c::kFatal}));
    EXPECT_NE(app.shown[0].find("Reserved word [;] as value in file"), std::string::npos) << app.shown[0];
    EXPECT_NE(app.shown[0].find("line 2"), std::string::npos) << app.shown[0];
    EXPECT_EQ(app.GetExercise(), before);

    WriteFile("Card.exc", CardDefinition(".Pic/File"));
    EXPECT_THROW(app.LoadExercise("Card.exc", false), vException_c);
    ASSERT_EQ(app.shown.size(), 2u);
    EXPECT_NE(app.shown[1].find("Cannot create non vTrExercise_c derivateive object."), std::string::npos);
}

TEST_F(AppTest, CreateExerciseTakesOnlyExerciseClasses) {
    vTrExercise_c* made = app.CreateExercise(vTrQuietExercise_c::sTypeInfo);
    EXPECT_EQ(app.GetExercise(), made);
    EXPECT_EQ(made->GetParent(), &app);
    try {
        app.CreateExercise(vTrExLoadBtn_c::sTypeInfo);
        FAIL() << "no exception";
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.ShortText(), "Cannot create exercise. Wrong type.");
    }
    EXPECT_EQ(app.GetExercise(), nullptr);
}

TEST_F(AppTest, TheSuccessorIsTheArticulationExerciseOfTheMenusFolder) {
    WriteFile("Words/.Articulation.exc", kQuiet);
    app.Home();
    ClickCard("Words");
    ClickCard("Cat");
    platform::Post(platform::kNoWindow, app_msg::kSuccessor);
    Pump();
    EXPECT_EQ(app.GetExercise()->FileName(), lang.Full("Words") + "/.Articulation.exc");
}

TEST_F(AppTest, WithoutDefaultCardsHomeShowsAnEmptyMenu) {
    fs::remove(".def_dir.crd");
    fs::remove(".def_file.crd");
    app.Home();
    ASSERT_TRUE(Menu());
    EXPECT_TRUE(Menu()->Cards().empty());
    EXPECT_TRUE(app.shown.empty());
}

TEST_F(AppTest, TheProgramWideLoadUsesTheApplication) {
    vTrExercise_c* loaded = LoadExerciseByName("Amp.exc");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded, app.GetExercise());
    EXPECT_EQ(app.HistoryTop(), "Amp.exc");
}

TEST(ProgramWideLoad, WithoutAnApplicationNothingLoads) { EXPECT_EQ(LoadExerciseByName("Amp.exc"), nullptr); }

TEST_F(AppTest, DrawerButtonsLoadTheirExerciseByMessageOrAtOnce) {
    app.Home();
    vDxExLoadMenuBtn_c posting;
    posting.SetExercise("Words/Cat.exc");
    posting.OnClick();
    // Nothing happens before the message is delivered.
    EXPECT_TRUE(Menu());
    Pump();
    EXPECT_EQ(app.GetExercise()->FileName(), "Words/Cat.exc");

    vTrExerciseMenuBtn_c direct;
    direct.SetExercise("Amp.exc");
    direct.OnClick();
    EXPECT_EQ(app.GetExercise()->FileName(), "Amp.exc");
    EXPECT_EQ(app.HistoryTop(), "Amp.exc");

    // Without a name nothing is loaded.
    vDxExLoadMenuBtn_c empty;
    empty.OnClick();
    vTrExerciseMenuBtn_c emptyDirect;
    emptyDirect.OnClick();
    Pump();
    EXPECT_EQ(app.GetExercise()->FileName(), "Amp.exc");
}

namespace {

// Notes how suspended the application's exercise is while each file chooser is open.
class WatchingToolkit : public dialogs::ScriptedToolkit {
public:
    explicit WatchingToolkit(const vTrApp_c& app) : mApp(app) {}
    std::optional<std::string> ChooseFile(platform::FileRequest& request, std::uintptr_t parent) override {
        suspendCounts.push_back(mApp.GetExercise() ? mApp.GetExercise()->SuspendCount() : -1);
        return ScriptedToolkit::ChooseFile(request, parent);
    }
    std::vector<int> suspendCounts;

private:
    const vTrApp_c& mApp;
};

}  // namespace

TEST_F(AppTest, EveryDialogSuspendsTheRunningExerciseOnceUntilTheLastOneCloses) {
    ASSERT_TRUE(app.LoadExercise("Amp.exc", false));
    WatchingToolkit toolkit(app);
    dialogs::SetToolkit(&toolkit);
    toolkit.Add(dialogs::FileAnswer{"Words/Cat.exc"});
    toolkit.Add(dialogs::FileAnswer{std::nullopt});
    EXPECT_EQ(dialogs::ChooseOpenFile({"Open"}), "Words/Cat.exc");
    {
        // A dialog opened from another one (as the colour chooser from a
        // property page) keeps the one suspension.
        dialogs::ModalScope outer;
        EXPECT_EQ(app.GetExercise()->SuspendCount(), 1);
        EXPECT_EQ(dialogs::ChooseOpenFile({"Open"}), std::nullopt);
    }
    dialogs::SetToolkit(nullptr);
    EXPECT_EQ(toolkit.suspendCounts, (std::vector<int>{1, 1}));
    EXPECT_EQ(app.GetExercise()->SuspendCount(), 0);
}

TEST(ResolveDataPath, APrimarySourceFileTakesThePlaceOfTheLanguagesOwn) {
    Language lang;
    fs::create_directories("primary/Words");
    fs::create_directories("primary/Folder.exc");
    WriteFile("primary/Words/Cat.exc", "");
    WriteFile("primary/Linked.exc", "[vLink]\nWords/Cat.exc\n");
    EXPECT_EQ(ResolveDataPath("", "Words/Cat.exc"), "Words/Cat.exc");
    EXPECT_EQ(ResolveDataPath("primary", "Words/Cat.exc"), lang.Full("primary/Words/Cat.exc"));
    // Missing there, or a folder there: the language's own name.
    EXPECT_EQ(ResolveDataPath("primary", "Words/Dog.exc"), "Words/Dog.exc");
    EXPECT_EQ(ResolveDataPath("primary", "Folder.exc"), "Folder.exc");
    // A link there names its target (relative to the current directory).
    fs::create_directories("Words");
    WriteFile("Words/Cat.exc", "");
    EXPECT_EQ(ResolveDataPath("primary", "Linked.exc"), lang.Full("Words/Cat.exc"));
}
