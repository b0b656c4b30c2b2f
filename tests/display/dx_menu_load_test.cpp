// Menus, buttons and sprites from definition files: the registered
// properties, and bad definitions. (The bundled drawer, whose buttons
// include the shell's, is loaded in the shell's tests.)

#include "display/dx_window.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "platform/exception.h"

#include "dx_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dx_test;

namespace {

// Loads relative to the bundled English data for the length of a test.
class InEnglishData : public ::testing::Test {
protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        std::filesystem::current_path(LORVANO_SOURCE_DIR "/data/english");
        // Pictures are made at the screen's depth, unscaled.
        UseDesignScreen(32);
        screen.Create(800, 600, 32);
        Fill(screen, 128, 128, 128);
        TakeMessages();
    }
    void TearDown() override {
        SetDxScreenInfo({});
        std::filesystem::current_path(previous);
    }

    std::string LoadError(const std::string& text, vPropCntnr_c& root) {
        try {
            LoadDefinitionText("menu.dat", text, root);
        } catch (const vException_c& e) {
            return e.Message();
        }
        return "";
    }

    std::filesystem::path previous;
    vDxSimpleImage_c screen;
};

}  // namespace

TEST_F(InEnglishData, ButtonsAndSpritesReadTheirProperties) {
    vLoader_c loader;
    LoadDefinitionText("b.dat",
                       "<vDxMsgBtn_c> Obj = { Msg = 1032; WParam = 5; LParam = 6; PosX = 3; State = 3;"
                       " _Images[1] = { FileName = \".Pic/Drawer/Print1.bmp\"; } }",
                       loader);
    auto* button = dynamic_cast<vDxMsgBtn_c*>(loader.Object());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetState(), vDxButtonState::kDisabled);
    EXPECT_EQ(button->GetPos().x, 3);
    EXPECT_EQ(button->Picture(1)->GetWidth(), 96);
    vCmdTarget_c head;
    button->Subscribe(head);
    button->Enable();

    LoadDefinitionText("s.dat",
                       "<vDxFileSprite_c> Obj = { FileName = \".Pic/Cursors/Arrow.bmp\"; HotSpot = (4, 5);"
                       " TransparentColor = $0000FF; }",
                       loader);
    auto* sprite = dynamic_cast<vDxFileSprite_c*>(loader.Object());
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->GetHotSpot(), (vDxPoint{4, 5}));
    EXPECT_EQ(sprite->GetTransparentColor(), 0x0000FFu);
    EXPECT_EQ(sprite->GetWidth(), 32);

    LoadDefinitionText("c.dat", "<vDxFileCheckbox_c> Obj = { }", loader);
    auto* box = dynamic_cast<vDxFileCheckbox_c*>(loader.Object());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Count(), 6u);
}

TEST_F(InEnglishData, AMenuWithoutButtonsLoadsEmpty) {
    vDxMenu_c menu;
    menu.SetParent(&screen);
    const std::vector<uint32_t> before = Pixels(screen);
    EXPECT_EQ(LoadError("Default = TRUE; Buttons = { }", menu), "");
    EXPECT_TRUE(menu.IsLaidOut());
    EXPECT_EQ(menu.GetWidth(), 0);
    menu.Open();
    EXPECT_EQ(Pixels(screen), before);
}

TEST_F(InEnglishData, BadDefinitionsNameTheFileAndLine) {
    vDxMenu_c menu;
    menu.SetParent(&screen);
    EXPECT_EQ(LoadError("Buttons = {\n <vDxSprite_c> = { }\n}", menu),
              "Exception [Cannot create non vDxMenuBtn_c derivative class!] occured with error code: 0.\n");
    vDxMenu_c other;
    EXPECT_NE(LoadError("Buttons = {\n <vDxCmdMenuBtn_c> = { _Images[0] = { FileName = \"none.bmp\"; } }\n}", other)
                  .find("none.bmp"),
              std::string::npos);
    vLoader_c loader;
    EXPECT_NE(LoadError("<vDxFileImageArray_c> Obj = {\n _Images[100000] = { }\n}", loader), "");
    EXPECT_NE(LoadError("<vDxSimpleImageArray_c> Obj = { ImageCount = 4000000000; }", loader), "");
}
