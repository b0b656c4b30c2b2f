// Menus on an offscreen parent: layout, the drawer's places, what moving
// leaves behind, and clicks of the menu buttons through the main window's
// chains (message order, opening and closing, submenus).

#include "display/dx_menu.h"

#include "dx_test_util.h"

#include <gtest/gtest.h>

using namespace dx_test;

namespace {

constexpr uintptr_t kLeft = static_cast<uintptr_t>(platform::KeyFlag::LeftButton);

// A menu button with four pictures of one size and colour.
template <class B = vDxCmdMenuBtn_c>
std::unique_ptr<B> MakeButton(int w, int h, uint8_t shade = 100) {
    auto b = std::make_unique<B>();
    b->Create(w, h, 32, 4);
    for (unsigned i = 0; i < 4; ++i) Fill(*b->Picture(i), shade, static_cast<uint8_t>(40 * i), 0);
    return b;
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        TakeMessages();
        SetDxMainWindow(&window);
        screen.Create(800, 600, 32);
        FillPattern(screen);
    }
    void TearDown() override { SetDxMainWindow(nullptr); }

    void Click(int x, int y) {
        window.OnLeftDown(x, y, kLeft);
        window.OnLeftUp(x, y, 0);
    }

    vWindow_c window;  // never opened: it heads the chains
    vDxSimpleImage_c screen;
};

}  // namespace

TEST_F(MenuTest, AVerticalMenuStandsOnItsBaseLineAndClosesToItsTopButton) {
    vDxMenu_c menu;
    menu.Buttons().push_back(MakeButton(50, 40));
    menu.Buttons().push_back(MakeButton(60, 30));
    menu.Buttons().push_back(MakeButton(40, 20));
    menu.SetDefault(true);
    menu.SetPos({100, 600});
    menu.SetParent(&screen);
    menu.Loaded();
    EXPECT_EQ(menu.GetHeight(), 90);
    EXPECT_EQ(menu.GetWidth(), 60);
    EXPECT_EQ(menu.Buttons()[0]->GetPos(), (vDxPoint{0, 50}));
    EXPECT_EQ(menu.Buttons()[1]->GetPos(), (vDxPoint{0, 20}));
    EXPECT_EQ(menu.Buttons()[2]->GetPos(), (vDxPoint{0, 0}));
    EXPECT_EQ(menu.OpenPos(), (vDxPoint{100, 510}));
    EXPECT_EQ(menu.ClosedPos(), (vDxPoint{100, 580}));
    // A Default menu rests closed from the start.
    EXPECT_EQ(menu.GetPos(), (vDxPoint{100, 580}));
    EXPECT_TRUE(menu.IsShown());
    menu.Open();
    EXPECT_TRUE(menu.IsOpen());
    EXPECT_EQ(menu.GetPos(), (vDxPoint{100, 510}));
    EXPECT_EQ(PixelAt(screen, 100, 510), screen.MakeColor(100, 0, 0));
    menu.Close();
    EXPECT_FALSE(menu.IsOpen());
    EXPECT_EQ(menu.GetPos(), (vDxPoint{100, 580}));
}

TEST_F(MenuTest, AHorizontalMenuSlidesLeftAndHidesLeftOfTheScreen) {
    vDxMenu_c menu;
    menu.SetHorizontal(true);
    menu.Buttons().push_back(MakeButton(120, 30));
    menu.Buttons().push_back(MakeButton(120, 50));
    menu.Buttons().push_back(MakeButton(60, 40));
    menu.SetParent(&screen);
    menu.Loaded();
    EXPECT_EQ(menu.GetWidth(), 300);
    EXPECT_EQ(menu.GetHeight(), 50);
    EXPECT_EQ(menu.Buttons()[2]->GetPos(), (vDxPoint{240, 0}));
    EXPECT_EQ(menu.OpenPos(), (vDxPoint{0, 0}));
    EXPECT_EQ(menu.ClosedPos(), (vDxPoint{-240, 0}));
    // Not a Default menu: hidden until opened.
    EXPECT_EQ(menu.GetPos(), (vDxPoint{-301, 0}));
    EXPECT_FALSE(menu.IsShown());
    menu.Open();
    EXPECT_EQ(menu.GetPos(), (vDxPoint{0, 0}));
    menu.Close();
    EXPECT_EQ(menu.GetPos(), (vDxPoint{-301, 0}));
}

