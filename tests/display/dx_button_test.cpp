// Buttons and checkboxes driven by synthetic mouse messages through a chain:
// the picture on the parent after each step, clicks and the refresh message.

#include "display/dx_button.h"
#include "platform/exception.h"

#include "dx_test_util.h"

#include <gtest/gtest.h>

using namespace dx_test;

namespace {

constexpr uintptr_t kLeft = static_cast<uintptr_t>(platform::KeyFlag::LeftButton);

// Picture colours: one primary-ish colour per entry.
const uint8_t kColours[8][3] = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {200, 200, 0},
                                {0, 200, 200}, {200, 0, 200}, {90, 90, 90}, {250, 250, 250}};

template <class B>
void GivePictures(B& button, unsigned count, int w = 20, int h = 10) {
    for (unsigned i = 0; i < count; ++i) {
        vDxSimpleImage_c* p = button.Picture(i);
        p->Create(w, h, 32);
        p->FillRect({0, 0, w, h}, p->MakeColor(kColours[i][0], kColours[i][1], kColours[i][2]));
    }
}

struct CountingButton : vDxButton_c {
    int clicks = 0;
    void OnClick() override { ++clicks; }
};

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        TakeMessages();
        parent.Create(100, 80, 32);
        Fill(parent, 0, 0, 0);
        button.SetParent(&parent);
        button.SetPos({30, 40});
        GivePictures(button, 4);
        button.Subscribe(head);
        button.SetPicture(vDxButtonState::kNormal);
    }
    // Which picture the parent shows at the button.
    int Shown() {
        const uint32_t px = PixelAt(parent, 35, 45);
        for (int i = 0; i < 8; ++i)
            if (px == parent.MakeColor(kColours[i][0], kColours[i][1], kColours[i][2])) return i;
        return -1;
    }

    vDxSimpleImage_c parent;
    CountingButton button;
    vCmdTarget_c head;  // stands for the window heading the chains
};

}  // namespace

TEST_F(ButtonTest, AClickShowsHoverPostsTheRefreshAndActs) {
    head.OnMouseMove(35, 45, 0);
    EXPECT_EQ(button.GetState(), vDxButtonState::kHover);
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(head.OnLeftDown(35, 45, kLeft), 0);
    EXPECT_EQ(Shown(), 2);
    EXPECT_TRUE(button.IsTracking());
    head.OnLeftUp(36, 46, 0);
    EXPECT_EQ(button.clicks, 1);
    EXPECT_EQ(button.GetState(), vDxButtonState::kHover);
    EXPECT_EQ(Shown(), 1);
    EXPECT_FALSE(button.IsTracking());
    const std::vector<platform::Message> posted = TakeMessages();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].id, 1028u);
    EXPECT_EQ(posted[0].p1, 0u);
    EXPECT_EQ(posted[0].p2, 0);
}

TEST_F(ButtonTest, PressInsideDragOutAndReleaseIsNoClickAndEndsNormal) {
    head.OnLeftDown(35, 45, kLeft);
    head.OnMouseMove(5, 5, kLeft);
    EXPECT_EQ(Shown(), 0);
    head.OnLeftUp(5, 5, 0);
    EXPECT_EQ(button.clicks, 0);
    EXPECT_EQ(button.GetState(), vDxButtonState::kNormal);
    EXPECT_EQ(Shown(), 0);
    EXPECT_TRUE(TakeMessageIds().empty());
}

TEST_F(ButtonTest, DraggingBackInWhilePressedShowsPressedAndClicks) {
    head.OnLeftDown(35, 45, kLeft);
    head.OnMouseMove(5, 5, kLeft);
    head.OnMouseMove(31, 41, kLeft);
    EXPECT_EQ(button.GetState(), vDxButtonState::kPressed);
    head.OnLeftUp(31, 41, 0);
    EXPECT_EQ(button.clicks, 1);
}

TEST_F(ButtonTest, PressOutsideAndDragInIsHoverNotPressed) {
    head.OnLeftDown(5, 5, kLeft);
    head.OnMouseMove(35, 45, kLeft);
    EXPECT_EQ(button.GetState(), vDxButtonState::kHover);
    head.OnLeftUp(35, 45, 0);
    EXPECT_EQ(button.clicks, 0);
}

TEST_F(ButtonTest, TheEdgesOfThePictureBound) {
    EXPECT_TRUE(button.HitTest(30, 40));
    EXPECT_TRUE(button.HitTest(49, 49));
    EXPECT_FALSE(button.HitTest(50, 45));
    EXPECT_FALSE(button.HitTest(35, 50));
    EXPECT_FALSE(button.HitTest(29, 45));
}

