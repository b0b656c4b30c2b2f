#include "exercises/word_exercise.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "analysis/scoring/phone_strings.h"
#include "display/dx_dc.h"
#include "exercises/app_services.h"
#include "exercises/marker_buttons.h"
#include "exercises/result_view.h"
#include "exercises/word_buttons.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "platform/atomic_file.h"
#include "platform/path_case.h"
#include "platform/regular_file.h"
#include "settings/settings.h"
#include "settings/shared_keys.h"

namespace {

// A note on stderr, each text once per program.
void SayOnce(const std::string& text) {
    static std::set<std::string> said;
    if (said.insert(text).second) std::fprintf(stderr, "%s\n", text.c_str());
}


bool Named(const vPropDesc_c& prop, const char* name) { return std::strcmp(prop.name, name) == 0; }

// The exercise type whose etalon is the editor's: saved as "Etalon.wav",
// marked without the new calculation.
constexpr uint32_t kEditorEtalonType = 6;

// Where a teacher's own etalon is kept for Teacher to play; gone when a word
// exercise opens again.
constexpr const char* kOwnEtalonWave = "etalon.wav";

void RemoveIfPresent(const char* name) {
    const std::string path = platform::MatchExistingCase(name);
    if (platform::IsRegularFile(path)) std::remove(path.c_str());
}

}  // namespace

vTrWordExercise_c::vTrWordExercise_c() : mScore(vWordScoreSettings_c::Read()), mJudge(mScore, Processor()) {
    mJudge.SetModelLoader([this](vSoundFrames_c& table) { return table.LoadModels(mScore.modelsFile); });
    if (gSettings.FileName()) mErrorLevel = kDisplayErrorLevel.Read();
    ReadSettings(true);
    RemoveIfPresent("Say.wav");
    RemoveIfPresent("etalon.wav");
}

vTrWordExercise_c::~vTrWordExercise_c() = default;

void vTrWordExercise_c::ReadSettings(bool initial) {
    vTrWordBase_c::ReadSettings(initial);
    if (!gSettings.FileName()) return;
    mAutoPlayback = keys::kAutoPlayback.Read();
    mShowBG = keys::kWordBackground.Read();
    mShowSpirant = Display().Settings().showSpirant;
    mMarks = vMarkSourceSettings_c::Read();
    if (!mMarks.unknownSource.empty())
        SayOnce("Lorvano: ResDisplay/MarkSource \"" + mMarks.unknownSource +
                "\" is not warp, acoustic or fused; marks come from the warp.");
    if (mMarks.source != vMarkSource::Warp && !vTrAcousticMarks_c::Built()) {
        SayOnce("Lorvano: this build has no acoustic judge; word marks come from the warp alone.");
        mMarks.source = vMarkSource::Warp;
    }
}

void vTrWordExercise_c::Show() {
    Destroy(mSaveBtn);
    Destroy(mEditBtn);
    Destroy(mAutoSegmentBtn);
    Destroy(mBgEditBtn);
    if (mExerciseType == kEditorEtalonType) mJudge.SetPerSound(false);
    if (mJudge.PerSound() && !mLimits) {
        mLimits = std::make_unique<vSoundLimits>(VISound(), mScore.limitsFile);
        mJudge.SetLimits(mLimits.get());
    }
    for (vDxFileButton_c* b : {static_cast<vDxFileButton_c*>(mDispErrBtn.get()),
                               static_cast<vDxFileButton_c*>(mChActBtn.get()),
                               static_cast<vDxFileButton_c*>(mLockMarkersBtn.get())})
        SubscribeButton(b);
    vTrWordBase_c::Show();
    if (mMarks.source != vMarkSource::Warp) {
        vTrAcousticMarks_c::Instance().Preload(mMarks.acousticModel);
        // Its judgments come back as the main window's user messages.
        if (vWindow_c* window = DxMainWindow(); window && !InChain(Chain::UserMessage))
            JoinChain(Chain::UserMessage, *window);
    }
    StartRecording();
    if (mAutoPlayback) StartPlayback();
}

void vTrWordExercise_c::DrawControls() {
    vTrWordBase_c::DrawControls();
    if (mDispErrBtn) mDispErrBtn->Redraw();
    if (mChActBtn) mChActBtn->Redraw();
    if (mSaveBtn) mSaveBtn->Redraw();
    if (mEditBtn) mEditBtn->Redraw();
    if (mAutoSegmentBtn) mAutoSegmentBtn->Redraw();
    if (mLockMarkersBtn) mLockMarkersBtn->Redraw();
    RedrawResults();
}

