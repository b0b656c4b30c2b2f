// Cards and card menus on an offscreen screen: the row rule, the text band,
// which entries become cards and where their look comes from (card file,
// default card with or without a picture), bad card data, the back card, and
// a folder of 500 entries.

#include "shell_test_language.h"

#include "shell/card_layout.h"
#include "shell/card_menu.h"
#include "shell/files/dir_entry_link.h"

#include <gtest/gtest.h>

#include <set>

using namespace shell_test;

V_REGISTER_CLASS(vTrQuietExercise_c);

namespace {

uint32_t Colour(vDxImage_i& image, testing_bmp::Rgb c) { return image.MakeColor(c.r, c.g, c.b); }

class CardTest : public ::testing::Test {
protected:
    void SetUp() override { screen.Create(800, 600, 32); }

    std::unique_ptr<vTrExLoadBtn_c> Card(const std::string& entry, vWindow_c* window = nullptr) {
        return MakeCard(entry, window, &screen);
    }

    Language lang;
    vDxSimpleImage_c screen;
};

}  // namespace

TEST(CardRows, RowsWrapAtTheRightMarginAndDropByTheTallestCardSoFar) {
    // Width 300, right margin 10: a card fits while x + width + gap <= 290.
    vTrCardRows rows({10, 10, 10, 10, 10}, 300);
    EXPECT_EQ(rows.Place(100, 50), (platform::Point{10, 10}));
    EXPECT_EQ(rows.Place(100, 80), (platform::Point{120, 10}));
    // 230 + 110 > 290: a new row, lowered by the tallest so far (80 + 10).
    EXPECT_EQ(rows.Place(100, 40), (platform::Point{10, 100}));
    EXPECT_EQ(rows.Place(100, 30), (platform::Point{120, 100}));
    // The second row's cards were lower, but the tallest is never reset.
    EXPECT_EQ(rows.Place(100, 20), (platform::Point{10, 190}));
}

TEST(CardRows, ACardWiderThanTheMenuLeavesNoEmptyRowAboveIt) {
    vTrCardRows rows({10, 10, 10, 10, 10}, 300);
    EXPECT_EQ(rows.Place(400, 50), (platform::Point{10, 10}));
    EXPECT_EQ(rows.Place(50, 50), (platform::Point{10, 70}));
}

TEST(CardText, ALowTextIsCentredInItsBandWithTheOddPixelBelow) {
    // Band 10..90 (80 high) for a text 35 high: 45 spare, moved down by 23.
    const vDxRect box = CardTextBox(120, 100, -1, -1, 10, 35);
    EXPECT_EQ(box.x, 10);
    EXPECT_EQ(box.w, 100);
    EXPECT_EQ(box.y, 33);
    EXPECT_EQ(box.y + box.h, 90);
    // TextTop and TextBottom given; a text taller than the band starts at its top.
    const vDxRect tall = CardTextBox(120, 100, 60, 95, 10, 50);
    EXPECT_EQ(tall.y, 60);
    EXPECT_EQ(tall.h, 35);
}

TEST_F(CardTest, AnExerciseWithAPictureShowsThePictureInTheDefaultFrame) {
    WriteFile("Foo.exc", "");
    WriteBmp("foo.BMP", 20, 10, {250, 250, 0});
    auto card = Card("Foo.exc");
    ASSERT_TRUE(card);
    EXPECT_EQ(card->Text(), "");
    EXPECT_EQ(card->Message(), 1025u);
    EXPECT_EQ(card->Path(), lang.Full("Foo.exc"));
    EXPECT_EQ(card->GetWidth(), 60);
    vDxFileImage_c& normal = *card->Picture(0);
    // The picture lies in the middle; the frame around it keeps its colour.
    EXPECT_EQ(dx_test::PixelAt(normal, 30, 25), Colour(normal, {250, 250, 0}));
    EXPECT_EQ(dx_test::PixelAt(normal, 2, 2), Colour(normal, kFileBlue));
    EXPECT_EQ(dx_test::PixelAt(*card->Picture(2), 30, 25), Colour(normal, {250, 250, 0}));
}

TEST_F(CardTest, WithoutAPictureTheNameIsWrittenOnTheCard) {
    WriteFile("Foo.exc", "");
    auto card = Card("Foo.exc");
    ASSERT_TRUE(card);
    EXPECT_EQ(card->Text(), "Foo");
    // Text was drawn on every state's frame, which was one colour before.
    for (unsigned state = 0; state < 4; ++state) {
        vDxFileImage_c& picture = *card->Picture(state);
        const uint32_t frame = dx_test::PixelAt(picture, 0, 0);
        int written = 0;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 60; ++x) written += dx_test::PixelAt(picture, x, y) != frame;
        EXPECT_GT(written, 30) << "state " << state;
    }
}

