#pragma once
// vTrMainWin_c: the application object of trainer, which is also its main
// window and the root of everything shown. It opens the window the start-up
// record asks for (800 x 600 in a window, or the whole display), titles it
// from "Application/Title", fills it with the palette's grey and serves the
// message loop until the window is closed. User-interface thread only.

#include "display/events/window.h"
#include "shell/command_line.h"

class vTrMainWin_c : public vWindow_c {
public:
    // Screen mode and debug prompt come from the start-up record.
    explicit vTrMainWin_c(const vTrStartup_c& startup);
    ~vTrMainWin_c() override;

    // Titles and opens the window, paints it once, then runs Init.
    void Create() override;
    Result OnPaint() override;

protected:
    // Brings the application up once its window exists; a vException_c from
    // here reaches Run and is fatal.
    virtual void Init();
};

// The one application object while it exists (null otherwise).
extern vTrMainWin_c* gApp;
