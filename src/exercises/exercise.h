#pragma once
// vTrExercise_c: the base of every exercise the pupil works in, built by the
// loader from an exercise file and run by the card menus. An exercise is an
// image without pixels of its own: it draws straight onto its parent's
// surface (the screen it is attached to), and its children (buttons, the
// card, sprites) draw onto it. It owns everything in its object-valued
// properties and the card shown inside it.
//
// vTrContExercise_c adds the display area of the continuous exercises, its
// margins and picture, and the control buttons (start, stop, test tone).
//
// The application reaches an exercise through these virtual operations; the
// exercise reaches the application through AppServices() (app_services.h)
// and the main window of the display layer. User-interface thread only.

#include "display/dx_button.h"
#include "display/dx_images.h"
#include "exercises/control_buttons.h"
#include "exercises/feedback_schedule.h"
#include "objects/point_color.h"
#include "objects/str_tmpl.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class vTrBgEditBtn_c;
class vTrResultView_c;
class vTrStartBtn_c;
class vTrStopBtn_c;
class vTrOscBtn_c;
class vTrFreqUpBtn_c;
class vTrFreqDownBtn_c;
class vTrAmpUpBtn_c;
class vTrAmpDownBtn_c;
class vTrResultView_c;

// Messages between an exercise and the main window.
inline constexpr platform::MessageId kTrCardClickMessage = platform::msg::kUser + 5;     // 1029
inline constexpr platform::MessageId kTrCloseExerciseMessage = platform::msg::kUser + 7; // 1031

// The palette entries the exercises draw with.
inline constexpr int kTrBlackPaletteIndex = 0;
inline constexpr int kTrRedPaletteIndex = 249;
inline constexpr int kTrGreyPaletteIndex = 248;

// What an exercise needs of the card shown inside it beyond being a button:
// the card class of the menus implements it.
class vTrCard_i {
public:
    virtual ~vTrCard_i() = default;
    // The message a click posts to the main window (0: none).
    virtual void SetCardMessage(uint32_t message) = 0;
    // The exercise file a click loads (empty: nothing).
    virtual void SetCardPath(const std::string& path) = 0;
};

class vTrExercise_c : public vDxNoImage_c, public vTrControls_i {
    V_RTTI_CLASS(vTrExercise_c, vDxNoImage_c)
public:
    vTrExercise_c();
    ~vTrExercise_c() override;

    // --- the image without pixels: the parent's surface and size ---
    platform::Surface* GetSurface() override;
    int GetWidth() const override;
    int GetHeight() const override;
    int GetBPP() const override;

    // --- operations every exercise answers ---
    // Joins the owner's image tree (the screen).
    virtual void Attach(vDxImage_i* owner);
    // Feedback switch and schedule (a bad schedule is reported and every try
    // shown), card position, background and controls.
    virtual void Show();
    // BgImage at (0, 0), or the whole exercise grey.
    virtual void DrawBackground(bool withControls);
    // The background edit button and the card.
    virtual void DrawControls();
    // Nested: the first Suspend remembers whether recording was on and stops
    // it; the Resume that ends the last suspension starts it again if it was.
    virtual void Suspend();
    virtual void Resume();
    // The exercise file it was loaded from.
    virtual void SetFileName(const std::string& name) { mFileName = name; }
    const std::string& FileName() const { return mFileName; }
    // true: the card becomes clickable and sends 1029; false: shown disabled.
    virtual void ShowCard(bool clickable);
    // Sends 1031 to the main window, which leaves the exercise.
    virtual void RequestClose();
    // Takes the card (a button that implements vTrCard_i; null for none).
    virtual void SetCard(std::unique_ptr<vDxFileButton_c> card);
    // ArtExName, or ".Articulation.exc" of the current menu folder when that
    // exists. Raises vTextException_c without an application.
    virtual std::string GetArtExName();
    // 0 here; amplitude 1, pitch-2 and live spectrum 2, word 3, pitch 4.
    virtual int GetKind() { return 0; }
    // Hands a mark just shown to the application for the current pupil's
    // progress records (nothing without an application): the trained sound
    // and its mark (0 none), the distance or score behind the mark, and
    // whether it is one of the many marks of a held sound.
    void ReportMark(int mark, const std::string& sound, int soundMark, double score, bool held);
    // A click (screen pixels) on the picture the reported marks are shown
    // in, while it shows one, lets a logged-in teacher give her own mark of
    // the try (AskTeacherMark): true. false for any other click.
    bool MarkPictureClicked(vTrResultView_c* picture, int x, int y);
    // Re-reads the INI keys (initial: when the exercise is built).
    virtual void ReadSettings(bool initial) { (void)initial; }
    virtual std::string GetGuidePage() { return mGuidePage; }
    // Called by the background edit button.
    void EditBackground() override {}
    virtual vDxImage_i* GetBgImage() { return mBgImage.get(); }
    virtual void SetBgImage(std::unique_ptr<vDxImage_i> image);