TEST_F(CardTest, NamesWithSpacesAndAccentsBecomeTheirCardsText) {
    fs::create_directories("Sounds");
    WriteFile("Sounds/Ünïcode and spaces.exc", "");
    auto card = Card("Sounds/Ünïcode and spaces.exc");
    ASSERT_TRUE(card);
    EXPECT_EQ(card->Text(), "Ünïcode and spaces");
    EXPECT_EQ(card->Path(), lang.Full("Sounds/Ünïcode and spaces.exc"));
}

TEST_F(CardTest, AnExercisesOwnCardFileWinsOverTheDefault) {
    WriteFile("Foo.exc", "");
    WriteBmp("Foo.bmp", 20, 10, {250, 250, 0});
    WriteFile("Foo.crd", CardDefinition(".Pic/Back", "  Text = \"Mine\";\n"));
    auto card = Card("Foo.exc");
    ASSERT_TRUE(card);
    EXPECT_EQ(card->Text(), "Mine");
    // No picture is put on a card that has its own file.
    EXPECT_EQ(dx_test::PixelAt(*card->Picture(0), 30, 40), Colour(screen, kBackRed));
}

TEST_F(CardTest, FoldersAreCardsThatShowTheFolderAndOtherFilesAreNone) {
    fs::create_directories("Words");
    WriteFile("notes.txt", "");
    WriteFile("Bar.crd", CardDefinition(".Pic/Back"));
    WriteFile("Baz.EXC", "");
    vTrExLoadBtn_c* noCard = nullptr;
    EXPECT_EQ(Card("notes.txt").get(), noCard);
    EXPECT_EQ(Card("Bar.crd").get(), noCard);
    EXPECT_EQ(Card("missing.exc").get(), noCard);
    auto folder = Card("Words");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->Message(), 1027u);
    EXPECT_EQ(folder->Text(), "Words");
    EXPECT_EQ(dx_test::PixelAt(*folder->Picture(0), 1, 1), Colour(screen, kFolderGreen));
    auto upper = Card("Baz.EXC");
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->Message(), 1025u);
}

TEST_F(CardTest, ACardJoinsTheWindowsMouseChainsOnlyWhenAWindowIsGiven) {
    WriteFile("Foo.exc", "");
    vWindow_c window;
    auto joined = Card("Foo.exc", &window);
    auto alone = Card("Foo.exc");
    EXPECT_TRUE(joined->InChain(Chain::LeftDown));
    EXPECT_FALSE(alone->InChain(Chain::LeftDown));
}

TEST_F(CardTest, LinksAreFollowedAndABrokenOrLoopingLinkGivesNoCard) {
    fs::create_directories("common");
    WriteFile("common/Far.exc", "");
    WriteFile("Near.exc", "[vLink]\r\ncommon/Far.exc\r\n");
    auto linked = Card("Near.exc");
    ASSERT_TRUE(linked);
    EXPECT_EQ(linked->Path(), lang.Full("common/Far.exc"));
    EXPECT_EQ(linked->Text(), "Far");
    WriteFile("A.exc", "[vLink]\nB.exc\n");
    WriteFile("B.exc", "[vLink]\nA.exc\n");
    EXPECT_FALSE(Card("A.exc"));
    // A link whose target is gone, to a file or a folder.
    WriteFile("Gone.exc", "[vLink]\ncommon/Gone.exc\n");
    WriteFile("GoneFolder", "[vLink]\ncommon/GoneFolder\n");
    EXPECT_FALSE(Card("Gone.exc"));
    EXPECT_FALSE(Card("GoneFolder"));
    // A link to a link to a folder is a folder.
    fs::create_directories("common/Deep");
    WriteFile("Hop", "[vLink]\ncommon/Deep\n");
    WriteFile("Hops", "[vLink]\nHop\n");
    auto folder = Card("Hops");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->Message(), 1027u);
    EXPECT_EQ(folder->Path(), lang.Full("common/Deep"));
}

TEST_F(CardTest, AMissingDefaultCardMeansNoCard) {
    fs::remove(".def_file.crd");
    fs::remove(".def_dir.crd");
    WriteFile("Foo.exc", "");
    fs::create_directories("Words");
    EXPECT_FALSE(Card("Foo.exc"));
    EXPECT_FALSE(Card("Words"));
    EXPECT_TRUE(lang.boxes.empty());
}

TEST_F(CardTest, ACardFileThatIsNoCardIsReportedAsAProblem) {
    TestApp app;  // the main window that reports problems
    WriteFile("Foo.exc", "");
    WriteFile("Foo.crd", "<vDxFileImage_c> Obj = { FileName = \"x.bmp\"; }\n");
    EXPECT_FALSE(Card("Foo.exc"));
    ASSERT_EQ(app.shown.size(), 1u);
    EXPECT_NE(app.shown[0].find("Cannot create non vTrExLoadBtn_c derivateive object."), std::string::npos);
    EXPECT_EQ(app.severities[0], vWindow_c::kProblem);
    // An error in a default card is dropped silently; the card keeps what was read.
    WriteFile("Bar.exc", "");
    WriteFile(".def_file.crd", "<vTrExLoadBtn_c> Obj = { TextSize = ; }\n");
    auto card = Card("Bar.exc");
    ASSERT_TRUE(card);
    EXPECT_EQ(card->Text(), "Bar");
    EXPECT_EQ(app.shown.size(), 1u);
}

