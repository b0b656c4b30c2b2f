#include "shell/app.h"

#include "display/dialogs/dialogs.h"
#include "objects/prop_strm.h"
#include "settings/settings.h"
#include "shell/app_messages.h"
#include "shell/card_menu.h"
#include "shell/files/dir_entry_link.h"
#include "shell/loaders.h"

V_REGISTER_CLASS(vTrApp_c);

vTrApp_c::ScreenChange::ScreenChange(vTrApp_c& app) : mApp(app) {
    mApp.SuspendDrawing();
    if (mApp.mScreenChanges == 0) mApp.TakeOverlaysOff();
    if (mApp.mScreenChanges++ == 0 && mApp.mMenu && mApp.mMenu->IsLaidOut()) {
        // Closing an open drawer resumes the exercise it paused; hiding it
        // gives the screen back the pixels under it.
        mApp.mMenu->Close();
        mApp.mMenu->Hide();
    }
}

vTrApp_c::ScreenChange::~ScreenChange() {
    if (--mApp.mScreenChanges == 0) {
        mApp.PutOverlaysOn();
        // Closed again, the drawer saves what the new exercise drew under it.
        if (mApp.mMenu && mApp.mMenu->IsLaidOut()) mApp.mMenu->Close();
    }
    mApp.ResumeDrawing();
}

vTrApp_c::vTrApp_c() {
    SetAppServices(this);
    dialogs::SetModalHooks([this] { PauseExercise(); }, [this] { ResumeExercise(); });
}

vTrApp_c::~vTrApp_c() {
    dialogs::SetModalHooks({}, {});
    // The exercise goes first: its buttons are in this window's chains.
    mExercise.reset();
    if (AppServices() == this) SetAppServices(nullptr);
}

void vTrApp_c::SuspendDrawing() { ++mDrawingSuspended; }

void vTrApp_c::ResumeDrawing() {
    if (mDrawingSuspended == 0 || --mDrawingSuspended > 0) return;
    if (mPaintPending) {
        mPaintPending = false;
        vDxMenuApp_c::Changed();
    }
}

void vTrApp_c::Changed() {
    if (mDrawingSuspended > 0)
        mPaintPending = true;
    else
        vDxMenuApp_c::Changed();
}

void vTrApp_c::PauseExercise() {
    if (mExercise) mExercise->Suspend();
}

void vTrApp_c::ResumeExercise() {
    if (mExercise) mExercise->Resume();
}

vTrMenu_c* vTrApp_c::CurrentMenu() const { return dynamic_cast<vTrMenu_c*>(mExercise.get()); }

std::unique_ptr<vTrExercise_c> vTrApp_c::ReadExerciseFile(const std::string& path) {
    vTrExerciseLoader_c loader(this);
    try {
        LoadDefinitionFile(path, loader);
    } catch (const vException_c& e) {
        ShowException(e, kFatal);
        throw;
    }
    std::unique_ptr<vPropCntnr_c> object = loader.Release();
    auto* exercise = dynamic_cast<vTrExercise_c*>(object.get());
    if (!exercise) return nullptr;
    object.release();
    return std::unique_ptr<vTrExercise_c>(exercise);
}

vTrExercise_c* vTrApp_c::LoadExercise(const std::string& name, bool noHistory) {
    if (!name.empty()) {
        ScreenChange change(*this);
        const vDirEntryLink_c entry(name);
        if (!entry.IsDirectory()) {
            std::unique_ptr<vTrExercise_c> loaded = ReadExerciseFile(entry.FullPath());
            CloseExercise();
            mExercise = std::move(loaded);
            if (mExercise) {
                mExercise->Show();
                mExercise->SetFileName(name);
            }
        } else {
            if (!mDirExerciseRead) ReadDirExercise();
            if (!mDirExercise.empty()) {
                LoadExercise(mDirExercise, true);
                if (mExercise) {
                    mMenuDir = name;
                    mExercise->SetFileName(name);
                    if (vTrMenu_c* menu = CurrentMenu()) menu->SetRoot(".");
                }
            }
        }
    }
    if (mExercise && !noHistory) {
        if (name != HistoryTop()) PushHistory(name);
        ScreenChange change(*this);
        mExercise->SetCard(MakeCard(name, nullptr, mExercise.get()));
        mExercise->ShowCard(true);
    }
    return mExercise.get();
}

vTrExercise_c* vTrApp_c::CreateExercise(const vRTTI_TypeInfo_c& type) {
    CloseExercise();
    std::unique_ptr<vPropCntnr_c> made(type.Create());
    auto* exercise = dynamic_cast<vTrExercise_c*>(made.get());
    if (!exercise) throw vTextException_c("Cannot create exercise. Wrong type.");
    made.release();
    mExercise.reset(exercise);
    mExercise->Attach(this);
    return exercise;
}

void vTrApp_c::CloseExercise() { mExercise.reset(); }

void vTrApp_c::Back() {
    if (mHistory.empty()) return;
    mHistory.pop_back();
    if (mHistory.empty()) return;
    const std::string previous = mHistory.back();
    if (!LoadExercise(previous, false)) throw vPrintException_c(0, "Cannot load exercise: %s", previous.c_str());
}

void vTrApp_c::ReplaceHistoryTop(const std::string& name) {
    if (mHistory.empty())
        PushHistory(name);
    else
        mHistory.back() = name;
}

std::string vTrApp_c::HistoryTop() const { return mHistory.empty() ? std::string() : mHistory.back(); }

void vTrApp_c::PushHistory(const std::string& name) {
    mHistory.push_back(name);
    while (mHistory.size() > kHistoryLimit) mHistory.pop_front();
}

void vTrApp_c::Home() {
    const std::string& home = GetHomePath();
    if (!home.empty()) LoadExercise(home, false);
}

const std::string& vTrApp_c::GetHomePath() {
    mHomePath = ".";
    return mHomePath;
}

void vTrApp_c::ReadDirExercise() {
    mDirExercise = kDirExercise.Read();
    mDirExerciseRead = true;
}

void vTrApp_c::ShowFolder(const std::string& path) {
    vTrMenu_c* menu = CurrentMenu();
    if (!menu) return;
    {
        ScreenChange change(*this);
        menu->ShowFolder(path);
    }
    mMenuDir = path;
    ReplaceHistoryTop(path);
}

vCmdTarget_c::Result vTrApp_c::OnUserMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    switch (id) {
        case app_msg::kLoadExercise: {
            const std::string name = TakeMessageText(p2);
            if (!LoadExercise(name, false)) throw vPrintException_c(0, "Cannot load exercise: %s", name.c_str());
            return 0;
        }
        case app_msg::kHome:
            Home();
            return 0;
        case app_msg::kShowFolder: {
            const std::string path = TakeMessageText(p2);
            if (!path.empty()) ShowFolder(path);
            return 0;
        }
        case app_msg::kCardClicked:
            if (mExercise)
                mExercise->RequestClose();
            else
                Back();
            return 0;
        case app_msg::kSuccessor: {
            const std::string next = mExercise ? mExercise->GetArtExName() : std::string();
            if (!next.empty() && !LoadExercise(next, false))
                throw vPrintException_c(0, "Cannot load exercise: %s", next.c_str());
            return 0;
        }
        case app_msg::kBack:
            Back();
            return 0;
    }
    return vDxMenuApp_c::OnUserMessage(id, p1, p2);
}

vTrExercise_c* LoadExerciseByName(const std::string& name) {
    vTrAppServices_i* app = AppServices();
    return app ? app->LoadExerciseFile(name) : nullptr;
}
