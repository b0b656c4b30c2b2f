#pragma once
// vTrMainWin_c: the application object of trainer, which is also its main
// window, its screen and the root of everything shown. It opens the window
// the start-up record asks for (the actual resolution in a window, or the
// whole display), titles it from "Application/Title", brings up the menu
// application (video mode, screen, drawn pointers in full screen), the
// optional picture cache, the grey background and the root menu
// ".Drawer.dat", shows the cards of the language directory, and serves the
// message loop until the window is closed.
//
// Besides the navigation of vTrApp_c it answers 1032 print, 1033 settings
// (libPrefs.so), 1034 (and F1) the guide (libGuide.so), 1035 (and Ctrl+Q)
// quit, which asks first, 1036 the choice of the current pupil and 1037 the
// current pupil's progress chart (libRoster.so, teachers only); Escape closes
// the open drawer. While a pupil is chosen, her name stands small in the top
// right corner, over every exercise; a teacher's click on a shown mark asks
// for her own mark. Like every dialog of the program, these and the
// user-management library's dialogs suspend the running exercise while they
// are open. It owns the user-management
// library (libRoster.so) from construction to destruction: started with the
// program, asked to log the teacher in once the cards are shown, and behind
// the program-wide user-management functions of the exercises.
//
// Definition files are opened through ResolveDataPath, so that a file in
// "Application/PrimarySrcPath" takes the place of the language's own.
// User-interface thread only.

#include "display/dx_image_array.h"
#include "display/dx_sprite.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/companion_libraries.h"

#include <memory>
#include <string>

class vTrMainWin_c : public vTrApp_c {
    V_RTTI_CLASS(vTrMainWin_c, vTrApp_c)
public:
    // A folder searched for data files before the language's own.
    static constexpr vTextSetting_c kPrimarySrcPath{"Application/PrimarySrcPath", "", 260};

    // Screen mode and debug prompt come from the start-up record.
    explicit vTrMainWin_c(const vTrStartup_c& startup);
    ~vTrMainWin_c() override;

    using vTrApp_c::Create;
    // Titles and opens the window, paints it once, then runs Init.
    void Create() override;

    vCmdTarget_c::Result OnUserMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override;
    // F1 opens the guide.
    vCmdTarget_c::Result OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override;
    // Ctrl+Q asks to quit; Escape closes the open drawer.
    vCmdTarget_c::Result OnKeyDown(std::uintptr_t key, unsigned repeat, unsigned flags) override;
    vCmdTarget_c::Result OnKeyUp(std::uintptr_t key, unsigned repeat, unsigned flags) override;

    // The program-wide user-management functions; 0 without a
    // user-management library.
    int SaveSayForStudent(int exerciseType, const std::string& cardText, const std::string& exerciseFile) override;
    int TeacherLoggedIn() override;
    int SelectStudentFile(std::string& fileName, const std::string& startName) override;
    int SelectStudentExerciseFile(std::string& exercise, std::string& recording) override;
    void RecordMark(vTrExercise_c& exercise, const vTrShownMark_c& mark) override;
    int AskTeacherMark() override;

protected:
    // Brings the application up once its window exists; a vException_c from
    // here reaches Run and is fatal.
    virtual void Init();
    // The screen on paper, through the print dialog, without the drawer.
    virtual void PrintScreen();
    // The settings sheet of libPrefs.so, opened at the current exercise's
    // page; the exercise reads its settings again when they changed.
    virtual void OpenSettingsDialog();
    // The current exercise's guide page (else ".Guide/Index.htm") through
    // libGuide.so.
    virtual void OpenGuide();
    // Asks whether to end the program; on yes the window closes.
    virtual void AskToQuit();
    void TakeOverlaysOff() override;
    void PutOverlaysOn() override;

private:
    // "Application/CacheName": pictures that "name?index" file names refer to.
    void LoadPictureCache();

    // The handle the companion libraries' dialogs stay above.
    LorvanoParentWindow ParentWindow() const;

    // Shows the current pupil's name (the library's), or takes it away when
    // there is none; after every call that may change her.
    void ShowPupilName();

    vUsersDll_c mUsers;
    // The pupil's name over the exercises (null: no pupil chosen).
    std::unique_ptr<vDxSprite_c> mPupilLabel;
    std::string mPupilShown;
    std::unique_ptr<vDxSimpleImageArray_c> mCache;
    bool mControlDown = false;  // the key messages carry no modifier state
    // The exercise whose marks were recorded last, its file name and that
    // file's full path: a held sound reports a mark per capture buffer, and
    // resolving the path reads the link files on the way.
    const vTrExercise_c* mMarkExercise = nullptr;
    std::string mMarkFile, mMarkPath;
};

// The name a definition file is opened under: with a primary source folder,
// the file of that name there (its link target for a link file) when it
// exists and is no folder; else the name itself.
std::string ResolveDataPath(const std::string& primarySrcPath, const std::string& name);
