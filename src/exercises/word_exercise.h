#pragma once
// vTrWordExercise_c: the pupil imitates a word. Two recording displays show
// the etalon (the teacher's reference) and the latest say, the say warped
// onto the etalon's time axis, in one of four display modes; result views
// show the mark. In etalon mode the next detected word becomes the etalon;
// in say mode every word is analysed, warped onto the etalon, marked and
// saved as "say.wav". The etalon comes from the definition file named by
// EtalonFile, or is spoken into the exercise. An etalon the teacher records
// takes over the segment markers of the definition file's etalon (carried
// along a warp), so per-sound marks go on, and is saved as "etalon.wav" for
// Teacher to play.
//
// The mark of a say comes from the warp (the default), from the acoustic
// judge alone, or from both (vMarkSourceSettings_c). The acoustic judge needs no etalon; it runs on its worker
// (vTrAcousticMarks_c) while the result view stays empty, and its mark is
// shown when the judgment comes back. A say the acoustic judge cannot mark
// (or a build without it, said once on stderr) keeps the warp's mark.
//
// Owns the etalon and say recordings, the word judge (which marks the say
// and keeps the warp and the per-sound table), the limits of the trained
// sound, and every object of its properties. User-interface thread only.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "analysis/scoring/mark_source.h"
#include "analysis/scoring/word_judge.h"
#include "analysis/sound_limits.h"
#include "exercises/acoustic_marks.h"
#include "exercises/marker_commands.h"
#include "exercises/word_base.h"
#include "objects/str_tmpl.h"

class vTrResultView_c;
class vTrDispErrBtn_c;
class vTrChActBtn_c;
class vTrLockMarkersBtn_c;
class vTrSaveBtn_c;
class vTrEditBtn_c;
class vHm1EdAutoSegmentBtn_c;

class vTrWordExercise_c : public vTrWordBase_c, public vTrMarkerCommands_i {
    V_RTTI_CLASS(vTrWordExercise_c, vTrWordBase_c)
public:
    // Reads the settings; deletes a stale "Say.wav" and "etalon.wav" of the
    // current directory.
    vTrWordExercise_c();
    ~vTrWordExercise_c() override;

    // --- vTrExercise_c ---
    // The editor's buttons and the background edit button go; the sound
    // limits are built for the new calculation; then the base show,
    // listening, and the etalon played when "ResDisplay/AutoPlayback".
    void Show() override;
    // Backgrounds of both displays; with load, the etalon of EtalonFile and
    // the mode (say mode when an etalon was loaded); the etalon analysed and drawn.
    void DrawBackground(bool load) override;
    void DrawControls() override;
    int GetKind() override { return 3; }
    void ReadSettings(bool initial) override;
    vDxImage_i* GetBgImage() override;
    void SetBgImage(std::unique_ptr<vDxImage_i> image) override;
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;

    // --- vTrWordBase_c ---
    // Plays WavFileName (the etalon; a teacher's own once she recorded
    // one) when the playback object is idle.
    void StartPlayback() override;
    // Plays "say.wav" when the playback object is idle.
    void StartPlayback2() override;
    void SetDisplayMode(int mode) override;
    // The etalon display, then the say display.
    void RedrawDisplay() override;
    // The teacher's choices of a pupil's recording: as the etalon, as a say;
    // and of a pupil's exercise and recording (the say of that exercise).
    void LoadRecording() override;
    void LoadRecording2() override;
    void Goto() override;
    void WordRecorded(vRecording_c& recording) override;
    void DrawDisplayBackground(vDxImage_i& target, vDxPoint position) override;

    // --- vTrMarkerCommands_i ---
    void LockMarkersClicked(bool locked) override { SetLockMarkers(locked); }
    void EtalonModeClicked(bool etalon) override { SetEtalonMode(etalon); }
    void WordDisplayClicked(int mode) override { SetDisplayMode(mode); }

    // Etalon mode (true) or say mode; say mode needs an etalon.
    void SetEtalonMode(bool etalon);
    void SetLockMarkers(bool locked) { mLockMarkers = locked; }
    // Loads a WAV file as a say and handles it as a recorded word.
    void LoadSay(const std::string& file);

