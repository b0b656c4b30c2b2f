#include "exercises/rt_hm_exercise.h"

#include "analysis/filter_files.h"
#include "analysis/sound_limits.h"
#include "analysis/word_detector.h"
#include "events/window.h"
#include "exercises/app_services.h"
#include "exercises/result_view.h"
#include "platform/atomic_file.h"
#include "progress/held_try.h"
#include "settings/settings.h"
#include "settings/shared_keys.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

namespace {

bool Named(const vPropDesc_c& prop, const char* name) { return std::strcmp(prop.name, name) == 0; }

// Samples of the pause that ends a held try (capture runs at 22050 Hz).
constexpr int64_t kHeldPauseSamples = 22050 * progress::kHeldPause.count() / 1000;

// The level (0..2) a property name such as "Level2Btn" ends in, or -1.
int LevelOf(const vPropDesc_c& prop, const char* prefix, const char* suffix) {
    const size_t n = std::strlen(prefix);
    if (std::strncmp(prop.name, prefix, n) != 0 || prop.name[n] < '1' || prop.name[n] > '3') return -1;
    return std::strcmp(prop.name + n + 1, suffix) == 0 ? prop.name[n] - '1' : -1;
}

// Replaces every "name = ( ... )" list of text by values[0..count); false
// when the text has none.
bool ReplaceList(std::string& text, const std::string& name, const int32_t* values, int count) {
    std::string list = "(";
    for (int k = 0; k < count; ++k) list += (k ? "," : "") + std::to_string(values[k]);
    list += ")";
    const std::regex declaration("(^|[^A-Za-z0-9_.])(" + name + "\\s*=\\s*)\\([^)]*\\)");
    if (!std::regex_search(text, declaration)) return false;
    text = std::regex_replace(text, declaration, "$1$2" + list);
    return true;
}

}  // namespace

void vTrChPicBtn_c::OnClick() {
    if (mExercise) mExercise->SetLevel(mLevel);
}

// ---------------------------------------------------------------------------

vTrRtHmExercise_c::vTrRtHmExercise_c()
    : vTrHmContExercise_c("HM1_Processor", 224, 3, 3),
      mLevels{{mMinValues1, mMaxValues1, mMinWeight1, mMaxWeight1},
              {mMinValues2, mMaxValues2, mMinWeight2, mMaxWeight2},
              {mMinValues3, mMaxValues3, mMinWeight3, mMaxWeight3}},
      mScore(vSpectrumScoreSettings_c::Read()),
      mDecimated(Framing().windowSize / 8) {
    for (const vRtHmCorridor_c& c : mLevels)
        for (int32_t* a : {c.minValues, c.maxValues, c.minWeight, c.maxWeight}) std::fill(a, a + kRtHmBands, kUnset);
    mNewCalculation = mScore.newCalculation;
    mSoundLevel = vWordDetectorSettings_c::Read().trigLevel;
    mShowMinMax = kShowMinMax.Read();
    mSpectrum.SetShadows(mScore.shadows);
    mGravityZone = static_cast<int>(std::min<uint32_t>(kGravityZone.Read(), 1000));
    // The exercise's own window, or the preprocessor's; a bad window file means no window.
    const std::string window = keys::kSpectrumWindowFile.Read();
    if (!keys::kSpectrumWindowOn.Read()) {
        SetFramingWindow(nullptr);
    } else if (!window.empty()) {
        try {
            ReadWindowFile(window, mWindow);
            SetFramingWindow(mWindow);
        } catch (const vException_c&) {
            SetFramingWindow(nullptr);
        }
    }
    ReadSettings(true);
}

vTrRtHmExercise_c::~vTrRtHmExercise_c() = default;

std::unique_ptr<vDxImage_i>& vTrRtHmExercise_c::Pic(int n) {
    static constexpr std::unique_ptr<vDxImage_i> vTrRtHmExercise_c::*pics[kLevels] = {
        &vTrRtHmExercise_c::mLevel1Pic, &vTrRtHmExercise_c::mLevel2Pic, &vTrRtHmExercise_c::mLevel3Pic};
    return this->*pics[n];
}

std::unique_ptr<vTrChPicBtn_c>& vTrRtHmExercise_c::Btn(int n) {
    static constexpr std::unique_ptr<vTrChPicBtn_c> vTrRtHmExercise_c::*buttons[kLevels] = {
        &vTrRtHmExercise_c::mLevel1Btn, &vTrRtHmExercise_c::mLevel2Btn, &vTrRtHmExercise_c::mLevel3Btn};
    return this->*buttons[n];
}

