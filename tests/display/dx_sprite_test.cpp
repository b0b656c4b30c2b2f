// Sprites over a patterned parent: what they cover, that hiding gives back
// every pixel, that locks of the parent take them away, and nesting.

#include "display/dx_sprite.h"

#include "dx_test_util.h"

#include <gtest/gtest.h>

using namespace dx_test;

namespace {

class SpriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent.Create(64, 48, 32);
        FillPattern(parent);
        before = Pixels(parent);
        // 8 x 6 red with a pure-blue (transparent) left column.
        sprite.Create(8, 6, 32);
        Fill(sprite, 255, 0, 0);
        sprite.FillRect({0, 0, 1, 6}, sprite.MakeColor(0, 0, 255));
        sprite.SetTransparentColor(0x0000FF);
        sprite.SetHotSpot({2, 1});
        sprite.SetParent(&parent);
    }

    vDxSimpleImage_c parent;
    vDxSprite_c sprite;
    std::vector<uint32_t> before;
};

}  // namespace

TEST_F(SpriteTest, ShowDrawsAtTheHotSpotWithItsKeyAndHideRestoresEveryPixel) {
    sprite.Show({20, 10});
    const uint32_t red = parent.MakeColor(255, 0, 0);
    EXPECT_EQ(SeenAt(parent, 19, 9), red);   // top-left (18, 9) is the transparent column
    EXPECT_EQ(SeenAt(parent, 25, 14), red);  // bottom-right
    EXPECT_EQ(SeenAt(parent, 18, 9), before[9 * 64 + 18]);
    EXPECT_EQ(SeenAt(parent, 26, 14), before[14 * 64 + 26]);
    EXPECT_TRUE(sprite.IsVisible());
    sprite.Hide();
    EXPECT_FALSE(sprite.IsVisible());
    EXPECT_EQ(Pixels(parent), before);
}

TEST_F(SpriteTest, MovingOverEveryEdgeLeavesTheParentUnchanged) {
    for (vDxPoint at : {vDxPoint{0, 0}, vDxPoint{63, 47}, vDxPoint{-3, 20}, vDxPoint{30, -4}, vDxPoint{62, 2}}) {
        sprite.MoveTo(at);
        if (!sprite.IsVisible()) sprite.Show(at);
    }
    sprite.Hide();
    EXPECT_EQ(Pixels(parent), before);
}

TEST_F(SpriteTest, ALockOfTheParentTakesTheSpriteAwayUntilTheUnlock) {
    sprite.Show({20, 10});
    parent.Lock();
    EXPECT_FALSE(sprite.IsVisible());
    parent.Unlock();
    EXPECT_TRUE(sprite.IsVisible());
    // Drawing through a pixel access object never lands under the sprite's save.
    {
        auto dc = parent.CreateDC();
        dc->PutPixel(20, 10, parent.MakeColor(1, 2, 3));
    }
    EXPECT_EQ(SeenAt(parent, 20, 10), parent.MakeColor(255, 0, 0));
    sprite.Hide();
    EXPECT_EQ(SeenAt(parent, 20, 10), parent.MakeColor(1, 2, 3));
}

TEST_F(SpriteTest, NestedUpdatesShowTheSpriteOnlyAfterTheOutermostEnd) {
    sprite.Show({20, 10});
    sprite.BeginUpdate();
    sprite.BeginUpdate();
    EXPECT_EQ(Pixels(parent), before);
    sprite.EndUpdate();
    EXPECT_FALSE(sprite.IsVisible());
    EXPECT_EQ(Pixels(parent), before);
    sprite.EndUpdate();
    EXPECT_TRUE(sprite.IsVisible());
    EXPECT_EQ(SeenAt(parent, 20, 10), parent.MakeColor(255, 0, 0));
}

TEST_F(SpriteTest, AnUpdateOfAHiddenSpriteLeavesItHidden) {
    sprite.BeginUpdate();
    sprite.EndUpdate();
    sprite.EndUpdate();  // unbalanced: ignored
    EXPECT_FALSE(sprite.IsVisible());
    EXPECT_EQ(Pixels(parent), before);
}

TEST(ArraySprite, ThePictureShownIsTheCurrentOne) {
    vDxSimpleImage_c parent;
    parent.Create(32, 32, 32);
    Fill(parent, 0, 0, 0);
    vDxFileImgArrSprite_c pointer;
    pointer.SetCount(2);
    pointer.Picture(0)->Create(4, 4, 32);
    Fill(*pointer.Picture(0), 0, 255, 0);
    pointer.Picture(1)->Create(4, 4, 32);
    Fill(*pointer.Picture(1), 255, 255, 0);
    pointer.SetParent(&parent);
    pointer.Show({10, 10});
    EXPECT_EQ(SeenAt(parent, 10, 10), parent.MakeColor(0, 255, 0));
    pointer.BeginUpdate();
    pointer.SetCurrent(1);
    pointer.EndUpdate();
    EXPECT_EQ(SeenAt(parent, 10, 10), parent.MakeColor(255, 255, 0));
    pointer.Hide();
    EXPECT_EQ(SeenAt(parent, 10, 10), parent.MakeColor(0, 0, 0));
}