TEST_F(MenuTest, AMovedOrHiddenMenuLeavesNoTrace) {
    const std::vector<uint32_t> before = Pixels(screen);
    vDxMenu_c menu;
    menu.Buttons().push_back(MakeButton(50, 40));
    menu.Buttons().push_back(MakeButton(50, 30, 200));
    menu.SetDefault(true);
    menu.SetPos({10, 600});
    menu.SetParent(&screen);
    menu.Loaded();
    menu.Open();
    // Hovering redraws a button, and the menu on the screen with it.
    window.OnMouseMove(20, 600 - 70 + 5, 0);
    EXPECT_EQ(PixelAt(screen, 20, 535), screen.MakeColor(200, 40, 0));
    menu.Close();
    menu.Open();
    menu.Hide();
    EXPECT_EQ(Pixels(screen), before);
}

TEST_F(MenuTest, TheActButtonOpensAndClosesItsMenu) {
    vDxMenu_c menu;
    menu.Buttons().push_back(MakeButton(50, 40));
    menu.Buttons().push_back(MakeButton<vDxActMenuBtn_c>(50, 20));
    menu.SetDefault(true);
    menu.SetPos({0, 600});
    menu.SetParent(&screen);
    menu.Loaded();
    Click(10, 590);  // the act button, the only one above the base line
    EXPECT_TRUE(menu.IsOpen());
    EXPECT_EQ(menu.GetPos(), (vDxPoint{0, 540}));
    Click(10, 545);  // now at the top of the open menu
    EXPECT_FALSE(menu.IsOpen());
    EXPECT_EQ(menu.GetPos(), (vDxPoint{0, 580}));
}

TEST_F(MenuTest, AMessageButtonPostsItsMessageBeforeTheRefreshThatFollowsIt) {
    vDxMenu_c menu;
    auto msg = MakeButton<vDxMsgMenuBtn_c>(50, 40);
    msg->SetMessage(1026, 3, 4);
    menu.Buttons().push_back(std::move(msg));
    menu.SetDefault(true);
    menu.SetPos({0, 600});
    menu.SetParent(&screen);
    menu.Loaded();
    menu.Open();
    Click(10, 570);
    const std::vector<platform::Message> posted = TakeMessages();
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[1].id, 1026u);
    EXPECT_EQ(posted[1].p1, 3u);
    EXPECT_EQ(posted[1].p2, 4);
    EXPECT_EQ(posted[2].id, 1028u);
}

TEST_F(MenuTest, ASubMenuOpensBesideItsButtonAndClosesWithTheDrawer) {
    const std::vector<uint32_t> before = Pixels(screen);
    vDxMenu_c menu;
    menu.Buttons().push_back(MakeButton(50, 40));
    auto sub = MakeButton<vDxSubMenuBtn_c>(50, 40);
    auto submenu = std::make_unique<vDxMenu_c>();
    submenu->SetHorizontal(true);
    submenu->Buttons().push_back(MakeButton(30, 20, 250));
    submenu->Buttons().push_back(MakeButton(30, 20, 250));
    submenu->SetPos({60, 500});
    submenu->Loaded();  // no parent yet: laid out once its button is in the menu
    vDxMenu_c* subMenu = submenu.get();
    sub->SetSubMenu(std::move(submenu));
    vDxSubMenuBtn_c* subButton = sub.get();
    menu.Buttons().push_back(std::move(sub));
    menu.SetDefault(true);
    menu.SetPos({0, 600});
    menu.SetParent(&screen);
    menu.Loaded();
    EXPECT_EQ(subMenu->GetParent(), &screen);
    EXPECT_TRUE(subMenu->IsLaidOut());
    menu.Open();
    Click(10, 530);  // the sub-menu button, topmost of the open menu
    EXPECT_TRUE(subButton->IsSubMenuOpen());
    EXPECT_TRUE(subMenu->IsOpen());
    EXPECT_EQ(subButton->Current(), vDxButtonState::kPressed);
    EXPECT_EQ(PixelAt(screen, 70, 505), screen.MakeColor(250, 0, 0));
    menu.Close();
    EXPECT_FALSE(subMenu->IsOpen());
    menu.Hide();
    EXPECT_EQ(Pixels(screen), before);
}

TEST_F(MenuTest, AMenuWithoutButtonsIsEmptyAndHarmless) {
    vDxMenu_c menu;
    menu.SetDefault(true);
    menu.SetParent(&screen);
    const std::vector<uint32_t> before = Pixels(screen);
    EXPECT_TRUE(menu.Loaded());
    menu.Open();
    menu.Refresh();
    menu.Close();
    menu.Hide();
    EXPECT_EQ(menu.GetWidth(), 0);
    EXPECT_EQ(Pixels(screen), before);
}
