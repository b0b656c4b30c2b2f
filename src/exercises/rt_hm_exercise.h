#pragma once
// vTrRtHmExercise_c: the live spectrum of a sustained sound. While the pupil
// holds the sound, each capture buffer's analysed windows go into a ring of
// the last Shadows spectra (20 bands each); once per buffer every spectrum
// of the ring is drawn as a curve over the band columns, segments of bands
// outside the active level's corridor in ErrorPenColor, and the ring's
// distance from the corridor gives the mark shown in the result view.
// With "HM1_Processor/ShowMinMax" the corridor's Min and Max curves are drawn
// in yellow, apart from the pen colour of the pupil's curves.
// Silence is not a try: a window whose full-band level is not above the
// word detector's trigger level is drawn but not marked, and a mark is only
// formed once the whole ring holds the sound; meanwhile the last mark stays
// (none before the first).
// A try is one stretch of holding: it ends after a pause of over a second
// (as the progress records count it), and its mark is the mean of its
// marks. Under a feedback schedule, a try that does not show its mark
// shows no mark while it lasts; a block's summary is shown as its last
// try ends.
// Three levels bring their own picture, corridor and weights; the level
// buttons (vTrChPicBtn_c) switch between them.
//
// A teacher edits the corridor with the mouse: a press near a corridor
// point selects it, dragging with the left button moves its level, with the
// right button changes its weight (0..100, up raises it). The F2 key writes
// the active level's four arrays back into the exercise file (whole or not
// at all); it answers only while a teacher is logged in.
//
// Owns its pictures, buttons, result view and the exercise picture (sized
// to the largest level picture). User-interface thread only.

#include "analysis/spectrum_settings.h"
#include "exercises/hm_exercise.h"
#include "exercises/rt_hm_spectrum.h"

#include <memory>
#include <optional>

class vSoundLimits;
class vTrResultView_c;
class vTrRtHmExercise_c;
class vWindow_c;

// A level button: a click calls SetLevel(its level) on its exercise.
class vTrChPicBtn_c : public vDxFileButton_c {
    V_RTTI_CLASS(vTrChPicBtn_c, vDxFileButton_c)
public:
    void Bind(vTrRtHmExercise_c* exercise, int level) {
        mExercise = exercise;
        mLevel = level;
    }
    void OnClick() override;
    int Level() const { return mLevel; }

private:
    vTrRtHmExercise_c* mExercise = nullptr;
    int mLevel = 0;
};

// Accepted where older exercise files name it; a click does nothing and the
// exercise discards it when shown.
class vHm1EdSaveBtn_c : public vDxFileButton_c {
    V_RTTI_CLASS(vHm1EdSaveBtn_c, vDxFileButton_c)
};

class vTrRtHmExercise_c : public vTrHmContExercise_c {
    V_RTTI_CLASS(vTrRtHmExercise_c, vTrContExercise_c)
public:
    static constexpr vBoolSetting_c kShowMinMax{"HM1_Processor/ShowMinMax", false};
    // Pixels within which a click takes a corridor point (at most 1000).
    static constexpr vUnsignedSetting_c kGravityZone{"Editor/HM1_Processor/GravityZone", 10};

    static constexpr int kLevels = 3;
    // The value of array entries the definition did not give.
    static constexpr int32_t kUnset = INT32_MIN;

    vTrRtHmExercise_c();
    ~vTrRtHmExercise_c() override;

    // The listening attach, then the editor joins the main window.
    void Attach(vDxImage_i* owner) override;
    // Limits (new calculation), exercise picture, level 1, level buttons,
    // then the listening show (which starts recording).
    void Show() override;
    void DrawBackground(bool full) override;
    void DrawControls() override;
    int GetKind() override { return 2; }
    void ReadSettings(bool initial) override;
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;
    // The framing of the analysed windows into the ring, then one display.
    void OnCaptureBuffer(platform::AudioBuffer& buffer) override;

    // The exercise joins the window's mouse chains and its key-down chain
    // (the save key).
    virtual void AttachEditor(vWindow_c& window);
    // n = 0, 1, 2. Raises "Cannot set active image!" when level n has no
    // picture, and a clear message when its arrays are incomplete or out of
    // range (levels 0..5500, weights 0..100).
    virtual void SetLevel(int n);
    // With a point selected: left moves its level to the mouse row, right
    // changes its weight by the rows moved up since the last call.
    virtual void DragPoint(bool left);
    // Selects the corridor point near the mouse position (or none).
    virtual void PickPoint();
    // A white box round the selected point and its weight beside it.
    virtual void DrawSelection();

    // Writes the active level's four arrays into the exercise file (whole
    // or not at all). False, with nothing changed, when the file cannot be
    // read, does not give the arrays as lists, or cannot be written.
    bool SaveCorridor();

    Result OnMouseMove(int x, int y, std::uintptr_t keyFlags) override;
    Result OnLeftDown(int x, int y, std::uintptr_t keyFlags) override;
    // A teacher's click on the shown mark asks for her own mark.
    Result OnLeftUp(int x, int y, std::uintptr_t keyFlags) override;
    Result OnRightDown(int x, int y, std::uintptr_t keyFlags) override;
    Result OnKeyDown(std::uintptr_t key, unsigned repeat, unsigned flags) override;