    // The loader's hook: image classes checked, control buttons made.
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;

    // --- state read by the application and tests ---
    vDxFileButton_c* Card() const { return mCard.get(); }
    // The card's "Text" property (empty when there is none).
    std::string CardText() const;
    vTrBgEditBtn_c* BgEditBtn() const { return mBgEditBtn.get(); }
    bool IsRecording() const { return mRecording; }
    int SuspendCount() const { return mSuspendCount; }
    bool EnableResDisplay() const { return mEnableResDisplay; }
    uint32_t ExerciseType() const { return mExerciseType; }
    vDxPoint CardPos() const { return {mCardPos.mX, mCardPos.mY}; }
    // CardPos scaled to the screen (computed afresh from the definition's
    // value, so that showing an exercise again does not scale it twice).
    vDxPoint CardScreenPos() const;
    const std::string& VISound() const { return mVISound; }
    bool NewCalc() const { return mNewCalc; }
    const vTrFeedbackSchedule_c& FeedbackSchedule() const { return mFeedback; }

protected:
    // The feedback schedule as Show resolved it; its count moves with the tries.
    vTrFeedbackSchedule_c& Feedback() { return mFeedback; }
    // For a try whose mark is not shown: the background takes the place of
    // the view's picture, and the view holds no mark (nothing stale stays).
    void ClearResultView(vTrResultView_c& view);
    // Subclasses keep the recording flag through this, so that a change
    // during a suspension is what the last Resume restores.
    void SetRecording(bool on);
    // Presents what was drawn (the screen's paint request): all of the screen.
    void Changed() override;
    // Presents only area anew, for drawing that knows what it touched.
    void Changed(const vDxRect& area);
    // Makes a control button of class Button (which has BindExercise) at
    // (x, y), bound to this exercise and its child, when the slot is still
    // empty; the definition's body then sets its pictures and position.
    template <class Button>
    void MakeControlButton(std::unique_ptr<Button>& slot, int x, int y) {
        if (slot) return;
        slot = std::make_unique<Button>();
        slot->SetPos({x, y});
        slot->BindExercise(this);
        slot->SetParent(this);
    }
    // Joins the main window's mouse chains with each control button
    // (once per button).
    void SubscribeButton(vDxFileButton_c* button);
    // Stores a declared image for an image property; vTextException_c
    // "Cannot set _<name> to a non-<class> derivative" for another class.
    void DeclareImage(const vPropDesc_c& prop, const char* className, const vTD_PropCntnr_c* required);

