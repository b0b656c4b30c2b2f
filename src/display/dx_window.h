#pragma once
// The windows of the picture interface.
//
// vDxWindow_t: a window that is also its screen image. The client area (and
// the screen) has the actual resolution, limited to the design resolution;
// mouse positions arrive in screen pixels (the screen maps them in full
// screen). The first one made is
// the main window that buttons post to and menus join (dx_button.h).
//
// vDxMouseWindow_c: in full screen the pointer is drawn: a sprite over the
// twelve pictures of ".Pic/Cursors" (pure blue is transparent), hidden while
// a message is handled and shown again at the mouse. Otherwise, or with the
// system pointer asked for, the platform's pointer is used.
//
// vDxMenuApp_c: the menu application; owns the root menu ("Menu"), which is
// drawn on the screen, and refreshes it on message 1028.
//
// User-interface thread only.

#include "display/dx_menu.h"
#include "display/dx_screen.h"
#include "display/dx_sprite.h"

template <class Screen>
class vDxWindow_t : public vWindow_c, public Screen {
public:
    using vWindow_c::Create;
    using Screen::Create;

    vDxWindow_t();
    ~vDxWindow_t() override;

    bool FullScreen() const { return ScreenMode() == platform::ScreenMode::FullScreen; }
    int DefaultResX() const { return mDefaultResX; }
    int DefaultResY() const { return mDefaultResY; }
    int ActualResX() const { return mActualResX; }
    int ActualResY() const { return mActualResY; }

    // Creates the screen image at the actual resolution and the depth of
    // "ScreenMode/BPP" on the open window.
    virtual void SetVideoMode();

    // The frame, or the start picture before the screen exists.
    vCmdTarget_c::Result OnPaint() override;

private:
    int mDefaultResX = 800, mDefaultResY = 600;
    int mActualResX = 800, mActualResY = 600;
};

class vDxWindow_c : public vDxWindow_t<vDxScreen_c> {
    V_RTTI_CLASS(vDxWindow_c, vDxSimpleImage_c)
};

class vDxMouseWindow_c : public vDxWindow_c {
    V_RTTI_CLASS(vDxMouseWindow_c, vDxWindow_c)
public:
    static constexpr int kPointerCount = 12;

    // Use the platform's pointer even in full screen (before LoadPointers).
    void SetSystemPointer(bool on) { mSystemPointer = on; }
    bool SystemPointer() const { return mSystemPointer; }
    // In full screen without the system pointer: hides the platform pointer,
    // loads the twelve pictures and selects the arrow (pointer 2). When a
    // picture cannot be loaded the platform's pointer stays.
    virtual void LoadPointers();
    // The drawn pointer, null when the platform's is used.
    vDxFileImgArrSprite_c* Pointer() const { return mPointer.get(); }

    void SetCursor(int index) override;
    int GetCursorIndex() override;
    // Every message but paint is handled with the drawn pointer taken away;
    // after a mouse message it is shown at the mouse.
    vCmdTarget_c::Result OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override;

private:
    bool mSystemPointer = false;
    std::unique_ptr<vDxFileImgArrSprite_c> mPointer;
};

class vDxMenuApp_c : public vDxMouseWindow_c, public vDxMenuHost_i {
    V_RTTI_CLASS(vDxMenuApp_c, vDxMouseWindow_c)
public:
    vDxMenuApp_c();
    ~vDxMenuApp_c() override;

    // Video mode and screen, the drawn pointers, and an empty root menu on the screen.
    virtual void InitMenuApp();
    vDxMenu_c& RootMenu() { return *mMenu; }
    void RefreshRootMenu();

    // The plain menu application runs no exercise.
    void PauseExercise() override {}
    void ResumeExercise() override {}

    // 1028 refreshes the root menu.
    vCmdTarget_c::Result OnUserMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override;

protected:
    std::unique_ptr<vDxMenu_c> mMenu;
};
