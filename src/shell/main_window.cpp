#include "shell/main_window.h"

#include "objects/prop_strm.h"
#include "platform/message.h"
#include "settings/settings.h"

vTrMainWin_c* gApp = nullptr;

namespace {

// The background: grey, entry 248 of the 8-bit palette.
constexpr int kBackgroundColour = 248;

}  // namespace

vTrMainWin_c::vTrMainWin_c(const vTrStartup_c& startup) {
    SetScreenMode(startup.fullScreen ? platform::ScreenMode::FullScreen : platform::ScreenMode::Windowed);
    SetDebugPrompt(startup.debugPrompt);
    gApp = this;
}

vTrMainWin_c::~vTrMainWin_c() {
    SetImageCache({});
    if (gApp == this) gApp = nullptr;
}

void vTrMainWin_c::Create() {
    // The title is known before the window shows, so it never appears untitled.
    char title[100];
    gSettings.GetString("Application/Title", title, sizeof title, "");
    SetTitle(title);
    vDxMenuApp_c::Create();
    platform::Dispatch({Handle(), platform::msg::kPaint, 0, 0});
    Init();
}

void vTrMainWin_c::Init() {
    InitMenuApp();
    LoadPictureCache();
    FillRect({0, 0, GetWidth(), GetHeight()}, MakeColor(kBackgroundColour));
    LoadDefinitionFile(".Drawer.dat", RootMenu());
    // The start exercise and the teacher's login follow here once the
    // application classes run exercises.
}

void vTrMainWin_c::LoadPictureCache() {
    char name[100];
    gSettings.GetString("Application/CacheName", name, sizeof name, "");
    if (!*name) return;
    const unsigned size = gSettings.GetUnsigned("Application/CacheSize", 10);
    // A cache that fails to load keeps what it got; start-up goes on.
    try {
        mCache = std::make_unique<vDxSimpleImageArray_c>();
        mCache->SetParent(this);
        mCache->SetCount(size);
        SetImageCache([cache = mCache.get()](unsigned index) -> vDxImage_i& {
            vDxSimpleImage_c* picture = cache->Picture(index);
            if (!picture) throw vPrintException_c(0, "Picture cache has no image %u", index);
            return *picture;
        });
        LoadDefinitionFile(name, *mCache);
    } catch (const vException_c&) {
    }
}