    std::unique_ptr<vDxImage_i> mBgImage;
    vPointProp_c mCardPos{70, 389};
    vStrTmpl_c mArtExName;
    vStrTmpl_c mVISound;
    bool mNewCalc = false;
    vStrTmpl_c mGuidePage{".Guide/Index.htm"};
    std::unique_ptr<vTrBgEditBtn_c> mBgEditBtn;
    uint32_t mExerciseType = 0;
    bool mEnableResDisplay = true;
    // "every", "nth" or "block" (empty: the settings'), and the count of
    // tries (unset: the settings').
    vStrTmpl_c mFeedbackSchedule;
    int32_t mFeedbackCount = kFeedbackCountUnset;
    static constexpr int32_t kFeedbackCountUnset = INT32_MIN;

private:
    vTrFeedbackSchedule_c mFeedback;
    std::unique_ptr<vDxFileButton_c> mCard;
    std::string mFileName;
    bool mRecording = false;
    bool mRecordingBeforeSuspend = false;
    int mSuspendCount = 0;
};

// The continuous exercises: a display area in screen pixels (DispPos,
// DispWidth x DispHeight), margins inside it, an optional picture (ExImage)
// that fills it, and the control buttons.
class vTrContExercise_c : public vTrExercise_c {
    V_RTTI_CLASS(vTrContExercise_c, vTrExercise_c)
public:
    vTrContExercise_c();
    ~vTrContExercise_c() override;

    // The base show, then the margins scaled to the screen.
    void Show() override;
    // The base background, then the display area black or ExImage (which
    // gives the area its size).
    void DrawBackground(bool withControls) override;
    // Start shown normal, stop disabled, the other buttons redrawn.
    void DrawControls() override;
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;

    // While locked, StartRecording and StopRecording do nothing.
    void LockControls(bool locked) { mControlsLocked = locked; }
    bool ControlsLocked() const { return mControlsLocked; }

    // The inner rectangle (display area less the margins), in screen pixels.
    vDxRect InnerRect() const;
    vDxRect DisplayRect() const { return {mDispPos.mX, mDispPos.mY, mDispWidth, mDispHeight}; }
    vDxImage_i* ExImage() const { return mExImage.get(); }
    vTrStartBtn_c* StartBtn() const { return mStartBtn.get(); }
    vTrStopBtn_c* StopBtn() const { return mStopBtn.get(); }
    vTrOscBtn_c* OscBtn() const { return mOscBtn.get(); }
    vTrFreqUpBtn_c* FreqUpBtn() const { return mFreqUpBtn.get(); }
    vTrFreqDownBtn_c* FreqDownBtn() const { return mFreqDownBtn.get(); }
    vTrAmpUpBtn_c* AmpUpBtn() const { return mAmpUpBtn.get(); }
    vTrAmpDownBtn_c* AmpDownBtn() const { return mAmpDownBtn.get(); }

protected:
    // Start, stop, tone switch, frequency and amplitude buttons (null when absent).
    std::array<vDxFileButton_c*, 7> ControlButtons() const;
    // The margins scaled to the screen from the definition's values (Show does it).
    void ScaleMargins();
    // Start button disabled and stop button normal (true), or the reverse.
    void ShowRecordingButtons(bool recording);

    vPointProp_c mDispPos{15, 50};
    int32_t mDispWidth = 600;
    int32_t mDispHeight = 400;
    std::unique_ptr<vDxImage_i> mExImage;
    std::unique_ptr<vTrStartBtn_c> mStartBtn;
    std::unique_ptr<vTrStopBtn_c> mStopBtn;
    std::unique_ptr<vTrOscBtn_c> mOscBtn;
    std::unique_ptr<vTrFreqUpBtn_c> mFreqUpBtn;
    std::unique_ptr<vTrFreqDownBtn_c> mFreqDownBtn;
    std::unique_ptr<vTrAmpUpBtn_c> mAmpUpBtn;
    std::unique_ptr<vTrAmpDownBtn_c> mAmpDownBtn;
    uint32_t mOfsTop = 0, mOfsLeft = 0, mOfsRight = 0, mOfsBottom = 0;

private:
    // The margins scaled to the screen by Show (from the definition's values).
    vDxPoint mOfsTopLeft, mOfsBottomRight;
    bool mControlsLocked = false;
};