vTrWordExercise_c::Result vTrWordExercise_c::OnLeftUp(int x, int y, std::uintptr_t keyFlags) {
    return MarkPictureClicked(mResDisplay.get(), x, y) ? 0 : vCmdTarget_c::OnLeftUp(x, y, keyFlags);
}

void vTrWordExercise_c::RedrawResults() { RedrawResultViews({mResDisplay.get(), mResDisplay2.get()}); }

void vTrWordExercise_c::LoadEtalonFile() {
    const std::string path = platform::MatchExistingCase(platform::ToForwardSlashes(mEtalonFile));
    // The reader takes a missing file for an empty one.
    if (!platform::IsRegularFile(path)) throw vPrintException_c(0, "Cannot open etalon file %s!", mEtalonFile.c_str());
    vLoader_c loader;
    LoadDefinitionFile(path, loader);
    auto* recording = dynamic_cast<vRecording_c*>(loader.Object());
    if (!recording) throw vPrintException_c(0, "%s holds no recording.", mEtalonFile.c_str());
    if (!recording->HasData()) throw vPrintException_c(0, "The etalon of %s has no frames.", mEtalonFile.c_str());
    mEtalon = *recording;
}

void vTrWordExercise_c::DrawBackground(bool load) {
    vTrExercise_c::DrawBackground(false);
    if (mExImage) {
        mDispWidth = mExImage->GetWidth();
        mDispHeight = mExImage->GetHeight();
    }
    if (!mEnableResDisplay) Destroy(mResDisplay);
    DrawDisplayBackground(*this, EtalonPos());
    DrawDisplayBackground(*this, SayPos());
    if (mDisplayDiffLine) FillRect({mDiffLinePos.mX, mDiffLinePos.mY, mDispWidth, mDiffLineHeight}, MakeColor(kTrBlackPaletteIndex));
    bool prepared = false;
    if (load) {
        bool loaded = false;
        if (!mEtalonFile.empty()) {
            try {
                LoadEtalonFile();
                loaded = true;
            } catch (const vException_c& e) {
                Report(e, vWindow_c::kError);
            }
        }
        if (mDispErrBtn && loaded && !mEtalon.PitchCalculated() && !mEtalon.WaveValid()) mDispErrBtn->SetValue(3);
        // Say mode needs the etalon's word section, which the analysis finds.
        if (loaded) {
            PrepareEtalon();
            mShippedEtalon = mEtalon;
            prepared = true;
        }
        NotifyBeginUpdate();
        mEtalonMode = !loaded;
        if (mChActBtn) mChActBtn->SetValue(loaded ? 1 : 0);
        MarkActiveDisplay();
        if (mDispErrBtn) mDispErrBtn->Redraw();
        RedrawResults();
        if (loaded) SetEtalonMode(false);
        if (mSaveBtn) mSaveBtn->Redraw();
        if (mEditBtn) mEditBtn->Redraw();
        NotifyEndUpdate();
    }
    if (mEtalon.HasData() && !prepared) PrepareEtalon();
}

void vTrWordExercise_c::PrepareEtalon() {
    // The cohort: the language's word etalons but this exercise's own; a
    // teacher's recorded etalon keeps the one of the exercise's file.
    if (mScore.cohortSize > 0 && !mCohortChosen) {
        mCohortChosen = true;
        const std::string own = platform::ToForwardSlashes(mEtalonFile);
        mJudge.SetCohort(ChooseCohort(platform::ListRegularFiles("Words", ".wav"), own, mScore.cohortSize),
                         [](const std::string& file, vRecording_c& into) { into.LoadWave(file); });
    }
    mJudge.SetEtalon(mEtalon);
    DrawEtalon();
}

void vTrWordExercise_c::ReplaceEtalon(const vRecording_c& recording) {
    mEtalon = recording;
    if (!mShippedEtalon.Markers().empty()) mJudge.CarryMarkers(mShippedEtalon, mEtalon);
    PrepareEtalon();
}

void vTrWordExercise_c::KeepOwnEtalon() {
    try {
        mEtalon.SaveWave(kOwnEtalonWave, false);
        mWavFileName = kOwnEtalonWave;
    } catch (const vException_c& e) {
        // Teacher must not pass the shipped example off as hers.
        mWavFileName = "";
        Report(e, vWindow_c::kWarning);
    }
}

void vTrWordExercise_c::SetEtalonMode(bool etalon) {
    if (!etalon && mEtalon.RecSize() <= 0) {
        if (mChActBtn) mChActBtn->SetValue(0);
        return;
    }
    Suspend();
    mEtalonMode = etalon;
    if (mChActBtn) mChActBtn->SetValue(etalon ? 0 : 1);
    MarkActiveDisplay();
    Resume();
}

