#include "exercises/word_base.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "analysis/log_energy.h"
#include "analysis/markers.h"
#include "analysis/time_warp.h"
#include "events/window.h"
#include "exercises/app_services.h"
#include "exercises/result_view.h"
#include "exercises/word_buttons.h"
#include "platform/path_case.h"
#include "settings/settings.h"
#include "settings/shared_keys.h"

namespace {

bool Named(const vPropDesc_c& prop, const char* name) { return std::strcmp(prop.name, name) == 0; }

// The capture buffer: WindowNum blocks of WindowSize samples.
int BufferLengthOf(const vWordDetectorSettings_c& s) { return static_cast<int>(s.windowSize * s.windowNum); }

}  // namespace

int ReadDisplayModeSetting(uint32_t exerciseType) {
    char key[48];
    std::snprintf(key, sizeof key, "ResDisplay/Type%u_DispMode", exerciseType);
    return gSettings.FileName() ? gSettings.GetInt(key, 1) : 1;
}

vTrWordBase_c::vTrWordBase_c()
    : vTrCaptureClient_c(BufferLengthOf(vWordDetectorSettings_c::Read())),
      mDetector(vWordDetectorSettings_c::Read()),
      mLiveProcessor(std::make_unique<vHMBlockProcessor_c>()),
      mProcessor(std::make_unique<vHMBlockProcessor_c>(*mLiveProcessor)),
      mDisplay(*this, vWordDisplaySettings_c::Read()) {
    InitLogScale(600);
    mRecording.SetProcessor(mProcessor.get());
    mRecording.SetFrameSize(static_cast<int32_t>(mDetector.Settings().windowSize));
    // Every frame gets its sample buffer now, so that a word collected while
    // listening copies into memory that is already there.
    const std::vector<int16_t> silence(mDetector.Settings().windowSize, 0);
    for (int32_t i = 0; i < mRecording.Size(); ++i)
        mRecording.Frame(i).SetSamples(silence.data(), static_cast<int32_t>(silence.size()));
    mShowSpirant = mDisplay.Settings().showSpirant;
    mShowVocal = mDisplay.Settings().showVocal;
}

vTrWordBase_c::~vTrWordBase_c() {
    // The capture device goes before the recording and detector it feeds.
    try {
        StopListening();
    } catch (const vException_c&) {
    }
}

void vTrWordBase_c::Attach(vDxImage_i* owner) {
    vTrExercise_c::Attach(owner);
    DrawBackground(false);
    JoinMainWindow();
}

bool vTrWordBase_c::Loaded() {
    mDisplay.Settings().showSpirant = mShowSpirant;
    mDisplay.Settings().showVocal = mShowVocal;
    return vTrExercise_c::Loaded();
}

void vTrWordBase_c::ReadSettings(bool initial) {
    if (!initial) vTrExercise_c::ReadSettings(initial);
    if (gSettings.FileName()) mDisplay.Settings().showSpirant = keys::kShowSpirant.Read();
}

std::array<vDxFileButton_c*, 8> vTrWordBase_c::WordButtons() const {
    return {mPlaybackBtn.get(), mPlaybackBtn2.get(), mSaveSayBtn.get(), mLoadBtn.get(),
            mLoadBtn2.get(),    mGotoBtn.get(),      mStartBtn.get(),   mStopBtn.get()};
}

void vTrWordBase_c::Show() {
    mOverloadScreenPos = ScaleToScreen(mOverloadPos.mX, mOverloadPos.mY);
    mOverloadScreenSize = ScaleToScreen(mOverloadSize.mX, mOverloadSize.mY);
    // The colours first: setting the mode draws.
    mDisplay.ConvertColors(*this);
    try {
        SetDisplayMode(ReadDisplayModeSetting(mExerciseType));
    } catch (const vException_c& e) {
        // A mode the displays do not know: the exercise keeps working in mode 1.
        if (vWindow_c* window = DxMainWindow()) window->ShowException(e, vWindow_c::kWarning);
        SetDisplayMode(1);
    }
    vTrAppServices_i* app = AppServices();
    if (!app || !app->TeacherLoggedIn()) {
        // Pupils never see the teacher's buttons.
        Destroy(mSaveSayBtn);
        Destroy(mLoadBtn);
        Destroy(mLoadBtn2);
        Destroy(mGotoBtn);
    }
    for (vDxFileButton_c* b : WordButtons()) SubscribeButton(b);
    if (mSaveSayBtn) mSaveSayBtn->ShowDisabled();
    vTrExercise_c::Show();
}