vDxImage_i* vTrRtHmExercise_c::LevelPic(int n) const { return const_cast<vTrRtHmExercise_c*>(this)->Pic(n).get(); }
vTrChPicBtn_c* vTrRtHmExercise_c::LevelBtn(int n) const { return const_cast<vTrRtHmExercise_c*>(this)->Btn(n).get(); }

void vTrRtHmExercise_c::ReadSettings(bool initial) {
    if (!initial) vTrHmContExercise_c::ReadSettings(initial);
    mSmoothing = keys::kSpectrumSmoothing.Read();
    mErrorColor = keys::kSpectrumErrorColour.Read();
}

vRtHmOptions_c vTrRtHmExercise_c::Options() const {
    return {mOldDBFormat, mDoResults, mNewCalculation, mSmoothing, mErrorColor};
}

void vTrRtHmExercise_c::OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) {
    int level;
    if (Named(prop, "ExImage")) {
        throw vTextException_c("ExImage is not available as a property in TrRtHmExercise class!");
    } else if (Named(prop, "ResDisplay")) {
        DeclareImage(prop, className, &vTrResultView_c::sTypeInfo);
    } else if (LevelOf(prop, "Level", "Pic") >= 0) {
        DeclareImage(prop, className, &vDxImage_i::sTypeInfo);
    } else if ((level = LevelOf(prop, "Level", "Btn")) >= 0) {
        std::unique_ptr<vTrChPicBtn_c>& slot = Btn(level);
        if (!slot) {
            slot = std::make_unique<vTrChPicBtn_c>();
            slot->SetPos({10, 26});
            slot->SetParent(this);
        }
        slot->Bind(this, level);
    } else {
        vTrHmContExercise_c::OnDeclare(path, className, prop, address);
    }
}

void vTrRtHmExercise_c::Attach(vDxImage_i* owner) {
    vTrHmContExercise_c::Attach(owner);
    if (vWindow_c* window = DxMainWindow()) AttachEditor(*window);
}

void vTrRtHmExercise_c::AttachEditor(vWindow_c& window) {
    for (Chain c : {Chain::MouseMove, Chain::LeftDown, Chain::LeftUp, Chain::RightDown, Chain::RightUp, Chain::KeyDown})
        if (!InChain(c)) JoinChain(c, window);
}

void vTrRtHmExercise_c::Show() {
    if (mNewCalculation) {
        mLimits = std::make_unique<vSoundLimits>(VISound(), vSpectrumScoreSettings_c::Read().limitsFile);
        mSpectrum.SetTracking(mLimits->TrackingIsol());
    }
    mExImage.reset();
    mSaveBtn.reset();
    int width = 0, height = 0;
    for (int n = 0; n < kLevels; ++n) {
        if (!Pic(n)) continue;
        width = std::max(width, Pic(n)->GetWidth());
        height = std::max(height, Pic(n)->GetHeight());
    }
    if (width > 0 && height > 0) {
        auto picture = std::make_unique<vDxSimpleImage_c>();
        picture->Create(width, height, -1);
        mExImage = std::move(picture);
    }
    SetLevel(0);
    for (int n = 0; n < kLevels; ++n)
        if (!Pic(n)) Btn(n).reset();
    // One level needs no choice.
    if (!mLevel2Btn && !mLevel3Btn) mLevel1Btn.reset();
    for (int n = 0; n < kLevels; ++n) SubscribeButton(Btn(n).get());
    if (mResDisplay) mResDisplay->SetParent(this);
    mErrorPen = MakeColor(mErrorPenColor.mRed, mErrorPenColor.mGreen, mErrorPenColor.mBlue);
    mCorridorPen = MakeColor(255, 220, 0);
    vTrHmContExercise_c::Show();
    // From now on the drawing tools exist.
    mShown = true;
}

void vTrRtHmExercise_c::DrawBackground(bool full) {
    if (!EnableResDisplay()) mResDisplay.reset();
    // The picture of the level in use (a redraw keeps the pupil's level).
    if (mExImage) SetLevel(mLevel);
    vTrHmContExercise_c::DrawBackground(full);
    const vDxRect inner = InnerRect();
    mGeometry.Set(inner.x, inner.y, inner.w, inner.h, mOldDBFormat);
    if (full && mDoResults && mResDisplay) mResDisplay->ShowEntry(mShownMark - 1);
}