    // --- state read by tests ---
    int Level() const { return mLevel; }
    int32_t Mark() const { return mMark; }
    // The mark the result view shows under the feedback schedule (0 none).
    int32_t ShownMark() const { return mShownMark; }
    int64_t Distance() const { return mDistance; }
    int Bands() const { return mGeometry.bands; }
    const vRtHmGeometry_c& Geometry() const { return mGeometry; }
    const vRtHmSpectrum_c& Spectrum() const { return mSpectrum; }
    const vRtHmCorridor_c& Corridor() const { return mCorridor; }
    int SelectedBand() const { return mSelBand; }
    bool SelectedMax() const { return mSelMax; }
    vTrResultView_c* ResDisplay() const { return mResDisplay.get(); }
    vTrChPicBtn_c* LevelBtn(int n) const;
    vDxImage_i* LevelPic(int n) const;
    vHm1EdSaveBtn_c* SaveBtn() const { return mSaveBtn.get(); }
    bool NewCalculation() const { return mNewCalculation; }
    // The drawing options as the next buffer uses them.
    vRtHmOptions_c Options() const;
    uint32_t ErrorPenColour() const { return mErrorPen; }

protected:
    void AnalyseWindow(const int32_t* input, int steps) override;
    // The spectrum is drawn once per buffer (OnCaptureBuffer), not per window.
    void DisplayStep() override {}

private:
    // Display area cleared, curves, corridor curves (ShowMinMax), distance;
    // with withMark also the mark.
    void Redraw(bool withMark);
    void DrawCurves();
    void ShowMark();
    // The ring holds the sound throughout: the next drawing forms a mark.
    bool Holding() const { return mHeld >= mSpectrum.Shadows(); }
    // The held try ended: counted by the feedback schedule, whose summary shows.
    void EndTry();
    void CheckLevel(int n) const;
    std::unique_ptr<vDxImage_i>& Pic(int n);
    std::unique_ptr<vTrChPicBtn_c>& Btn(int n);
    // A mouse press at (x, y): picks a corridor point; true when one was.
    bool Press(int x, int y);
    // Redraws the display when not recording (the editor and level changes).
    void RedrawIdle();

    vColor_c mErrorPenColor{255, 0, 0};
    // The registered arrays of each level, and per level pointers to them.
    int32_t mMinValues1[kRtHmBands], mMaxValues1[kRtHmBands], mMinWeight1[kRtHmBands], mMaxWeight1[kRtHmBands];
    int32_t mMinValues2[kRtHmBands], mMaxValues2[kRtHmBands], mMinWeight2[kRtHmBands], mMaxWeight2[kRtHmBands];
    int32_t mMinValues3[kRtHmBands], mMaxValues3[kRtHmBands], mMinWeight3[kRtHmBands], mMaxWeight3[kRtHmBands];
    vRtHmCorridor_c mLevels[kLevels];
    std::unique_ptr<vTrResultView_c> mResDisplay;
    bool mDoResults = true;
    bool mOldDBFormat = false;
    std::unique_ptr<vDxImage_i> mLevel1Pic, mLevel2Pic, mLevel3Pic;
    std::unique_ptr<vTrChPicBtn_c> mLevel1Btn, mLevel2Btn, mLevel3Btn;
    std::unique_ptr<vHm1EdSaveBtn_c> mSaveBtn;

    // Settings.
    vSpectrumScoreSettings_c mScore;
    bool mNewCalculation = false;
    bool mShowMinMax = false;
    int mGravityZone = 10;

    bool mSmoothing = true;
    bool mErrorColor = true;
    vRtHmPenalty_c mPenalty;
    vRtHmGeometry_c mGeometry;
    vRtHmSpectrum_c mSpectrum;
    vRtHmCorridor_c mCorridor;
    std::unique_ptr<vSoundLimits> mLimits;
    std::vector<int32_t> mDecimated;
    int32_t mWindow[kWindowSize];  // "HM1_Processor/WindowFn"
    uint32_t mErrorPen = 0;
    uint32_t mCorridorPen = 0;
    int mLevel = 0;
    bool mShown = false;
    int64_t mDistance = 0;
    int32_t mMark = 0;
    int32_t mShownMark = 0;
    // The stretch of holding being heard: whether it shows its marks, and
    // its marks; the samples since its last mark.
    struct Try {
        bool shows = true;
        vTrMarkMean_c marks;
    };
    std::optional<Try> mTry;
    int64_t mPauseSamples = 0;
    // "WordDetector/TrigLevel": the full-band level above which a window is sound.
    int32_t mSoundLevel = 0;
    // Windows of sound in a row, the latest included.
    unsigned mHeld = 0;

    // The editor.
    int mSelBand = -1;
    bool mSelMax = false;
    int mMouseX = -1, mMouseY = -1;
    int mLastY = -1;
};
