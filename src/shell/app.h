#pragma once
// vTrApp_c: the application part of the main window. It owns the exercise on
// screen (a card menu is one too), loads exercise files and folders, keeps
// the history that "back" walks (at most 20 names, most recent last) and
// implements what exercises need of the application (vTrAppServices_i),
// the microphone among it: one capture that every exercise listens through.
// While it exists, the running exercise is suspended as long as one of the
// program's dialogs is open (the dialogs' modal hooks).
//
// Navigation commands (user messages): 1025 load the exercise named by the
// heap text in the second parameter, 1026 home, 1027 show a folder in the
// card menu, 1029 the card inside the exercise was clicked, 1030 the
// exercise's successor, 1031 back. A name that loads no exercise raises
// "Cannot load exercise: %s".
//
// While the screen changes to another exercise or folder, painting is held
// back and the drawer (the root menu) is taken off the screen, so that it
// comes back closed on top of the new exercise with the right pixels saved
// under it.
//
// User-interface thread only.

#include "display/dx_window.h"
#include "exercises/app_services.h"
#include "listening/capture.h"
#include "settings/setting.h"

#include <deque>
#include <memory>
#include <string>

class vTrExercise_c;
class vTrMenu_c;

class vTrApp_c : public vDxMenuApp_c, public vTrAppServices_i {
    V_RTTI_CLASS(vTrApp_c, vDxMenuApp_c)
public:
    static constexpr std::size_t kHistoryLimit = 20;
    // The exercise that shows a folder's cards (none: the card menu).
    static constexpr vTextSetting_c kDirExercise{"Application/DirExercise", "", 256};

    // Registers itself as the application of the exercises and installs the
    // dialogs' modal hooks.
    vTrApp_c();
    ~vTrApp_c() override;

    // A file: read through an exercise loader and shown in place of the
    // current exercise (a read error is fatal). A folder: the directory
    // exercise ("Application/DirExercise") shows its cards, with "." as the
    // root. Unless noHistory, the name joins the history and its card is
    // shown inside the exercise. Returns the current exercise.
    virtual vTrExercise_c* LoadExercise(const std::string& name, bool noHistory);
    // Replaces the current exercise by a new object of type; raises
    // "Cannot create exercise. Wrong type." for a class that is no exercise.
    virtual vTrExercise_c* CreateExercise(const vRTTI_TypeInfo_c& type);
    virtual void CloseExercise();
    vTrExercise_c* GetExercise() const { return mExercise.get(); }
    // Drops the newest history entry and loads the one before it; raises
    // "Cannot load exercise: %s" when that gives no exercise.
    virtual void Back();
    virtual void ReplaceHistoryTop(const std::string& name);
    // The newest entry, "" when the history is empty.
    virtual std::string HistoryTop() const;
    // Appends; the oldest entries go while more than kHistoryLimit remain.
    virtual void PushHistory(const std::string& name);
    const std::deque<std::string>& History() const { return mHistory; }
    // Loads the home folder (".").
    virtual void Home();
    virtual const std::string& GetHomePath();
    // Reads "Application/DirExercise" (empty: none).
    virtual void ReadDirExercise();
    const std::string& DirExercise() const { return mDirExercise; }

    // Shows a folder in the current card menu (message 1027); the history's
    // newest entry becomes the folder.
    void ShowFolder(const std::string& path);

    // vTrAppServices_i
    std::string CurrentMenuDir() const override { return mMenuDir; }
    void SuspendDrawing() override;
    void ResumeDrawing() override;
    vTrExercise_c* LoadExerciseFile(const std::string& name) override { return LoadExercise(name, false); }
    vTrCapture_c& Capture() override { return mCapture; }

    // The drawer opens over the exercise: it is suspended meanwhile.
    void PauseExercise() override;
    void ResumeExercise() override;

    vCmdTarget_c::Result OnUserMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override;

protected:
    // A paint request waits while drawing is suspended.
    void Changed() override;
    // What stands over every exercise is taken off the screen before the
    // exercise on screen changes and put back on the new one (nothing here).
    virtual void TakeOverlaysOff() {}
    virtual void PutOverlaysOn() {}

    // Holds painting back and keeps the drawer off the screen while the
    // exercise on screen changes.
    class ScreenChange {
    public:
        explicit ScreenChange(vTrApp_c& app);
        ~ScreenChange();
        ScreenChange(const ScreenChange&) = delete;
        ScreenChange& operator=(const ScreenChange&) = delete;

    private:
        vTrApp_c& mApp;
    };

private:
    vTrMenu_c* CurrentMenu() const;
    // Reads the exercise file; null when it holds no object.
    std::unique_ptr<vTrExercise_c> ReadExerciseFile(const std::string& path);

    // Before the exercise: it outlives every exercise that listens through it.
    vTrCapture_c mCapture;
    std::unique_ptr<vTrExercise_c> mExercise;
    std::deque<std::string> mHistory;
    std::string mHomePath;
    std::string mDirExercise;
    bool mDirExerciseRead = false;
    std::string mMenuDir;
    int mDrawingSuspended = 0;
    int mScreenChanges = 0;
    bool mPaintPending = false;
};

// The program-wide load of an exercise by name (the word exercise's "go
// to"): null without an application, else LoadExercise(name, false).
vTrExercise_c* LoadExerciseByName(const std::string& name);