void vTrRtHmExercise_c::DrawControls() {
    vTrHmContExercise_c::DrawControls();
    if (mResDisplay) mResDisplay->Draw();
    for (int n = 0; n < kLevels; ++n)
        if (Btn(n)) Btn(n)->Redraw();
}

void vTrRtHmExercise_c::CheckLevel(int n) const {
    const int bands = mOldDBFormat ? kRtHmBands - 1 : kRtHmBands;
    const char* names[4] = {"MinValues", "MaxValues", "MinWeight", "MaxWeight"};
    const vRtHmCorridor_c& c = mLevels[n];
    const int32_t* arrays[4] = {c.minValues, c.maxValues, c.minWeight, c.maxWeight};
    for (int a = 0; a < 4; ++a) {
        const int32_t limit = a < 2 ? kRtHmMaxLevel : kRtHmMaxWeight;
        for (int k = 0; k < bands; ++k) {
            const int32_t v = arrays[a][k];
            if (v == kUnset)
                throw vPrintException_c(0, "%s%d has fewer than %d values", names[a], n + 1, bands);
            if (v < 0 || v > limit)
                throw vPrintException_c(0, "%s%d: value %d of band %d is outside 0..%d", names[a], n + 1, v, k, limit);
        }
    }
}

void vTrRtHmExercise_c::SetLevel(int n) {
    if (n < 0 || n >= kLevels || !Pic(n)) throw vTextException_c("Cannot set active image!");
    CheckLevel(n);
    if (mExImage) mExImage->BltImage({0, 0}, *Pic(n));
    mLevel = n;
    mCorridor = mLevels[n];
    if (mNewCalculation && mLimits)
        mPenalty = {mLimits->Constant(n + 1, 1), mLimits->Constant(n + 1, 2), mLimits->Constant(n + 1, 3)};
    RedrawIdle();
}

void vTrRtHmExercise_c::AnalyseWindow(const int32_t* input, int steps) {
    Bank().FilterBlock(input, steps, mDecimated.data());
    int32_t levels[kRtHmBands];
    for (int k = 0; k < kRtHmBands; ++k) levels[k] = Bank().OutputLog(k);
    mSpectrum.Store(levels);
    mHeld = Bank().OutputLog(kFullBandOutput) > mSoundLevel ? std::min(mHeld + 1, kRtHmMaxShadows) : 0;
}

void vTrRtHmExercise_c::OnCaptureBuffer(platform::AudioBuffer& buffer) {
    vTrHmContExercise_c::OnCaptureBuffer(buffer);
    if (!mShown || !GetSurface()) return;
    const bool marked = Holding();
    Redraw(true);
    if (marked)
        mPauseSamples = 0;
    else if (mTry && (mPauseSamples += SampleCountOf(&buffer)) > kHeldPauseSamples)
        EndTry();
}

void vTrRtHmExercise_c::RedrawIdle() {
    if (!IsRecording() && mShown && GetSurface()) Redraw(false);
}

void vTrRtHmExercise_c::Redraw(bool withMark) {
    if (!mCorridor.minValues) return;
    const vDxRect area = DisplayRect();
    if (mExImage)
        BltImage({area.x, area.y}, *mExImage);
    else
        FillRect(area, mBlack);
    mDistance = mSpectrum.Evaluate(mGeometry, mCorridor, Options(), mPenalty);
    DrawCurves();
    if (withMark) ShowMark();
    DrawSelection();
    Changed();
}

void vTrRtHmExercise_c::DrawCurves() {
    vDxDC_i& dc = DC();
    dc.AttachImage(this);
    for (unsigned r = 0; r < mSpectrum.Shadows(); ++r) {
        const vRtHmPoint_c* p = mSpectrum.Points(r);
        dc.MoveTo(p[0].x, p[0].y);
        for (int i = 1; i < mSpectrum.PointCount(); ++i) dc.LineTo(p[i].x, p[i].y, p[i].error ? mErrorPen : mPen);
    }
    if (mShowMinMax) {
        for (const int32_t* values : {mCorridor.minValues, mCorridor.maxValues}) {
            dc.MoveTo(mGeometry.x[0], mGeometry.Y(std::clamp(values[0], 0, kRtHmMaxLevel)));
            for (int k = 1; k < mGeometry.bands; ++k)
                dc.LineTo(mGeometry.x[static_cast<size_t>(k)], mGeometry.Y(std::clamp(values[k], 0, kRtHmMaxLevel)), mCorridorPen);
        }
    }
    dc.AttachImage(nullptr);
}

