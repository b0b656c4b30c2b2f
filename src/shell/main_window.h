#pragma once
// vTrMainWin_c: the application object of trainer, which is also its main
// window, its screen and the root of everything shown. It opens the window
// the start-up record asks for (the actual resolution in a window, or the
// whole display), titles it from "Application/Title", brings up the menu
// application (video mode, screen, drawn pointers in full screen), the
// optional picture cache, the grey background and the root menu
// ".Drawer.dat", and serves the message loop until the window is closed.
// User-interface thread only.

#include "display/dx_image_array.h"
#include "display/dx_window.h"
#include "shell/command_line.h"

#include <memory>

// The application classes (exercises, application messages) derive between
// the menu application and this class.
class vTrMainWin_c : public vDxMenuApp_c {
public:
    // Screen mode and debug prompt come from the start-up record.
    explicit vTrMainWin_c(const vTrStartup_c& startup);
    ~vTrMainWin_c() override;

    using vDxMenuApp_c::Create;
    // Titles and opens the window, paints it once, then runs Init.
    void Create() override;

protected:
    // Brings the application up once its window exists; a vException_c from
    // here reaches Run and is fatal.
    virtual void Init();

private:
    // "Application/CacheName": pictures that "name?index" file names refer to.
    void LoadPictureCache();

    std::unique_ptr<vDxSimpleImageArray_c> mCache;
};

// The one application object while it exists (null otherwise).
extern vTrMainWin_c* gApp;