void vTrWordExercise_c::MarkActiveDisplay() {
    if (!GetSurface()) return;
    const uint32_t red = MakeColor(255, 0, 0), black = MakeColor(0, 0, 0);
    auto dc = CreateDC();
    auto outline = [&](vDxPoint p, uint32_t colour) {
        const int x0 = p.x - 1, y0 = p.y - 1, x1 = x0 + mDispWidth + 1, y1 = y0 + mDispHeight + 1;
        dc->DrawLine(x0, y0, x1, y0, colour);
        dc->DrawLine(x1, y0, x1, y1, colour);
        dc->DrawLine(x1, y1, x0, y1, colour);
        dc->DrawLine(x0, y1, x0, y0, colour);
    };
    outline(EtalonPos(), mEtalonMode ? red : black);
    outline(SayPos(), mEtalonMode ? black : red);
    dc.reset();
    Changed();
}

void vTrWordExercise_c::DrawEtalon() {
    if (!GetSurface()) return;
    if (mEtalon.HasData() && mExerciseType == kEditorEtalonType) {
        mWavFileName = "Etalon.wav";
        mEtalon.SaveWave("Etalon.wav", false);
    }
    const auto args = DisplayArgs(EtalonPos(), mEtalon, nullptr, nullptr);
    DrawRecording(args, mErrorLevel);
    if (mEtalon.HasData()) Display().DrawMarkers(args);
    MarkActiveDisplay();
}

void vTrWordExercise_c::DrawSay() {
    if (mSay.HasData()) {
        // Written before drawing, so that playback has the say even when
        // the display fails.
        mSay.SaveWave("say.wav", false);
        if (!mJudge.Warp()) throw vTextException_c("Cannot display a valid say if _WarpData == NULL!");
    }
    if (!GetSurface()) return;
    if (mResDisplay) mResDisplay->ShowEntry(mShownMark - 1);
    DrawRecording(DisplayArgs(SayPos(), mSay, &mEtalon, mJudge.Warp()), mErrorLevel);
    MarkActiveDisplay();
}

void vTrWordExercise_c::RedrawDisplay() {
    DrawEtalon();
    DrawSay();
}

void vTrWordExercise_c::WordRecorded(vRecording_c& recording) {
    if (mEtalonMode) {
        ReplaceEtalon(recording);
        // The editor's etalon type keeps its own file (DrawEtalon).
        if (mExerciseType != kEditorEtalonType) KeepOwnEtalon();
        SetEtalonMode(false);
        return;
    }
    mSay = recording;
    const vWordJudgment_c judgment = mJudge.Judge(mEtalon, mSay);
    const int32_t warpMark = mJudge.PerSound() ? judgment.mark : judgment.wordMark;
    DrawSay();
    // "say.wav" now holds this say: a teacher may keep it for the pupil.
    if (mSaveSayBtn) mSaveSayBtn->ShowNormal();
    if (AskAcoustic(warpMark, judgment.soundMark, judgment.distance)) {
        // Nothing is shown until the acoustic judge has spoken.
        if (mResDisplay) ClearResultView(*mResDisplay);
        return;
    }
    ShowMark(warpMark, judgment.soundMark, judgment.distance);
}

bool vTrWordExercise_c::AskAcoustic(int32_t warpMark, int32_t soundMark, int32_t distance) {
    if (mMarks.source == vMarkSource::Warp || warpMark < 1) return false;
    vWindow_c* window = DxMainWindow();
    if (!window) return false;
    vTrAcousticJob_c job;
    for (int32_t i = 0; i < mSay.RecPos(); ++i) {
        const vAllHmData_c& frame = mSay.Frame(i);
        job.samples.insert(job.samples.end(), frame.Samples(), frame.Samples() + frame.SampleCount());
    }
    job.word = std::filesystem::path(platform::ToForwardSlashes(FileName())).stem().string();
    job.phones = ParsePhones(mPhones);
    job.target = mLimits ? mLimits->TargetSound() : std::string();
    job.modelFolder = mMarks.acousticModel;
    const std::uint64_t id = vTrAcousticMarks_c::Instance().Submit(std::move(job), window->Handle());
    mAwaiting.push_back({id, warpMark, soundMark, distance});
    return true;
}