TEST_F(CardTest, ABrokenCardFileKeepsWhatWasReadBeforeTheError) {
    TestApp app;
    WriteFile("Foo.exc", "");
    WriteFile("Foo.crd", CardDefinition(".Pic/File", "  Text = \"Half\";\n  Nonsense = 3;\n"));
    auto card = Card("Foo.exc");
    ASSERT_TRUE(card);
    EXPECT_EQ(card->Text(), "Half");
    ASSERT_EQ(app.shown.size(), 1u);
    EXPECT_NE(app.shown[0].find("Unknown identifier Nonsense"), std::string::npos);
}

namespace {

class MenuTest : public CardTest {
protected:
    void SetUp() override {
        CardTest::SetUp();
        menu.Attach(&screen);
    }
    // The cards' texts in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& card : menu.Cards()) texts.push_back(card->Text());
        return texts;
    }
    vTrMenu_c menu;
};

}  // namespace

TEST_F(MenuTest, AtTheRootThereIsNoBackCard) {
    fs::create_directories("Words");
    fs::create_directories("voice");
    WriteFile("Amp.exc", "");
    WriteFile("readme.txt", "");
    menu.SetFileName(".");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Amp", "voice", "Words"}));
}

TEST_F(MenuTest, BelowTheRootTheBackCardComesLastAndLeadsUp) {
    fs::create_directories("Words/Animals");
    WriteFile("Words/Cat.exc", "");
    menu.SetFileName("Words");
    ASSERT_EQ(menu.Cards().size(), 3u);
    const vTrExLoadBtn_c& back = *menu.Cards().back();
    EXPECT_EQ(back.Message(), 1027u);
    EXPECT_EQ(back.Path(), ".");
    EXPECT_EQ(dx_test::PixelAt(*back.Picture(0), 1, 1), Colour(screen, kBackRed));
    // Cards stand in a row from (GapLeft, GapTop), 60 + 10 apart.
    EXPECT_EQ(menu.Cards()[0]->GetPos(), (vDxPoint{10, 10}));
    EXPECT_EQ(menu.Cards()[1]->GetPos(), (vDxPoint{80, 10}));
    EXPECT_EQ(back.GetPos(), (vDxPoint{150, 10}));
    // The cards are drawn on the screen.
    EXPECT_EQ(dx_test::PixelAt(screen, 151, 11), Colour(screen, kBackRed));
}

TEST_F(MenuTest, AFolderOf500EntriesGivesACardEachInRowsInsideTheMenu) {
    fs::create_directories("Many");
    for (int i = 0; i < 500; ++i) {
        const std::string name = "Many/Exercise number " + std::to_string(i);
        if (i % 5 == 0)
            fs::create_directories(name);
        else
            WriteFile(name + ".exc", "");
    }
    menu.SetFileName("Many");
    ASSERT_EQ(menu.Cards().size(), 501u);
    std::set<std::pair<int, int>> places;
    for (const auto& card : menu.Cards()) {
        const vDxPoint p = card->GetPos();
        EXPECT_LE(p.x + card->GetWidth() + 10, 800 - 10);
        places.insert({p.x, p.y});
    }
    EXPECT_EQ(places.size(), 501u) << "two cards share a place";
    // 11 cards of 70 to a row.
    EXPECT_EQ(menu.Cards()[11]->GetPos(), (vDxPoint{10, 70}));
}

TEST_F(CardTest, AnUnreadablePictureIsReportedAndTheNameIsWrittenInstead) {
    TestApp app;
    WriteFile("Foo.exc", "");
    WriteFile("Foo.jpg", "not a picture");
    auto card = Card("Foo.exc");
    ASSERT_TRUE(card);
    EXPECT_EQ(card->Text(), "Foo");
    ASSERT_EQ(app.severities, (std::vector<int>{vWindow_c::kProblem}));
}

TEST_F(MenuTest, AListedBackCardLeadsUpLikeTheLanguagesOwn) {
    fs::create_directories("Words");
    WriteFile("Words/Cat.exc", "");
    WriteFile("Words/back.crd", CardDefinition(".Pic/Back", "  Text = \"Up\";\n"));
    menu.SetFileName("Words");
    // back.crd first, Cat, then the language's back card.
    ASSERT_EQ(menu.Cards().size(), 3u);
    EXPECT_EQ(menu.Cards()[0]->Text(), "Up");
    EXPECT_EQ(menu.Cards()[0]->Message(), 1027u);
    EXPECT_EQ(menu.Cards()[0]->Path(), ".");
    // At the root such a card is left out: there is nothing above.
    WriteFile("back.crd", CardDefinition(".Pic/Back"));
    menu.SetFileName(".");
    for (const auto& card : menu.Cards()) EXPECT_NE(card->Message(), 1025u) << card->Text();
    EXPECT_EQ(menu.Cards().size(), 1u);
}
