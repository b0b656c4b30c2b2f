#include "shell/main_window.h"

#include "display/dialogs/dialogs.h"
#include "exercises/exercise.h"
#include "objects/prop_strm.h"
#include "objects/token_stream.h"
#include "platform/message.h"
#include "platform/message_box.h"
#include "platform/message_queue.h"
#include "platform/module.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "shell/app_messages.h"
#include "shell/application_keys.h"
#include "shell/files/dir_entry_link.h"

#include <algorithm>

V_REGISTER_CLASS(vTrMainWin_c);

namespace {

// The background: grey, entry 248 of the 8-bit palette.
constexpr int kBackgroundColour = 248;

}  // namespace

vTrMainWin_c::vTrMainWin_c(const vTrStartup_c& startup) {
    SetScreenMode(startup.fullScreen ? platform::ScreenMode::FullScreen : platform::ScreenMode::Windowed);
    SetDebugPrompt(startup.debugPrompt);
    // The companion libraries use GTK, which cannot be taken out of the
    // process cleanly once loaded (its type system keeps pointers into the
    // libraries that registered types). The program holds it for the whole
    // run, so that freeing the settings or guide library never unloads it and
    // the next load does not crash. Without GTK there are no dialogs anyway.
    platform::LoadModule("libgtk-3.so.0", {});
    // A missing library is no error: the program runs without user management.
    StartUserManagement(mUsers, UsersDataFile(), startup.programDir);
}

vTrMainWin_c::~vTrMainWin_c() {
    CloseExercise();
    SetDataPathHook({});
    SetImageCache({});
}

void vTrMainWin_c::Create() {
    // The title is known before the window shows, so it never appears untitled.
    SetTitle(keys::kTitle.Read());
    vTrApp_c::Create();
    platform::Dispatch({Handle(), platform::msg::kPaint, 0, 0});
    Init();
}

void vTrMainWin_c::Init() {
    const std::string primary = kPrimarySrcPath.Read();
    SetDataPathHook([primary](const std::string& name) { return ResolveDataPath(primary, name); });
    InitMenuApp();
    LoadPictureCache();
    FillRect({0, 0, GetWidth(), GetHeight()}, MakeColor(kBackgroundColour));
    LoadDefinitionFile(".Drawer.dat", RootMenu());
    Home();
    if (mUsers.IsLoaded()) {
        // The login dialog runs its own loop: the cards show behind it.
        Present();
        {
            dialogs::ModalScope modal;
            mUsers.Login(ParentWindow());
        }
        ShowPupilName();
    }
}

LorvanoParentWindow vTrMainWin_c::ParentWindow() const { return platform::NativeWindowId(Handle()); }

std::string ResolveDataPath(const std::string& primarySrcPath, const std::string& name) {
    if (primarySrcPath.empty()) return name;
    const vDirEntryLink_c candidate(primarySrcPath + "/" + name);
    if (candidate.Exists() && !candidate.IsDirectory()) return candidate.FullPath();
    return name;
}

void vTrMainWin_c::LoadPictureCache() {
    const std::string name = keys::kCacheName.Read();
    if (name.empty()) return;
    const unsigned size = keys::kCacheSize.Read();
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
        case app_msg::kSettings:
            OpenSettingsDialog();
            return 0;
        case app_msg::kGuide:
            OpenGuide();
            return 0;
        case app_msg::kQuit:
            AskToQuit();
            return 0;
        case app_msg::kChoosePupil: {
            // A teacher's choice of the pupil whose tries are recorded.
            {
                dialogs::ModalScope modal;
                mUsers.ChoosePupil(ParentWindow());
            }
            ShowPupilName();
            return 0;
        }
        case app_msg::kShowProgress: {
            // The current pupil's progress chart, for a teacher.
            dialogs::ModalScope modal;
            mUsers.ShowProgress(ParentWindow());
            return 0;
        }
    }
    return vTrApp_c::OnUserMessage(id, p1, p2);
}

vCmdTarget_c::Result vTrMainWin_c::OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    if (id == platform::msg::kHelp) {
        OpenGuide();
        return 0;
    }
    return vTrApp_c::OnMessage(id, p1, p2);
}

vCmdTarget_c::Result vTrMainWin_c::OnKeyDown(std::uintptr_t key, unsigned repeat, unsigned flags) {
    if (key == platform::key::kControl) mControlDown = true;
    const bool firstPress = (flags & static_cast<unsigned>(platform::KeyState::WasDown)) == 0;
    if (key == 'Q' && mControlDown && firstPress) {
        AskToQuit();
        return 0;
    }
    if (key == platform::key::kEscape && RootMenu().IsOpen()) {
        RootMenu().Close();
        return 0;
    }
    return vTrApp_c::OnKeyDown(key, repeat, flags);
}

vCmdTarget_c::Result vTrMainWin_c::OnKeyUp(std::uintptr_t key, unsigned repeat, unsigned flags) {
    if (key == platform::key::kControl) mControlDown = false;
    return vTrApp_c::OnKeyUp(key, repeat, flags);
}

void vTrMainWin_c::AskToQuit() {
    // The box takes the key-up of Ctrl.
    mControlDown = false;
    if (RootMenu().IsOpen()) RootMenu().Close();
    const std::string title = keys::kTitle.Read();
    platform::BoxAnswer answer;
    {
        dialogs::ModalScope modal;
        const std::string name = !title.empty() ? title : "Lorvano";
        answer = platform::ShowMessageBox(
            {"End " + name + " now?", "Quit " + name, platform::BoxIcon::Exclamation, platform::BoxButtons::YesNo});
    }
    if (answer == platform::BoxAnswer::Yes) platform::Post(Handle(), platform::msg::kClose, 0, 0);
}