vCmdTarget_c::Result vTrWordExercise_c::OnUserMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    if (id != kTrAcousticDoneMessage || mAwaiting.empty() || p1 != mAwaiting.front().job)
        return vTrWordBase_c::OnUserMessage(id, p1, p2);
    const Awaited say = mAwaiting.front();
    mAwaiting.pop_front();
    vTrAcousticResult_c result;
    if (!vTrAcousticMarks_c::Instance().Take(say.job, result) || !result.Scored()) {
        SayOnce("Lorvano: no acoustic mark (" + (result.error.empty() ? std::string("lost") : result.error) +
                "); the warp's mark is shown.");
        ShowMark(say.warpMark, say.soundMark, say.distance);
        return 0;
    }
    // The trained sound's own mark (kept with the progress records) comes
    // from its phones' score where the word has them.
    if (mMarks.source == vMarkSource::Acoustic) {
        const int32_t sound = MarkFromDistance(result.targetDistance, mMarks.acousticMinResult, mMarks.acousticMaxResult);
        ShowMark(MarkFromDistance(result.distance, mMarks.acousticMinResult, mMarks.acousticMaxResult),
                 result.target ? sound : say.soundMark, result.distance);
    } else {
        const int32_t sound =
            result.target && say.soundMark > 0 ? mMarks.Fused(result.targetDistance, say.soundMark) : say.soundMark;
        ShowMark(mMarks.Fused(result.distance, say.warpMark), sound, say.distance);
    }
    return 0;
}

void vTrWordExercise_c::ShowMark(int32_t mark, int32_t soundMark, double score) {
    mLastMark = mark;
    const bool shows = Feedback().ShowsTry();
    const std::optional<int> summary = Feedback().Tried(mLastMark);
    mShownMark = shows ? mLastMark : summary.value_or(0);
    if (mResDisplay && !shows && mShownMark <= 0) ClearResultView(*mResDisplay);
    if (mResDisplay) mResDisplay->ShowEntry(mShownMark - 1);
    ReportMark(mLastMark, mLimits ? mLimits->TargetSound() : std::string(), soundMark, score, false);
}

void vTrWordExercise_c::DrawDisplayBackground(vDxImage_i& target, vDxPoint position) {
    if (DisplayMode() < 1 || DisplayMode() > 4) throw vTextException_c("Unknown display mode!");
    vDxImage_i* picture = mShowBG && &target == this ? BgImageOf(DisplayMode()).get() : nullptr;
    if (picture) {
        target.BltImage(position, *picture);
    } else {
        // Without a picture the display is cleared, or the last drawing would stay under the new one.
        target.FillRect({position.x, position.y, mDispWidth, mDispHeight}, target.MakeColor(kTrBlackPaletteIndex));
    }
}

std::unique_ptr<vDxImage_i>& vTrWordExercise_c::BgImageOf(int mode) {
    if (mode == 4) return mPitchExImage;
    if (mode == 3) return mVolExImage;
    return mExImage;
}

vDxImage_i* vTrWordExercise_c::GetBgImage() { return BgImageOf(DisplayMode()).get(); }

void vTrWordExercise_c::SetBgImage(std::unique_ptr<vDxImage_i> image) {
    BgImageOf(DisplayMode()) = std::move(image);
    RedrawDisplay();
}

void vTrWordExercise_c::SetDisplayMode(int mode) {
    vTrWordBase_c::SetDisplayMode(mode);
    if (mDispErrBtn && mode >= 1 && mode <= 4) mDispErrBtn->SetValue(static_cast<unsigned>(mode - 1));
}

void vTrWordExercise_c::StartPlayback() {
    vTrPlayback_c* playback = Playback();
    if (mWavFileName.empty() || !playback || playback->HasDevice()) return;
    vTrWordBase_c::StartPlayback();
    try {
        playback->PlayFile(platform::MatchExistingCase(platform::ToForwardSlashes(mWavFileName)).c_str());
    } catch (const vException_c& e) {
        Report(e, vWindow_c::kWarning);
        // Nothing plays, so nothing will say it has finished.
        PlaybackFinished();
    }
}

void vTrWordExercise_c::StartPlayback2() {
    vTrPlayback_c* playback = Playback();
    if (!playback || playback->HasDevice()) return;
    vTrWordBase_c::StartPlayback();
    try {
        playback->PlayFile(platform::MatchExistingCase("say.wav").c_str());
    } catch (const vException_c&) {
        PlaybackFinished();
    }
}

void vTrWordExercise_c::LoadRecording() {
    vTrAppServices_i* app = AppServices();
    std::string file;
    if (!app || app->SelectStudentFile(file, "") <= 0) return;
    vRecording_c loaded(kRecordingFrames);
    loaded.SetProcessor(&Processor());
    loaded.LoadWave(file);
    mWavFileName = file;
    ReplaceEtalon(loaded);
    StartPlayback();
    SetEtalonMode(false);
}

