#include "display/dx_menu.h"

#include <algorithm>

namespace {

vDxMenuHost_i* Host() { return dynamic_cast<vDxMenuHost_i*>(DxMainWindow()); }

}  // namespace

vDxMenu_c* vDxMenuBtn_c::Menu() const { return dynamic_cast<vDxMenu_c*>(GetParent()); }

vDxMenu_c::~vDxMenu_c() {
    // The buttons (and their submenus) go while the menu is still whole.
    mButtons.clear();
}

bool vDxMenu_c::Loaded() {
    mLoaded = true;
    if (GetParent() && !mLaidOut) Layout();
    return true;
}

void vDxMenu_c::SetParent(vDxImage_i* parent) {
    if (parent != GetParent()) TakeOff();
    vDxSimpleImage_c::SetParent(parent);
    if (parent && mLoaded && !mLaidOut) Layout();
}

void vDxMenu_c::Layout() {
    vDxImage_i* parent = GetParent();
    if (!parent) return;
    mBase = ScaleToScreen(GetPos().x, GetPos().y);
    int width = 0, height = 0;
    for (auto& b : mButtons) b->SetParent(this);
    if (mHorizontal) {
        for (auto& b : mButtons) {
            b->SetPos({width, 0});
            width += b->GetWidth();
            height = std::max(height, b->GetHeight());
        }
    } else {
        for (auto& b : mButtons) {
            height += b->GetHeight();
            width = std::max(width, b->GetWidth());
        }
        int y = height;
        for (auto& b : mButtons) {
            y -= b->GetHeight();
            b->SetPos({0, y});
        }
    }
    if (vWindow_c* window = DxMainWindow())
        for (auto& b : mButtons) b->Subscribe(*window);
    mLaidOut = true;
    // A menu without buttons (or without pictures) has nothing to show.
    if (width <= 0 || height <= 0) return;
    Create(width, height, parent->GetBPP());
    mDrawing = true;
    for (auto& b : mButtons) b->Redraw();
    mDrawing = false;
    if (mDefault)
        Close();
    else
        Hide();
}

vDxPoint vDxMenu_c::OpenPos() const {
    return mHorizontal ? mBase : vDxPoint{mBase.x, mBase.y - GetHeight()};
}

vDxPoint vDxMenu_c::ClosedPos() const {
    if (mButtons.empty()) return OpenPos();
    const vDxMenuBtn_c& last = *mButtons.back();
    return mHorizontal ? vDxPoint{mBase.x + last.GetWidth() - GetWidth(), mBase.y}
                       : vDxPoint{mBase.x, mBase.y - last.GetHeight()};
}

vDxPoint vDxMenu_c::HiddenPos() const { return {-GetWidth() - 1, GetPos().y}; }

void vDxMenu_c::TakeOff() {
    if (!mShown) return;
    mShown = false;
    if (vDxImage_i* parent = GetParent())
        parent->BltClipped(GetPos(), *mBackground, {0, 0, mBackground->GetWidth(), mBackground->GetHeight()});
}

void vDxMenu_c::MoveTo(vDxPoint pos) {
    TakeOff();
    SetPos(pos);
    vDxImage_i* parent = GetParent();
    if (!parent || !GetSurface()) return;
    if (!mBackground || mBackground->GetWidth() != GetWidth() || mBackground->GetHeight() != GetHeight() ||
        mBackground->GetBPP() != parent->GetBPP()) {
        mBackground = std::make_unique<vDxSimpleImage_c>();
        mBackground->Create(GetWidth(), GetHeight(), parent->GetBPP());
    }
    mBackground->BltClipped({0, 0}, *parent, {pos.x, pos.y, GetWidth(), GetHeight()});
    mShown = true;
    parent->BltImage(pos, *this);
}

void vDxMenu_c::Changed() {
    vDxSimpleImage_c::Changed();
    if (mShown && !mDrawing)
        if (vDxImage_i* parent = GetParent()) parent->BltImage(GetPos(), *this);
}