void vTrRtHmExercise_c::ShowMark() {
    if (!Holding()) return;
    mMark = vSpectrumJudge_c::Mark(mDistance, Options().Judging(mScore.minResult, mScore.maxResult),
                                   mLimits ? &mLimits->MarkLimits() : nullptr);
    if (!mTry) {
        mTry = Try{};
        mTry->shows = Feedback().ShowsTry();
        if (!mTry->shows && mResDisplay) ClearResultView(*mResDisplay);
    }
    mTry->marks.Add(mMark);
    if (mTry->shows) mShownMark = mMark;
    if (mResDisplay && mTry->shows) mResDisplay->ShowEntry(mMark - 1);
    if (mResDisplay)
        ReportMark(mMark, mLimits ? mLimits->TargetSound() : std::string(), mNewCalculation ? mMark : 0,
                   static_cast<double>(mDistance), true);
}

void vTrRtHmExercise_c::EndTry() {
    const int mean = mTry->marks.Mean();
    mTry.reset();
    mPauseSamples = 0;
    const std::optional<int> summary = Feedback().Tried(mean);
    if (!summary) return;
    mShownMark = *summary;
    if (!mResDisplay) return;
    if (mShownMark > 0)
        mResDisplay->ShowEntry(mShownMark - 1);
    else
        ClearResultView(*mResDisplay);
}

// --- the corridor editor ---

void vTrRtHmExercise_c::PickPoint() {
    mSelBand = -1;
    if (!mCorridor.minValues) return;
    for (int i = 0; i < mGeometry.bands; ++i) {
        if (std::abs(mGeometry.x[static_cast<size_t>(i)] - mMouseX) >= mGravityZone) continue;
        if (std::abs(mGeometry.Y(mCorridor.minValues[i]) - mMouseY) < mGravityZone) {
            mSelBand = i;
            mSelMax = false;
            return;
        }
        if (std::abs(mGeometry.Y(mCorridor.maxValues[i]) - mMouseY) < mGravityZone) {
            mSelBand = i;
            mSelMax = true;
            return;
        }
    }
}

void vTrRtHmExercise_c::DragPoint(bool left) {
    if (mSelBand < 0 || !mCorridor.minValues) return;
    if (left) {
        (mSelMax ? mCorridor.maxValues : mCorridor.minValues)[mSelBand] = mGeometry.LevelAt(mMouseY);
    } else {
        // Each move counts once: the weight follows the pointer's way up or down.
        int32_t& w = (mSelMax ? mCorridor.maxWeight : mCorridor.minWeight)[mSelBand];
        w = std::clamp(w + (mLastY - mMouseY), 0, kRtHmMaxWeight);
        mLastY = mMouseY;
    }
    RedrawIdle();
}

void vTrRtHmExercise_c::DrawSelection() {
    if (mSelBand < 0 || !mShown || !mCorridor.minValues) return;
    const int x = mGeometry.x[static_cast<size_t>(mSelBand)];
    const int32_t value = (mSelMax ? mCorridor.maxValues : mCorridor.minValues)[mSelBand];
    const int32_t weight = (mSelMax ? mCorridor.maxWeight : mCorridor.minWeight)[mSelBand];
    const int y = mGeometry.Y(std::clamp(value, 0, kRtHmMaxLevel));
    const uint32_t white = MakeColor(255);
    vDxDC_i& dc = DC();
    dc.AttachImage(this);
    dc.MoveTo(x - 4, y - 4);
    dc.LineTo(x + 5, y - 4, white);
    dc.LineTo(x + 5, y + 5, white);
    dc.LineTo(x - 4, y + 5, white);
    dc.LineTo(x - 4, y - 4, white);
    dc.AttachImage(nullptr);
    char text[16];
    std::snprintf(text, sizeof text, "%3d", weight);
    DrawTextBox({x + 10, y - 4, 48, 20}, text, platform::FontChoice{"DejaVu Sans Mono", false, 10},
                platform::TextColour{255, 255, 255});
}

bool vTrRtHmExercise_c::SaveCorridor() {
    if (FileName().empty() || !mCorridor.minValues) return false;
    std::string text;
    if (!platform::ReadWholeFile(FileName(), text)) return false;
    const int bands = mOldDBFormat ? kRtHmBands - 1 : kRtHmBands;
    const std::string n = std::to_string(mLevel + 1);
    if (!ReplaceList(text, "MinValues" + n, mCorridor.minValues, bands) ||
        !ReplaceList(text, "MaxValues" + n, mCorridor.maxValues, bands) ||
        !ReplaceList(text, "MinWeight" + n, mCorridor.minWeight, bands) ||
        !ReplaceList(text, "MaxWeight" + n, mCorridor.maxWeight, bands))
        return false;
    return platform::WriteFileAtomically(FileName(), text);
}