TEST_F(ButtonTest, ADisabledButtonIgnoresClicksAndStaysDisabled) {
    head.OnMouseMove(35, 45, 0);
    button.Disable();
    EXPECT_EQ(Shown(), 3);
    head.OnLeftDown(35, 45, kLeft);
    head.OnLeftUp(35, 45, 0);
    head.OnMouseMove(5, 5, 0);
    head.OnLeftDown(5, 5, kLeft);
    EXPECT_EQ(button.clicks, 0);
    EXPECT_EQ(button.GetState(), vDxButtonState::kDisabled);
    EXPECT_EQ(Shown(), 3);
    EXPECT_TRUE(TakeMessageIds().empty());
    // Enabling shows the state it had before.
    button.Enable();
    EXPECT_EQ(button.GetState(), vDxButtonState::kHover);
    EXPECT_EQ(Shown(), 1);
}

TEST_F(ButtonTest, AHandledPressIsNotPassedOnAndAMissIs) {
    struct Witness : vCmdTarget_c {
        int downs = 0;
        Result OnLeftDown(int, int, std::uintptr_t) override { return ++downs; }
    } earlier;
    // Joined before the button: asked after it.
    earlier.JoinChain(Chain::LeftDown, head);
    button.Subscribe(head);
    head.OnLeftDown(35, 45, kLeft);
    EXPECT_EQ(earlier.downs, 0);
    head.OnLeftDown(5, 5, kLeft);
    EXPECT_EQ(earlier.downs, 1);
}

TEST_F(ButtonTest, AStateWithoutAPictureShowsPictureZero) {
    CountingButton sparse;
    sparse.SetParent(&parent);
    sparse.SetPos({30, 40});
    GivePictures(sparse, 1);
    EXPECT_EQ(sparse.SetState(vDxButtonState::kPressed), vDxButtonState::kNormal);
    EXPECT_EQ(sparse.GetState(), vDxButtonState::kPressed);
    EXPECT_EQ(sparse.Current(), 0);
    EXPECT_EQ(Shown(), 0);
}

TEST_F(ButtonTest, SetCurrentAcceptsTheLastIndexAndRefusesTheCount) {
    EXPECT_NO_THROW(button.SetCurrent(3));
    EXPECT_THROW(button.SetCurrent(4), vException_c);
    EXPECT_THROW(button.SetCurrent(-1), vException_c);
    EXPECT_EQ(button.Current(), 3);
}

TEST(Checkbox, TwoClicksReturnToValueZeroAndTheHoverPicture) {
    TakeMessages();
    vDxSimpleImage_c parent;
    parent.Create(60, 60, 32);
    vDxCheckbox_c box;
    ASSERT_EQ(box.Count(), 6u);
    box.SetParent(&parent);
    GivePictures(box, 6);
    vCmdTarget_c head;
    box.Subscribe(head);
    auto click = [&] {
        head.OnLeftDown(5, 5, kLeft);
        head.OnLeftUp(5, 5, 0);
    };
    click();
    EXPECT_EQ(box.GetValue(), 1u);
    EXPECT_EQ(box.Current(), 5);  // hover of value 1
    EXPECT_EQ(PixelAt(parent, 5, 5), parent.MakeColor(kColours[5][0], kColours[5][1], kColours[5][2]));
    head.OnMouseMove(50, 50, 0);
    EXPECT_EQ(box.Current(), 4);  // normal of value 1
    click();
    EXPECT_EQ(box.GetValue(), 0u);
    EXPECT_EQ(box.Current(), 1);
    EXPECT_EQ(PixelAt(parent, 5, 5), parent.MakeColor(kColours[1][0], kColours[1][1], kColours[1][2]));
    EXPECT_EQ(TakeMessageIds(), (std::vector<platform::MessageId>{1028, 1028}));
}

TEST(Checkbox, MoreValuesResizeThePicturesAndResetTheValue) {
    vDxFileCheckbox_c box;
    box.SetValue(1);
    box.SetValueCount(3);
    EXPECT_EQ(box.Count(), 8u);
    EXPECT_EQ(box.GetValue(), 0u);
    EXPECT_THROW(box.SetValue(3), vException_c);
}

TEST(MsgButton, AClickPostsItsMessageAfterTheRefresh) {
    TakeMessages();
    vDxSimpleImage_c parent;
    parent.Create(40, 40, 32);
    vDxMsgBtn_c button;
    button.SetParent(&parent);
    button.Picture(0)->Create(10, 10, 32);
    button.SetMessage(1032, 7, 9);
    vCmdTarget_c head;
    button.Subscribe(head);
    head.OnLeftDown(2, 2, kLeft);
    head.OnLeftUp(2, 2, 0);
    const std::vector<platform::Message> posted = TakeMessages();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].id, 1028u);
    EXPECT_EQ(posted[1].id, 1032u);
    EXPECT_EQ(posted[1].p1, 7u);
    EXPECT_EQ(posted[1].p2, 9);
}
