#pragma once
// Picture menus: a menu is an image whose buttons are laid out in a row
// (left to right) or a column (bottom up) on its own surface, drawn onto its
// parent (the screen) like a sliding drawer: open, closed (only the last
// button stays visible at the base point) or hidden (left of the screen).
// The menu saves the pixels under itself, so a moved or hidden menu leaves no
// trace. Submenus are menus of sub-menu buttons; they are drawn on the same
// image as the menu that holds the button.
//
// Menus and their buttons join the main window's mouse chains (dx_button.h)
// and ask the menu application to pause and resume its exercise while open.
// User-interface thread only.

#include "display/dx_button.h"

#include <memory>
#include <vector>

class vDxMenu_c;
class vDxSubMenuBtn_c;

// What an open menu asks of the application: the running exercise pauses
// while a menu is open and resumes when it closes. The main window
// implements it when it runs exercises.
class vDxMenuHost_i {
public:
    virtual ~vDxMenuHost_i() = default;
    virtual void PauseExercise() = 0;
    virtual void ResumeExercise() = 0;
};

// A file button that belongs to a menu (its parent).
class vDxMenuBtn_c : public vDxFileButton_c {
    V_RTTI_CLASS(vDxMenuBtn_c, vDxFileButton_c)
public:
    // The menu the button is in, null before layout.
    vDxMenu_c* Menu() const;
    // The enclosing menu closes: a sub-menu button closes its submenu.
    virtual void MenuClosing() {}
    // Another button's submenu opens: close this one's.
    virtual void CloseSubMenu() {}
    // Shows the picture of the current state again.
    virtual void RestorePicture() { SetPicture(mState); }
    // The menu was drawn again: a sub-menu button refreshes its open submenu.
    virtual void RefreshSubMenu() {}
};

using vDxMenuBtnList_c = std::vector<std::unique_ptr<vDxMenuBtn_c>>;

class vDxMenu_c : public vDxSimpleImage_c {
    V_RTTI_CLASS(vDxMenu_c, vDxSimpleImage_c)
public:
    vDxMenu_c() = default;
    ~vDxMenu_c() override;

    vDxMenuBtnList_c& Buttons() { return mButtons; }
    bool Horizontal() const { return mHorizontal; }
    void SetHorizontal(bool horizontal) { mHorizontal = horizontal; }
    bool IsDefault() const { return mDefault; }
    void SetDefault(bool isDefault) { mDefault = isDefault; }
    bool IsOpen() const { return mOpen; }
    // The menu's pixels are on its parent.
    bool IsShown() const { return mShown; }

    // Lays the buttons out when the menu has a parent (else once it gets one).
    bool Loaded() override;
    void SetParent(vDxImage_i* parent) override;
    // Places the buttons, creates the surface, draws the buttons and closes
    // (a Default menu) or hides the menu.
    void Layout();
    bool IsLaidOut() const { return mLaidOut; }

    // The resting places of the drawer (base point as loaded, scaled).
    vDxPoint OpenPos() const;
    vDxPoint ClosedPos() const;
    vDxPoint HiddenPos() const;

    virtual void Open();
    virtual void Close();
    // Every button draws itself again, open submenus too, then the menu.
    virtual void Refresh();
    virtual void EnableAll();
    virtual void DisableAll();
    // Moves the menu fully left of the visible area.
    virtual void Hide();
    virtual void SetActiveSubMenu(vDxSubMenuBtn_c* button) { mActiveSub = button; }
    vDxSubMenuBtn_c* ActiveSubMenu() const { return mActiveSub; }
    virtual void CloseOtherSubMenus(vDxMenuBtn_c* except);
    virtual void RestoreOtherPictures(vDxMenuBtn_c* except);

protected:
    // A button drew on the menu: the menu shows it on its parent.
    void Changed() override;

    vDxMenuBtnList_c mButtons;
    bool mHorizontal = false;
    bool mDefault = false;

private:
    // Puts the menu on its parent at pos (the old place gets its pixels back).
    void MoveTo(vDxPoint pos);
    // Gives the parent back the pixels under the menu.
    void TakeOff();

    vDxPoint mBase;
    bool mLoaded = false;
    bool mLaidOut = false;
    bool mOpen = false;
    bool mShown = false;
    bool mDrawing = false;
    bool mSubWasOpen = false;
    vDxSubMenuBtn_c* mActiveSub = nullptr;
    std::unique_ptr<vDxSimpleImage_c> mBackground;
};

// Asks the menu application to refresh its root menu (the command itself is
// performed by the application's own button classes).
class vDxCmdMenuBtn_c : public vDxMenuBtn_c {
    V_RTTI_CLASS(vDxCmdMenuBtn_c, vDxMenuBtn_c)
public:
    void OnClick() override { RequestRefresh(); }
};

// Posts (Msg, WParam, LParam) to the main window, then asks for the refresh.
class vDxMsgMenuBtn_c : public vDxMenuBtn_c {
    V_RTTI_CLASS(vDxMsgMenuBtn_c, vDxMenuBtn_c)
public:
    void SetMessage(uint32_t msg, uint32_t wParam, uint32_t lParam) {
        mMsg = msg;
        mWParam = wParam;
        mLParam = lParam;
    }
    void OnClick() override;

protected:
    uint32_t mMsg = 0, mWParam = 0, mLParam = 0;
};

// Opens its menu when closed, closes it when open.
class vDxActMenuBtn_c : public vDxMenuBtn_c {
    V_RTTI_CLASS(vDxActMenuBtn_c, vDxMenuBtn_c)
public:
    void OnClick() override;
};

// Opens a submenu; stays pressed while the submenu is open.
class vDxSubMenuBtn_c : public vDxMenuBtn_c {
    V_RTTI_CLASS(vDxSubMenuBtn_c, vDxMenuBtn_c)
public:
    // Starts with an empty submenu that the definition fills.
    vDxSubMenuBtn_c();
    vDxMenu_c* SubMenu() const { return mMenu.get(); }
    void SetSubMenu(std::unique_ptr<vDxMenu_c> menu);
    bool IsSubMenuOpen() const { return mSubOpen; }
    // Opens the submenu (the enclosing menu closes the others first).
    void OpenSubMenu();

    void SetParent(vDxImage_i* parent) override;
    void OnClick() override;
    void MenuClosing() override { CloseSubMenu(); }
    void CloseSubMenu() override;
    void RefreshSubMenu() override;

protected:
    int PictureIndex(int state) const override;

    std::unique_ptr<vDxMenu_c> mMenu;

private:
    bool mSubOpen = false;
};