vTrRtHmExercise_c::Result vTrRtHmExercise_c::OnMouseMove(int x, int y, std::uintptr_t keyFlags) {
    mMouseX = x;
    mMouseY = y;
    const bool left = platform::HasKeyFlag(keyFlags, platform::KeyFlag::LeftButton);
    if (mSelBand >= 0 && (left || platform::HasKeyFlag(keyFlags, platform::KeyFlag::RightButton))) DragPoint(left);
    return vCmdTarget_c::OnMouseMove(x, y, keyFlags);
}

bool vTrRtHmExercise_c::Press(int x, int y) {
    mMouseX = x;
    mMouseY = mLastY = y;
    PickPoint();
    RedrawIdle();
    return mSelBand >= 0;
}

// A press on a corridor point is the editor's; any other goes on (buttons).
vTrRtHmExercise_c::Result vTrRtHmExercise_c::OnLeftDown(int x, int y, std::uintptr_t keyFlags) {
    return Press(x, y) ? 0 : vCmdTarget_c::OnLeftDown(x, y, keyFlags);
}

vTrRtHmExercise_c::Result vTrRtHmExercise_c::OnLeftUp(int x, int y, std::uintptr_t keyFlags) {
    return MarkPictureClicked(mResDisplay.get(), x, y) ? 0 : vCmdTarget_c::OnLeftUp(x, y, keyFlags);
}

vTrRtHmExercise_c::Result vTrRtHmExercise_c::OnRightDown(int x, int y, std::uintptr_t keyFlags) {
    return Press(x, y) ? 0 : vCmdTarget_c::OnRightDown(x, y, keyFlags);
}

vTrRtHmExercise_c::Result vTrRtHmExercise_c::OnKeyDown(std::uintptr_t key, unsigned repeat, unsigned flags) {
    if (key != platform::key::kF1 + 1) return vCmdTarget_c::OnKeyDown(key, repeat, flags);
    vTrAppServices_i* app = AppServices();
    if (!app || app->TeacherLoggedIn() == 0) return vCmdTarget_c::OnKeyDown(key, repeat, flags);
    if (!SaveCorridor())
        throw vPrintException_c(0, "Cannot save the corridor of level %d into %s", mLevel + 1, FileName().c_str());
    return 0;
}

V_REGISTER_CLASS(vTrChPicBtn_c);
V_REGISTER_CLASS(vHm1EdSaveBtn_c);

V_REGISTER_CLASS(vTrRtHmExercise_c,
    V_PROP("PenColor", mPenColor),
    V_PROP("ErrorPenColor", mErrorPenColor),
    V_PROP("OverloadPos", mOverloadPos),
    V_PROP("OverloadSize", mOverloadSize),
    V_PROP("MinValues1", mMinValues1),
    V_PROP("MaxValues1", mMaxValues1),
    V_PROP("MinWeight1", mMinWeight1),
    V_PROP("MaxWeight1", mMaxWeight1),
    V_PROP("MinValues2", mMinValues2),
    V_PROP("MaxValues2", mMaxValues2),
    V_PROP("MinWeight2", mMinWeight2),
    V_PROP("MaxWeight2", mMaxWeight2),
    V_PROP("MinValues3", mMinValues3),
    V_PROP("MaxValues3", mMaxValues3),
    V_PROP("MinWeight3", mMinWeight3),
    V_PROP("MaxWeight3", mMaxWeight3),
    V_PROP_DECLARED("ResDisplay", mResDisplay),
    V_PROP("DoResults", mDoResults),
    V_PROP("OldDBFormat", mOldDBFormat),
    V_PROP_DECLARED("Level1Pic", mLevel1Pic),
    V_PROP_DECLARED("Level2Pic", mLevel2Pic),
    V_PROP_DECLARED("Level3Pic", mLevel3Pic),
    V_PROP_FIXED("Level1Btn", mLevel1Btn),
    V_PROP_FIXED("Level2Btn", mLevel2Btn),
    V_PROP_FIXED("Level3Btn", mLevel3Btn),
    V_PROP_FIXED("SaveBtn", mSaveBtn));