namespace {

void ShowInitializationError(const char* text) {
    platform::ShowMessageBox({text, "Initialization error", platform::BoxIcon::Stop, platform::BoxButtons::Ok});
}

}  // namespace

void vTrMainWin_c::OpenSettingsDialog() {
    vPrefsDll_c prefs;
    if (prefs.LoadEntryPoints() != 0) {
        ShowInitializationError("Cannot load setup DLL");
        return;
    }
    vTrExercise_c* exercise = GetExercise();
    const int startPage = exercise ? exercise->GetKind() : 0;
    dialogs::ModalScope modal;
    const char* ini = gSettings.FileName();
    if (prefs.DoPrefs(ini ? ini : "", ParentWindow(), startPage) != 0 && exercise) exercise->ReadSettings(false);
}

void vTrMainWin_c::OpenGuide() {
    vGuideDll_c guide;
    if (guide.LoadEntryPoints() != 0) {
        ShowInitializationError("Cannot load guide DLL");
        return;
    }
    vTrExercise_c* exercise = GetExercise();
    const std::string page = exercise ? exercise->GetGuidePage() : std::string(".Guide/Index.htm");
    dialogs::ModalScope modal;
    guide.DoGuide(vDirEntryLink_c(page).FullPath().c_str(), ParentWindow());
}

void vTrMainWin_c::PrintScreen() {
    // The page shows the exercise, not the drawer whose button asked for it:
    // closed (resuming the exercise it paused) and then off the screen.
    vDxMenu_c& drawer = RootMenu();
    const bool laidOut = drawer.IsLaidOut();
    if (laidOut) {
        drawer.Close();
        drawer.Hide();
    }
    dialogs::PrintScreen(*this);
    if (laidOut) drawer.Close();
}

int vTrMainWin_c::SaveSayForStudent(int exerciseType, const std::string& cardText, const std::string& exerciseFile) {
    int saved;
    {
        dialogs::ModalScope modal;
        saved = ::SaveSayForStudent(&mUsers, exerciseType, cardText, exerciseFile);
    }
    ShowPupilName();
    return saved;
}

int vTrMainWin_c::TeacherLoggedIn() { return ::TeacherLoggedIn(&mUsers); }

int vTrMainWin_c::SelectStudentFile(std::string& fileName, const std::string& startName) {
    int chosen;
    {
        dialogs::ModalScope modal;
        chosen = ::SelectStudentFile(&mUsers, fileName, startName);
    }
    ShowPupilName();
    return chosen;
}

int vTrMainWin_c::SelectStudentExerciseFile(std::string& exercise, std::string& recording) {
    int chosen;
    {
        dialogs::ModalScope modal;
        chosen = ::SelectStudentExerciseFile(&mUsers, exercise, recording);
    }
    ShowPupilName();
    return chosen;
}

void vTrMainWin_c::RecordMark(vTrExercise_c& exercise, const vTrShownMark_c& mark) {
    if (&exercise != mMarkExercise || exercise.FileName() != mMarkFile) {
        mMarkExercise = &exercise;
        mMarkFile = exercise.FileName();
        mMarkPath = vDirEntryLink_c(mMarkFile).FullPath();
    }
    ::RecordTry(&mUsers, exercise.GetKind(), mMarkPath, exercise.CardText(), mark.mark, mark.sound, mark.soundMark,
                mark.score, mark.held);
}

int vTrMainWin_c::AskTeacherMark() {
    dialogs::ModalScope modal;
    return mUsers.TeacherMark(ParentWindow());
}

namespace {

// The pupil's name: small dark text on the background's grey.
const platform::FontChoice kPupilFont{"Arial", false, 9};
constexpr platform::TextColour kPupilColour{60, 60, 60};
constexpr int kPupilPadding = 4;

}  // namespace

void vTrMainWin_c::ShowPupilName() {
    const std::string pupil = mUsers.CurrentPupil();
    if (pupil == mPupilShown) return;
    mPupilShown = pupil;
    if (mPupilLabel) {
        mPupilLabel->Hide();
        mPupilLabel.reset();
        Changed();
    }
    if (pupil.empty() || !GetSurface()) return;
    // At most a third of the screen wide: a long name ends in "...".
    const int width = std::min(platform::TextWidth(kPupilFont, pupil) + 2 * kPupilPadding, GetWidth() / 3);
    const int height = platform::LayoutText(kPupilFont, pupil, width).lineHeight + kPupilPadding;
    auto label = std::make_unique<vDxSprite_c>();
    label->Create(width, height, GetBPP());
    label->FillRect({0, 0, width, height}, label->MakeColor(kBackgroundColour));
    label->DrawTextBox({kPupilPadding, kPupilPadding / 2, width - 2 * kPupilPadding, height - kPupilPadding / 2},
                       pupil, kPupilFont, kPupilColour);
    label->SetParent(this);
    label->Show({GetWidth() - width, 0});
    mPupilLabel = std::move(label);
    Changed();
}

void vTrMainWin_c::TakeOverlaysOff() {
    if (mPupilLabel) mPupilLabel->Hide();
}

void vTrMainWin_c::PutOverlaysOn() {
    if (mPupilLabel) mPupilLabel->Show({GetWidth() - mPupilLabel->GetWidth(), 0});
}