    // --- state ---
    bool EtalonMode() const { return mEtalonMode; }
    bool LockMarkers() const { return mLockMarkers; }
    bool NewCalculation() const { return mJudge.PerSound(); }
    vRecording_c& Etalon() { return mEtalon; }
    vRecording_c& Say() { return mSay; }
    const vWarpData_c* WarpData() const { return mJudge.Warp(); }
    vSoundFrames_c& SoundFrames() { return mJudge.SoundFrames(); }
    // The mark of the last say drawn (1..5; -1 without warp data; 0 before any).
    int32_t LastMark() const { return mLastMark; }
    // The mark the result view shows under the feedback schedule (the last
    // say's, a block's mean; 0 none; -1 as LastMark).
    int32_t ShownMark() const { return mShownMark; }
    vTrResultView_c* ResDisplay() const { return mResDisplay.get(); }
    vTrResultView_c* ResDisplay2() const { return mResDisplay2.get(); }
    // A teacher's click on the shown mark asks for her own mark.
    Result OnLeftUp(int x, int y, std::uintptr_t keyFlags) override;
    // The acoustic judgment of the last say comes back.
    Result OnUserMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override;
    vMarkSource Source() const { return mMarks.source; }
    // A say's acoustic judgment is awaited.
    bool AwaitingAcoustic() const { return !mAwaiting.empty(); }
    vTrDispErrBtn_c* DispErrBtn() const { return mDispErrBtn.get(); }
    vTrChActBtn_c* ChActBtn() const { return mChActBtn.get(); }
    vTrLockMarkersBtn_c* LockMarkersBtn() const { return mLockMarkersBtn.get(); }
    vTrSaveBtn_c* SaveBtn() const { return mSaveBtn.get(); }
    vTrEditBtn_c* EditBtn() const { return mEditBtn.get(); }
    vHm1EdAutoSegmentBtn_c* AutoSegmentBtn() const { return mAutoSegmentBtn.get(); }
    vDxPoint EtalonPos() const { return {mEtalonPos.mX, mEtalonPos.mY}; }
    vDxPoint SayPos() const { return {mSayPos.mX, mSayPos.mY}; }
    const std::string& WavFileName() const { return mWavFileName; }

private:
    // The etalon to the judge, then its display.
    void PrepareEtalon();
    // A new etalon of the word (the teacher's own, or a pupil's recording):
    // the shipped etalon's markers carried onto it, then prepared.
    void ReplaceEtalon(const vRecording_c& recording);
    // The etalon written where Teacher plays it from (a failure is reported
    // and leaves Teacher silent).
    void KeepOwnEtalon();
    void DrawEtalon();
    void DrawSay();
    // Red outline around the active display, black around the other.
    void MarkActiveDisplay();
    // The etalon recording of EtalonFile; raises with the reason.
    void LoadEtalonFile();
    // Shows both result views' entries again.
    void RedrawResults();
    // Hands the say to the acoustic judge with its warp marks; false when
    // the warp's mark stands alone.
    bool AskAcoustic(int32_t warpMark, int32_t soundMark, int32_t distance);
    // The mark of the last say shown, counted and reported.
    void ShowMark(int32_t mark, int32_t soundMark, double score);
    // The background of a display mode (null when it has none).
    std::unique_ptr<vDxImage_i>& BgImageOf(int mode);

    // Properties.
    vPointProp_c mEtalonPos{15, 20};
    vPointProp_c mSayPos{15, 200};
    vPointProp_c mDiffLinePos{15, 380};
    int32_t mDiffLineHeight = 70;
    bool mDisplayDiffLine = false;
    int32_t mLabelSize = 20;
    std::unique_ptr<vDxImage_i> mExImage;
    std::unique_ptr<vDxImage_i> mVolExImage;
    std::unique_ptr<vDxImage_i> mPitchExImage;
    std::unique_ptr<vTrDispErrBtn_c> mDispErrBtn;
    std::unique_ptr<vTrChActBtn_c> mChActBtn;
    std::unique_ptr<vTrLockMarkersBtn_c> mLockMarkersBtn;
    std::unique_ptr<vTrSaveBtn_c> mSaveBtn;
    std::unique_ptr<vTrEditBtn_c> mEditBtn;
    std::unique_ptr<vHm1EdAutoSegmentBtn_c> mAutoSegmentBtn;
    std::unique_ptr<vTrResultView_c> mResDisplay;
    std::unique_ptr<vTrResultView_c> mResDisplay2;
    vStrTmpl_c mEtalonFile;
    vStrTmpl_c mWavFileName;
    int32_t mMinValues[kBandCount] = {};
    int32_t mMaxValues[kBandCount] = {};
    int32_t mMinWeight[kBandCount] = {};
    int32_t mMaxWeight[kBandCount] = {};
    vStrTmpl_c mEditorEtalonFile1, mEditorEtalonFile2, mEditorEtalonFile3;
    vStrTmpl_c mEditorWavFileName1, mEditorWavFileName2, mEditorWavFileName3;
    vStrTmpl_c mPhones;  // the word's phones for the acoustic judge; empty: its name's in the dictionary

    // Settings.
    vWordScoreSettings_c mScore;
    int32_t mErrorLevel = kDisplayErrorLevel.def;
    bool mAutoPlayback = true;   // "ResDisplay/AutoPlayback"
    bool mShowBG = true;         // "WordExercise/ShowBG"

    // State.
    vRecording_c mEtalon;
    // The etalon of EtalonFile, analysed: the source of the markers of an
    // etalon recorded later (empty without one).
    vRecording_c mShippedEtalon;
    vRecording_c mSay;
    vWordJudge_c mJudge;
    std::unique_ptr<vSoundLimits> mLimits;
    bool mEtalonMode = true;
    bool mCohortChosen = false;  // the judge's cohort, once per exercise
    bool mLockMarkers = false;
    int32_t mLastMark = 0;
    int32_t mShownMark = 0;
    vMarkSourceSettings_c mMarks;
    // The says whose acoustic judgment is awaited, oldest first, with their
    // warp marks: each is shown when its judgment comes back.
    struct Awaited {
        std::uint64_t job;
        int32_t warpMark, soundMark, distance;
    };
    std::deque<Awaited> mAwaiting;
};
