#include "shell/main_window.h"

#include "exercises/exercise.h"
#include "objects/prop_strm.h"
#include "objects/token_stream.h"
#include "platform/message.h"
#include "platform/message_box.h"
#include "settings/settings.h"
#include "shell/app_messages.h"
#include "shell/files/dir_entry_link.h"

vTrMainWin_c* gApp = nullptr;

V_REGISTER_CLASS(vTrMainWin_c);

namespace {

// The background: grey, entry 248 of the 8-bit palette.
constexpr int kBackgroundColour = 248;

}  // namespace

vTrMainWin_c::vTrMainWin_c(const vTrStartup_c& startup) : mStartup(startup) {
    SetScreenMode(startup.fullScreen ? platform::ScreenMode::FullScreen : platform::ScreenMode::Windowed);
    SetDebugPrompt(startup.debugPrompt);
    gApp = this;
}

vTrMainWin_c::~vTrMainWin_c() {
    CloseExercise();
    SetDataPathHook({});
    SetImageCache({});
    if (gApp == this) gApp = nullptr;
}

void vTrMainWin_c::Create() {
    // The title is known before the window shows, so it never appears untitled.
    char title[100];
    gSettings.GetString("Application/Title", title, sizeof title, "");
    SetTitle(title);
    vTrApp_c::Create();
    platform::Dispatch({Handle(), platform::msg::kPaint, 0, 0});
    Init();
}

void vTrMainWin_c::Init() {
    char primary[260];
    gSettings.GetString("Application/PrimarySrcPath", primary, sizeof primary, "");
    mPrimarySrcPath = primary;
    SetDataPathHook([this](const std::string& name) { return ResolveDataPath(name); });
    InitMenuApp();
    LoadPictureCache();
    FillRect({0, 0, GetWidth(), GetHeight()}, MakeColor(kBackgroundColour));
    LoadDefinitionFile(".Drawer.dat", RootMenu());
    Home();
}

std::string vTrMainWin_c::ResolveDataPath(const std::string& name) const {
    if (mPrimarySrcPath.empty()) return name;
    const vDirEntryLink_c candidate(mPrimarySrcPath + "/" + name);
    if (candidate.Exists() && !candidate.IsDirectory()) return candidate.FullPath();
    return name;
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

vCmdTarget_c::Result vTrMainWin_c::OnUserMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    switch (id) {
        case app_msg::kPrint:
            PrintScreen();
            return 0;
    }
    return vTrApp_c::OnUserMessage(id, p1, p2);
}

vCmdTarget_c::Result vTrMainWin_c::OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    return vTrApp_c::OnMessage(id, p1, p2);
}

void vTrMainWin_c::PrintScreen() {
    platform::ShowMessageBox({"Printing is not available in this version of Lorvano.", "Print",
                              platform::BoxIcon::Information, platform::BoxButtons::Ok});
}

int vTrMainWin_c::SaveSayForStudent(int, const std::string&, const std::string&) { return 0; }
int vTrMainWin_c::TeacherLoggedIn() { return 0; }
int vTrMainWin_c::SelectStudentFile(std::string&, const std::string&) { return 0; }
int vTrMainWin_c::SelectStudentExerciseFile(std::string&, std::string&) { return 0; }
