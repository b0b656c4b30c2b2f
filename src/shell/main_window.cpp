#include "shell/main_window.h"

#include "platform/message.h"
#include "platform/video.h"
#include "shell/settings/settings.h"

vTrMainWin_c* gApp = nullptr;

namespace {

// The background: grey, entry 248 of the 8-bit palette.
constexpr int kBackgroundColour = 248;

platform::Rgb Background() {
    const platform::PaletteEntry grey = platform::SystemColor(kBackgroundColour);
    return {grey.red, grey.green, grey.blue};
}

}  // namespace

vTrMainWin_c::vTrMainWin_c(const vTrStartup_c& startup) {
    SetScreenMode(startup.fullScreen ? platform::ScreenMode::FullScreen : platform::ScreenMode::Windowed);
    SetPosition(-1, -1, 800, 600);
    SetDebugPrompt(startup.debugPrompt);
    gApp = this;
}

vTrMainWin_c::~vTrMainWin_c() {
    if (gApp == this) gApp = nullptr;
}

void vTrMainWin_c::Create() {
    // The title is known before the window shows, so it never appears untitled.
    char title[100];
    gSettings.GetString("Application/Title", title, sizeof title, "");
    SetTitle(title);
    vWindow_c::Create();
    platform::Dispatch({Handle(), platform::msg::kPaint, 0, 0});
    Init();
}

void vTrMainWin_c::Init() {
    // The menu application (video mode, screen image, picture pointers), the
    // picture cache, the root menu ".Drawer.dat", the start exercise and the
    // teacher's login plug in here, before the screen is filled.
    platform::FillWindow(Handle(), Background());
}

vCmdTarget_c::Result vTrMainWin_c::OnPaint() {
    platform::FillWindow(Handle(), Background());
    return 0;
}