void vTrWordBase_c::DrawControls() {
    vTrExercise_c::DrawControls();
    for (vDxFileButton_c* b : WordButtons())
        if (b && b != mSaveSayBtn.get()) b->Redraw();
    if (mSaveSayBtn) mSaveSayBtn->Redraw();
    ShowRecordingButtons(IsRecording());
}

void vTrWordBase_c::ShowRecordingButtons(bool recording) {
    if (mStartBtn) recording ? mStartBtn->ShowDisabled() : mStartBtn->ShowNormal();
    if (mStopBtn) recording ? mStopBtn->ShowNormal() : mStopBtn->ShowDisabled();
}

void vTrWordBase_c::StartRecording() {
    mDetector.StartListening(mRecording);
    ShowRecordingButtons(true);
    if (!IsRecording()) {
        try {
            StartListening(DxMainWindow());
        } catch (const vException_c&) {
            StopRecording();
            return;
        }
    }
    SetRecording(true);
}

void vTrWordBase_c::StopRecording() {
    ShowRecordingButtons(false);
    if (IsRecording()) {
        try {
            StopListening();
        } catch (const vException_c&) {
        }
    }
    SetRecording(false);
}

void vTrWordBase_c::OnCaptureBuffer(platform::AudioBuffer& buffer) {
    mDetector.ProcessBuffer(SamplesOf(&buffer), static_cast<size_t>(SampleCountOf(&buffer)), *mLiveProcessor,
                            mRecording, *this);
}

void vTrWordBase_c::FillOverload(int paletteIndex) {
    if (!GetSurface()) return;
    FillRect(OverloadRect(), MakeColor(paletteIndex));
    Changed();
}

void vTrWordBase_c::OnOverloadBegin() { FillOverload(kTrRedPaletteIndex); }
void vTrWordBase_c::OnOverloadEnd() { FillOverload(kTrBlackPaletteIndex); }

void vTrWordBase_c::JoinMainWindow() {
    vWindow_c* window = DxMainWindow();
    if (!window) return;
    for (int chain = static_cast<int>(Chain::MouseMove); chain <= static_cast<int>(Chain::Char); ++chain)
        if (!InChain(static_cast<Chain>(chain))) JoinChain(static_cast<Chain>(chain), *window);
}

void vTrWordBase_c::CalculateWith(vRecording_c& recording, const vWordScoreSettings_c& score) {
    recording.Calculate(score.dontCareLevel, score.medianWidth, score.spirantLimit, score.normToMax,
                        vWordScoreSettings_c::kPitchFrames);
}

void vTrWordBase_c::Report(const vException_c& e, int severity) {
    if (vWindow_c* window = DxMainWindow()) window->ShowException(e, severity);
}

void vTrWordBase_c::MakeResultView(std::unique_ptr<vTrResultView_c>& view) {
    if (view) return;
    view = std::make_unique<vTrResultView_c>();
    view->SetParent(this);
}

void vTrWordBase_c::RedrawResultViews(std::initializer_list<vTrResultView_c*> views) {
    for (vTrResultView_c* view : views) {
        if (!view) continue;
        view->Draw();
        view->ShowEntry(view->GetEntry());
    }
}

vTrPlayback_c* vTrWordBase_c::Playback() {
    if (!mPlayback) {
        vWindow_c* window = DxMainWindow();
        if (!window) return nullptr;
        mPlayback = std::make_unique<vTrPlayback_c>(*window, *this);
    }
    return mPlayback.get();
}