void vDxMenu_c::Open() {
    if (mOpen || !mLaidOut) return;
    if (vDxMenuHost_i* host = Host()) host->PauseExercise();
    if (vWindow_c* window = DxMainWindow())
        for (auto& b : mButtons) b->Subscribe(*window);
    mDrawing = true;
    for (auto& b : mButtons) b->Redraw();
    mDrawing = false;
    MoveTo(OpenPos());
    mOpen = true;
    if (mSubWasOpen && mActiveSub) mActiveSub->OpenSubMenu();
}

void vDxMenu_c::Close() {
    if (!mLaidOut) return;
    const bool wasOpen = mOpen;
    mSubWasOpen = mActiveSub && mActiveSub->IsSubMenuOpen();
    for (auto& b : mButtons) b->MenuClosing();
    if (mDefault)
        MoveTo(ClosedPos());
    else
        Hide();
    mOpen = false;
    if (wasOpen)
        if (vDxMenuHost_i* host = Host()) host->ResumeExercise();
}

void vDxMenu_c::Refresh() {
    if (!mLaidOut) return;
    mDrawing = true;
    for (auto& b : mButtons) b->Redraw();
    mDrawing = false;
    if (mShown)
        if (vDxImage_i* parent = GetParent()) parent->BltImage(GetPos(), *this);
    // Submenus lie over the menu that holds their buttons.
    for (auto& b : mButtons) b->RefreshSubMenu();
}

void vDxMenu_c::EnableAll() {
    for (auto& b : mButtons) b->Enable();
}

void vDxMenu_c::DisableAll() {
    for (auto& b : mButtons) b->Disable();
}

void vDxMenu_c::Hide() {
    TakeOff();
    SetPos(HiddenPos());
}

void vDxMenu_c::CloseOtherSubMenus(vDxMenuBtn_c* except) {
    for (auto& b : mButtons)
        if (b.get() != except) b->CloseSubMenu();
}

void vDxMenu_c::RestoreOtherPictures(vDxMenuBtn_c* except) {
    for (auto& b : mButtons)
        if (b.get() != except) b->RestorePicture();
}

void vDxMsgMenuBtn_c::OnClick() {
    PostToDxMainWindow(mMsg, mWParam, mLParam);
    RequestRefresh();
}

void vDxActMenuBtn_c::OnClick() {
    vDxMenu_c* menu = Menu();
    if (!menu) return;
    if (menu->IsOpen())
        menu->Close();
    else
        menu->Open();
}

vDxSubMenuBtn_c::vDxSubMenuBtn_c() : mMenu(std::make_unique<vDxMenu_c>()) {}

void vDxSubMenuBtn_c::SetSubMenu(std::unique_ptr<vDxMenu_c> menu) {
    mMenu = std::move(menu);
    if (mMenu) mMenu->SetParent(GetParent() ? GetParent()->GetParent() : nullptr);
}

void vDxSubMenuBtn_c::SetParent(vDxImage_i* parent) {
    vDxMenuBtn_c::SetParent(parent);
    // Both menus are drawn on the same image.
    if (mMenu) mMenu->SetParent(parent ? parent->GetParent() : nullptr);
}

int vDxSubMenuBtn_c::PictureIndex(int state) const {
    if (mSubOpen && state != vDxButtonState::kDisabled)
        return HasPicture(vDxButtonState::kPressed) ? vDxButtonState::kPressed : 0;
    return vDxMenuBtn_c::PictureIndex(state);
}

void vDxSubMenuBtn_c::OpenSubMenu() {
    if (!mMenu || mState == vDxButtonState::kDisabled) return;
    mSubOpen = true;
    MarkDirty();
    ShowHover();
    if (vDxMenu_c* menu = Menu()) {
        menu->SetActiveSubMenu(this);
        menu->CloseOtherSubMenus(this);
    }
    mMenu->Open();
}

void vDxSubMenuBtn_c::OnClick() {
    // A second click puts the submenu away again.
    if (mSubOpen)
        CloseSubMenu();
    else
        OpenSubMenu();
}

void vDxSubMenuBtn_c::CloseSubMenu() {
    if (!mSubOpen) return;
    mSubOpen = false;
    if (mMenu) mMenu->Close();
    MarkDirty();
    SetPicture(mState);
}

void vDxSubMenuBtn_c::RefreshSubMenu() {
    if (mSubOpen && mMenu) mMenu->Refresh();
}