void vTrWordExercise_c::LoadSay(const std::string& file) {
    vRecording_c loaded(kRecordingFrames);
    loaded.SetProcessor(&Processor());
    loaded.LoadWave(file);
    WordRecorded(loaded);
}

void vTrWordExercise_c::LoadRecording2() {
    vTrAppServices_i* app = AppServices();
    std::string file;
    const std::string start = mExerciseType == kEditorEtalonType ? std::string() : FileName();
    if (!app || app->SelectStudentFile(file, start) <= 0) return;
    LoadSay(file);
    StartPlayback2();
    RedrawResults();
}

void vTrWordExercise_c::Goto() {
    vTrAppServices_i* app = AppServices();
    std::string exercise, recording;
    if (!app || app->SelectStudentExerciseFile(exercise, recording) <= 0) return;
    auto* word = dynamic_cast<vTrWordExercise_c*>(app->LoadExerciseFile(exercise));
    if (!word) return;
    word->LoadSay(recording);
    word->RedrawResults();
}

void vTrWordExercise_c::OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) {
    if (Named(prop, "ExImage") || Named(prop, "VolExImage") || Named(prop, "PitchExImage")) {
        DeclareImage(prop, className, &vDxImage_i::sTypeInfo);
    } else if (Named(prop, "DispErrBtn")) {
        MakeControlButton(mDispErrBtn, 0, 0);
    } else if (Named(prop, "ChActBtn")) {
        MakeControlButton(mChActBtn, 0, 0);
    } else if (Named(prop, "LockMarkersBtn")) {
        MakeControlButton(mLockMarkersBtn, 0, 0);
    } else if (Named(prop, "SaveBtn")) {
        MakeControlButton(mSaveBtn, 0, 0);
    } else if (Named(prop, "EditBtn")) {
        MakeControlButton(mEditBtn, 0, 0);
    } else if (Named(prop, "AutoSegmentBtn")) {
        MakeControlButton(mAutoSegmentBtn, 0, 0);
    } else if (Named(prop, "ResDisplay") || Named(prop, "ResDisplay2")) {
        MakeResultView(Named(prop, "ResDisplay") ? mResDisplay : mResDisplay2);
    } else {
        vTrWordBase_c::OnDeclare(path, className, prop, address);
    }
}

V_REGISTER_CLASS(vTrWordExercise_c,
    V_PROP("EtalonPos", mEtalonPos),
    V_PROP("SayPos", mSayPos),
    V_PROP_DECLARED("ExImage", mExImage),
    V_PROP_DECLARED("VolExImage", mVolExImage),
    V_PROP_DECLARED("PitchExImage", mPitchExImage),
    V_PROP_FIXED("DispErrBtn", mDispErrBtn),
    V_PROP_FIXED("SaveBtn", mSaveBtn),
    V_PROP_FIXED("EditBtn", mEditBtn),
    V_PROP_FIXED("ChActBtn", mChActBtn),
    V_PROP("DiffLineHeight", mDiffLineHeight),
    V_PROP("DiffLinePos", mDiffLinePos),
    V_PROP_FIXED("ResDisplay", mResDisplay),
    V_PROP_FIXED("ResDisplay2", mResDisplay2),
    V_PROP("ShowSpirant", mShowSpirant),
    V_PROP("ShowVocal", mShowVocal),
    V_PROP("DisplayDiffLine", mDisplayDiffLine),
    V_PROP("EtalonFile", mEtalonFile),
    V_PROP("WavFileName", mWavFileName),
    V_PROP("MinValues", mMinValues),
    V_PROP("MaxValues", mMaxValues),
    V_PROP("MinWeight", mMinWeight),
    V_PROP("MaxWeight", mMaxWeight),
    V_PROP("EditorEtalonFile1", mEditorEtalonFile1),
    V_PROP("EditorEtalonFile2", mEditorEtalonFile2),
    V_PROP("EditorEtalonFile3", mEditorEtalonFile3),
    V_PROP("EditorWavFileName1", mEditorWavFileName1),
    V_PROP("EditorWavFileName2", mEditorWavFileName2),
    V_PROP("EditorWavFileName3", mEditorWavFileName3),
    V_PROP("LabelSize", mLabelSize),
    V_PROP("Phones", mPhones),
    V_PROP_FIXED("AutoSegmentBtn", mAutoSegmentBtn),
    V_PROP_FIXED("LockMarkersBtn", mLockMarkersBtn));