void vTrWordBase_c::StartPlayback() {
    Suspend();
    if (mPlaybackBtn) mPlaybackBtn->ShowDisabled();
    if (mPlaybackBtn2) mPlaybackBtn2->ShowDisabled();
}

void vTrWordBase_c::PlaybackFinished() {
    if (mPlaybackBtn) mPlaybackBtn->ShowNormal();
    if (mPlaybackBtn2) mPlaybackBtn2->ShowNormal();
    Resume();
}

void vTrWordBase_c::SetDisplayMode(int mode) {
    if (mode == mDisplayMode) return;
    if (mode < 1 || mode > 4) throw vTextException_c("Unknown display mode!");
    mDisplayMode = mode;
    RedrawDisplay();
}

void vTrWordBase_c::SaveSay() {
    vTrAppServices_i* app = AppServices();
    if (!app) return;
    const std::string say = platform::MatchExistingCase("Say.wav");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(say, ec)) return;
    if (app->SaveSayForStudent(static_cast<int>(mExerciseType), CardText(), FileName()) > 0 && mSaveSayBtn)
        mSaveSayBtn->ShowDisabled();
}

vTrWordDisplay_c::Args vTrWordBase_c::DisplayArgs(vDxPoint position, vRecording_c& recording,
                                                  vRecording_c* reference, const vWarpData_c* warp) {
    mDisplay.SetSize(mDispWidth, mDispHeight);
    return mDisplay.ArgsFor(*this, position, recording, reference, warp);
}

void vTrWordBase_c::DrawRecording(const vTrWordDisplay_c::Args& args, int32_t errorLevel) {
    switch (mDisplayMode) {
        case 1:
        case 2:
            mDisplay.DrawBands(args, mDisplay.BarHeight(), mDisplayMode == 2, errorLevel);
            break;
        case 3:
            mDisplay.DrawVolume(args);
            break;
        case 4:
            mDisplay.DrawPitch(args);
            break;
        default:
            throw vTextException_c("Unknown display mode!");
    }
    Changed();
}

void vTrWordBase_c::OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) {
    if (Named(prop, "PlaybackBtn")) {
        MakeControlButton(mPlaybackBtn, 0, 0);
    } else if (Named(prop, "PlaybackBtn2")) {
        MakeControlButton(mPlaybackBtn2, 0, 0);
    } else if (Named(prop, "SaveSayBtn")) {
        MakeControlButton(mSaveSayBtn, 0, 0);
    } else if (Named(prop, "LoadBtn")) {
        MakeControlButton(mLoadBtn, 0, 0);
    } else if (Named(prop, "LoadBtn2")) {
        MakeControlButton(mLoadBtn2, 0, 0);
    } else if (Named(prop, "GotoBtn")) {
        MakeControlButton(mGotoBtn, 0, 0);
    } else if (Named(prop, "StartBtn")) {
        MakeControlButton(mStartBtn, 0, 0);
    } else if (Named(prop, "StopBtn")) {
        MakeControlButton(mStopBtn, 0, 0);
    } else {
        vTrExercise_c::OnDeclare(path, className, prop, address);
    }
}

V_REGISTER_CLASS(vTrWordBase_c,
    V_PROP_FIXED("PlaybackBtn", mPlaybackBtn),
    V_PROP_FIXED("StartBtn", mStartBtn),
    V_PROP_FIXED("StopBtn", mStopBtn),
    V_PROP("DispWidth", mDispWidth),
    V_PROP("DispHeight", mDispHeight),
    V_PROP("OverloadPos", mOverloadPos),
    V_PROP("OverloadSize", mOverloadSize),
    V_PROP_FIXED("PlaybackBtn2", mPlaybackBtn2),
    V_PROP_FIXED("SaveSayBtn", mSaveSayBtn),
    V_PROP_FIXED("LoadBtn", mLoadBtn),
    V_PROP_FIXED("LoadBtn2", mLoadBtn2),
    V_PROP_FIXED("GotoBtn", mGotoBtn));
