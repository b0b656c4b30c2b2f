#pragma once
// vTrWordBase_c: the base of the exercises that work on whole spoken words
// (the word exercise, the editor). It listens through the program's
// microphone (vTrCaptureClient_c): every filled buffer goes through the word detector, which collects a word into
// the exercise's recording and hands it to WordRecorded between a Suspend and
// a Resume. It owns the detector, the block processor that analyses the
// microphone's frames, another one for whole recordings (so that analysing
// a recording never disturbs listening, nor listening a recording), the recording (1000 frames, allocated once), the playback object
// (made with the main window), the recording displays and the buttons of its
// properties: start/stop, playback of both recordings, and, for a teacher,
// save-say, the two loads and goto (destroyed at Show when no teacher is
// logged in).
//
// User-interface thread only; buffers arrive as capture messages.

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "analysis/hm_block_processor.h"
#include "analysis/recording.h"
#include "analysis/word_detector.h"
#include "events/cmd_target.h"
#include "exercises/capture_client.h"
#include "audio/wave_out.h"
#include "exercises/exercise.h"
#include "exercises/word_buttons.h"
#include "exercises/word_display.h"
#include "settings/setting.h"

class vWarpData_c;
class vTrResultView_c;
struct vWordScoreSettings_c;

class vTrWordBase_c : public vTrExercise_c,
                      public vTrCaptureClient_c,
                      public vTrWordCommands_i,
                      public vCmdTarget_c,
                      public vWordListener_i,
                      public vPlaybackListener_i,
                      public vWordDisplayBackground_i {
    V_RTTI_CLASS(vTrWordBase_c, vTrExercise_c)
public:
    // How far a band of a say may differ from the etalon's before it is crossed out.
    static constexpr vIntSetting_c kDisplayErrorLevel{"TimeWarp/DisplayErrorLevel", 300};

    // Frames a recording holds.
    static constexpr int32_t kRecordingFrames = 1000;

    vTrWordBase_c();
    ~vTrWordBase_c() override;

    // --- vTrExercise_c ---
    // Overload indicator scaled, display mode of the exercise type, colours,
    // the teacher rule, save button disabled, then the base show.
    void Show() override;
    void DrawControls() override;
    void StartRecording() override;
    void StopRecording() override;
    void Suspend() override { vTrExercise_c::Suspend(); }
    void Resume() override { vTrExercise_c::Resume(); }
    void SetTone(bool on) override { Tone().on = on; ToneChanged(); }
    void SetToneFrequency(double hz) override { Tone().frequency = hz; ToneChanged(); }
    double GetToneFrequency() override { return Tone().frequency; }
    void SetToneAmplitude(double amplitude) override { Tone().amplitude = amplitude; ToneChanged(); }
    double GetToneAmplitude() override { return Tone().amplitude; }
    // The base attach, the background, and the exercise joins the main
    // window's mouse and key chains.
    void Attach(vDxImage_i* owner) override;
    // The definition's ShowSpirant and ShowVocal reach the displays.
    bool Loaded() override;
    // Re-reads "ResDisplay/ShowSpirant".
    void ReadSettings(bool initial) override;
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;

    // --- capture ---
    // The detector's per-buffer procedure.
    void OnCaptureBuffer(platform::AudioBuffer& buffer) override;
    // The overload indicator red while the input clips, black after.
    void OnOverloadBegin() override;
    void OnOverloadEnd() override;

    // --- word operations ---
    // Suspends listening; both playback buttons disabled.
    void StartPlayback() override;
    // Both playback buttons normal; resumes listening.
    virtual void PlaybackFinished();
    void StartPlayback2() override {}
    // Stores a new mode and redraws; modes outside 1..4 raise
    // "Unknown display mode!" and keep the current one.
    virtual void SetDisplayMode(int mode);
    virtual void RedrawDisplay() = 0;
    void LoadRecording() override {}
    void LoadRecording2() override {}
    void Goto() override {}
    // Copies "Say.wav" into the pupil's files through the user management;
    // silent on failure.
    void SaveSay() override;
    void WordRecorded(vRecording_c& recording) override = 0;
    void DrawDisplayBackground(vDxImage_i& target, vDxPoint position) override = 0;
    void OnPlaybackFinished() override { PlaybackFinished(); }

    // --- state ---
    int DisplayMode() const { return mDisplayMode; }
    vRecording_c& Recording() { return mRecording; }
    const vWordDetector_c& Detector() const { return mDetector; }
    // The processor of whole recordings (etalons, says, takes).
    vHMBlockProcessor_c& Processor() { return *mProcessor; }
    // The playback object, made with the main window on first use; null
    // without a main window.
    vTrPlayback_c* Playback();
    vTrWordDisplay_c& Display() { return mDisplay; }
    int32_t DispWidth() const { return mDispWidth; }
    int32_t DispHeight() const { return mDispHeight; }
    vDxRect OverloadRect() const { return {mOverloadScreenPos.x, mOverloadScreenPos.y, mOverloadScreenSize.x, mOverloadScreenSize.y}; }
    vTrPlaybackBtn_c* PlaybackBtn() const { return mPlaybackBtn.get(); }
    vTrPlaybackBtn2_c* PlaybackBtn2() const { return mPlaybackBtn2.get(); }
    vTrSaveSayFile_c* SaveSayBtn() const { return mSaveSayBtn.get(); }
    vTrLoadBtn_c* LoadBtn() const { return mLoadBtn.get(); }
    vTrLoadBtn2_c* LoadBtn2() const { return mLoadBtn2.get(); }
    vTrGotoBtn_c* GotoBtn() const { return mGotoBtn.get(); }
    vTrStartBtn_c* StartBtn() const { return mStartBtn.get(); }
    vTrStopBtn_c* StopBtn() const { return mStopBtn.get(); }

protected:
    // The three recording displays at position of the exercise's display
    // size; reference and warp for the warped form.
    vTrWordDisplay_c::Args DisplayArgs(vDxPoint position, vRecording_c& recording, vRecording_c* reference,
                                       const vWarpData_c* warp);
    // One display in the current mode (1, 2: bands, mode 2 with the error
    // marks at errorLevel; 3: volume; 4: pitch).
    void DrawRecording(const vTrWordDisplay_c::Args& args, int32_t errorLevel);
    // Every button of this class (null when absent), for subscribing and drawing.
    std::array<vDxFileButton_c*, 8> WordButtons() const;
    // Joins the main window's mouse and character chains (this exercise
    // passes them on).
    void JoinMainWindow();
    // Calculate with the score settings' levels and widths.
    static void CalculateWith(vRecording_c& recording, const vWordScoreSettings_c& score);
    // Shows a failure in the main window's box of that severity.
    void Report(const vException_c& e, int severity);
    // A named but empty result view property gets a new view.
    void MakeResultView(std::unique_ptr<vTrResultView_c>& view);
    // Shows the views' entries again.
    static void RedrawResultViews(std::initializer_list<vTrResultView_c*> views);
    // A destroyed object leaves the image tree and the event chains with it.
    template <class Object>
    static void Destroy(std::unique_ptr<Object>& slot) {
        if (!slot) return;
        slot->SetParent(nullptr);
        slot.reset();
    }

    std::unique_ptr<vTrPlaybackBtn_c> mPlaybackBtn;
    std::unique_ptr<vTrPlaybackBtn2_c> mPlaybackBtn2;
    std::unique_ptr<vTrSaveSayFile_c> mSaveSayBtn;
    std::unique_ptr<vTrLoadBtn_c> mLoadBtn;
    std::unique_ptr<vTrLoadBtn2_c> mLoadBtn2;
    std::unique_ptr<vTrGotoBtn_c> mGotoBtn;
    std::unique_ptr<vTrStartBtn_c> mStartBtn;
    std::unique_ptr<vTrStopBtn_c> mStopBtn;
    int32_t mDispWidth = 600;
    int32_t mDispHeight = 150;
    vPointProp_c mOverloadPos{50, 50};
    vPointProp_c mOverloadSize{10, 10};
    // The definition's ShowSpirant and ShowVocal (each class registers them);
    // the displays' settings until the definition gives its own.
    bool mShowSpirant = true;
    bool mShowVocal = false;

private:
    void ShowRecordingButtons(bool recording);
    void FillOverload(int paletteIndex);

    vWordDetector_c mDetector;
    std::unique_ptr<vHMBlockProcessor_c> mLiveProcessor;
    std::unique_ptr<vHMBlockProcessor_c> mProcessor;
    vRecording_c mRecording{kRecordingFrames};
    vTrWordDisplay_c mDisplay;
    std::unique_ptr<vTrPlayback_c> mPlayback;
    int mDisplayMode = 1;
    vDxPoint mOverloadScreenPos, mOverloadScreenSize;
};

// The display mode an exercise type starts in ("ResDisplay/Type%d_DispMode").
int ReadDisplayModeSetting(uint32_t exerciseType);
