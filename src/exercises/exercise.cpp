#include "exercises/exercise.h"

#include "display/dx_screen.h"
#include "events/window.h"
#include "exercises/app_services.h"
#include "exercises/control_buttons.h"
#include "exercises/result_view.h"
#include "platform/native_window.h"
#include "platform/path_case.h"
#include "settings/settings.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

bool Named(const vPropDesc_c& prop, const char* name) { return std::strcmp(prop.name, name) == 0; }

// Suspends the application's drawing for a scope.
class DrawingSuspension {
public:
    DrawingSuspension() : mApp(AppServices()) {
        if (mApp) mApp->SuspendDrawing();
    }
    ~DrawingSuspension() {
        if (mApp) mApp->ResumeDrawing();
    }
    DrawingSuspension(const DrawingSuspension&) = delete;
    DrawingSuspension& operator=(const DrawingSuspension&) = delete;

private:
    vTrAppServices_i* mApp;
};

}  // namespace

// ---------------------------------------------------------------------------
// vTrExercise_c

vTrExercise_c::vTrExercise_c() = default;

vTrExercise_c::~vTrExercise_c() = default;

platform::Surface* vTrExercise_c::GetSurface() {
    vDxImage_i* parent = GetParent();
    return parent ? parent->GetSurface() : nullptr;
}

int vTrExercise_c::GetWidth() const { return GetParent() ? GetParent()->GetWidth() : 0; }
int vTrExercise_c::GetHeight() const { return GetParent() ? GetParent()->GetHeight() : 0; }
int vTrExercise_c::GetBPP() const { return GetParent() ? GetParent()->GetBPP() : 0; }

void vTrExercise_c::Changed() {
    vDxScreen_c* screen = vDxScreen_c::Current();
    if (screen && screen->Exists() && GetParent() == screen) screen->Invalidate();
}

void vTrExercise_c::Changed(const vDxRect& area) {
    vDxScreen_c* screen = vDxScreen_c::Current();
    if (screen && screen->Exists() && GetParent() == screen) screen->Invalidate(area);
}

void vTrExercise_c::Attach(vDxImage_i* owner) { SetParent(owner); }

void vTrExercise_c::Show() {
    if (mExerciseType != 0) {
        char key[48];
        std::snprintf(key, sizeof key, "ScreenMode/Type%u_FeedBack", mExerciseType);
        // The INI can switch feedback off for a type, never on.
        if (mEnableResDisplay) mEnableResDisplay = gSettings.GetBool(key, true);
    }
    std::string problem;
    mFeedback = vTrFeedbackSchedule_c::Resolve(
        mFeedbackSchedule,
        mFeedbackCount == kFeedbackCountUnset ? std::nullopt : std::optional<int32_t>(mFeedbackCount), problem);
    if (vWindow_c* window = DxMainWindow(); window && !problem.empty())
        window->ShowException(vTextException_c(problem), vWindow_c::kWarning);
    if (mCard) {
        mCard->SetPos(CardScreenPos());
        mCard->ShowDisabled();
    }
    SubscribeButton(mBgEditBtn.get());
    DrawBackground(true);
    DrawControls();
}

vDxPoint vTrExercise_c::CardScreenPos() const { return ScaleToScreen(mCardPos.mX, mCardPos.mY); }

void vTrExercise_c::DrawBackground(bool) {
    if (mBgImage) {
        BltImage({0, 0}, *mBgImage);
    } else {
        FillRect({0, 0, GetWidth(), GetHeight()}, MakeColor(kTrGreyPaletteIndex));
    }
}

void vTrExercise_c::DrawControls() {
    if (mBgEditBtn) mBgEditBtn->Redraw();
    if (mCard) mCard->Redraw();
}

void vTrExercise_c::SetRecording(bool on) {
    mRecording = on;
    if (mSuspendCount > 0) mRecordingBeforeSuspend = on;
}

void vTrExercise_c::Suspend() {
    if (mSuspendCount == 0) {
        mRecordingBeforeSuspend = mRecording;
        StopRecording();
        // StopRecording saw no suspension yet, so the remembered state stands.
    }
    ++mSuspendCount;
}

void vTrExercise_c::Resume() {
    if (mSuspendCount == 0) return;
    if (--mSuspendCount == 0 && mRecordingBeforeSuspend) StartRecording();
}

void vTrExercise_c::ShowCard(bool clickable) {
    if (!mCard) return;
    if (clickable) {
        if (vWindow_c* window = DxMainWindow(); window && !mCard->InChain(Chain::LeftDown)) mCard->Subscribe(*window);
        if (auto* card = dynamic_cast<vTrCard_i*>(mCard.get())) card->SetCardMessage(kTrCardClickMessage);
        mCard->ShowNormal();
    } else {
        mCard->ShowDisabled();
    }
}

void vTrExercise_c::RequestClose() {
    if (vWindow_c* window = DxMainWindow()) window->OnMessage(kTrCloseExerciseMessage, 0, 0);
}

void vTrExercise_c::SetCard(std::unique_ptr<vDxFileButton_c> card) {
    DrawingSuspension suspension;
    if (mCard) mCard->SetParent(nullptr);
    mCard = std::move(card);
    if (!mCard) return;
    mCard->SetParent(this);
    if (auto* c = dynamic_cast<vTrCard_i*>(mCard.get())) {
        c->SetCardMessage(0);
        // A card inside an exercise loads nothing.
        c->SetCardPath("");
    }
    mCard->LeaveChain(Chain::MouseMove);
    mCard->LeaveChain(Chain::LeftDown);
    mCard->LeaveChain(Chain::LeftUp);
    mCard->SetPos(CardScreenPos());
    mCard->ShowDisabled();
    mCard->Redraw();
}

std::string vTrExercise_c::GetArtExName() {
    if (!mArtExName.empty()) return mArtExName;
    vTrAppServices_i* app = AppServices();
    if (!app) throw vTextException_c("Cannot generate ArtExName if Main is NULL");
    std::string dir = platform::ToForwardSlashes(app->CurrentMenuDir());
    if (!dir.empty() && dir.back() != '/') dir += '/';
    const std::string candidate = platform::MatchExistingCase(dir + ".Articulation.exc");
    std::error_code ec;
    if (std::filesystem::exists(candidate, ec)) mArtExName = candidate;
    return mArtExName;
}

void vTrExercise_c::SetBgImage(std::unique_ptr<vDxImage_i> image) { mBgImage = std::move(image); }

void vTrExercise_c::ClearResultView(vTrResultView_c& view) {
    view.SetEntry(vTrResultView_c::kNoMark);
    if (!GetSurface() || view.GetParent() != this) return;
    const vDxRect area{view.GetPos().x, view.GetPos().y, view.GetWidth(), view.GetHeight()};
    if (mBgImage)
        BltClipped({area.x, area.y}, *mBgImage, area);
    else
        FillRect(area, MakeColor(kTrGreyPaletteIndex));
    Changed(area);
}

void vTrExercise_c::SubscribeButton(vDxFileButton_c* button) {
    vWindow_c* window = DxMainWindow();
    if (button && window && !button->InChain(Chain::LeftDown)) button->Subscribe(*window);
}

void vTrExercise_c::DeclareImage(const vPropDesc_c& prop, const char* className, const vTD_PropCntnr_c* required) {
    const bool named = className != nullptr && className[0] != 0;
    if (!named && prop.Address(this) != nullptr) return;
    std::unique_ptr<vPropCntnr_c> made;
    try {
        made = CreateDerived(named ? className : "", required);
    } catch (const vException_c&) {
        throw vTextException_c(std::string("Cannot set _") + prop.name + " to a non-" + required->Name() +
                               " derivative");
    }
    prop.store(this, made.release());
}

void vTrExercise_c::OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) {
    if (Named(prop, "BgImage")) {
        DeclareImage(prop, className, &vDxImage_i::sTypeInfo);
    } else if (Named(prop, "BgEditBtn")) {
        MakeControlButton(mBgEditBtn, 10, 26);
    } else {
        vDxNoImage_c::OnDeclare(path, className, prop, address);
    }
}

// ---------------------------------------------------------------------------
// vTrContExercise_c

vTrContExercise_c::vTrContExercise_c() = default;
vTrContExercise_c::~vTrContExercise_c() = default;

void vTrContExercise_c::Show() {
    // Before the background is drawn: the display's inner rectangle uses them.
    ScaleMargins();
    vTrExercise_c::Show();
    for (vDxFileButton_c* b : ControlButtons()) SubscribeButton(b);
}

void vTrContExercise_c::ScaleMargins() {
    mOfsTopLeft = ScaleToScreen(static_cast<int>(mOfsLeft), static_cast<int>(mOfsTop));
    mOfsBottomRight = ScaleToScreen(static_cast<int>(mOfsRight), static_cast<int>(mOfsBottom));
}

std::array<vDxFileButton_c*, 7> vTrContExercise_c::ControlButtons() const {
    return {mStartBtn.get(), mStopBtn.get(), mOscBtn.get(), mFreqDownBtn.get(),
            mFreqUpBtn.get(), mAmpDownBtn.get(), mAmpUpBtn.get()};
}

void vTrContExercise_c::DrawBackground(bool full) {
    vTrExercise_c::DrawBackground(full);
    if (!mExImage) {
        FillRect(DisplayRect(), MakeColor(kTrBlackPaletteIndex));
        return;
    }
    // The picture defines the display size.
    mDispWidth = mExImage->GetWidth();
    mDispHeight = mExImage->GetHeight();
    BltImage({mDispPos.mX, mDispPos.mY}, *mExImage);
}

void vTrContExercise_c::DrawControls() {
    vTrExercise_c::DrawControls();
    ShowRecordingButtons(false);
    for (vDxFileButton_c* b : ControlButtons())
        if (b && b != mStartBtn.get() && b != mStopBtn.get()) b->Redraw();
}

void vTrContExercise_c::ShowRecordingButtons(bool recording) {
    if (mStartBtn) recording ? mStartBtn->ShowDisabled() : mStartBtn->ShowNormal();
    if (mStopBtn) recording ? mStopBtn->ShowNormal() : mStopBtn->ShowDisabled();
}

vDxRect vTrContExercise_c::InnerRect() const {
    return {mDispPos.mX + mOfsTopLeft.x, mDispPos.mY + mOfsTopLeft.y,
            mDispWidth - mOfsTopLeft.x - mOfsBottomRight.x, mDispHeight - mOfsTopLeft.y - mOfsBottomRight.y};
}

void vTrContExercise_c::OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) {
    if (Named(prop, "ExImage")) {
        DeclareImage(prop, className, &vDxImage_i::sTypeInfo);
    } else if (Named(prop, "StartBtn")) {
        MakeControlButton(mStartBtn, 10, 26);
    } else if (Named(prop, "StopBtn")) {
        MakeControlButton(mStopBtn, 28, 26);
    } else if (Named(prop, "OscBtn")) {
        MakeControlButton(mOscBtn, 46, 26);
    } else if (Named(prop, "FreqDownBtn")) {
        MakeControlButton(mFreqDownBtn, 64, 26);
    } else if (Named(prop, "FreqUpBtn")) {
        MakeControlButton(mFreqUpBtn, 82, 26);
    } else if (Named(prop, "AmpDownBtn")) {
        MakeControlButton(mAmpDownBtn, 100, 26);
    } else if (Named(prop, "AmpUpBtn")) {
        MakeControlButton(mAmpUpBtn, 118, 26);
    } else {
        vTrExercise_c::OnDeclare(path, className, prop, address);
    }
}

V_REGISTER_CLASS(vTrExercise_c,
    V_PROP_DECLARED("BgImage", mBgImage),
    V_PROP("CardPos", mCardPos),
    V_PROP("ArtExName", mArtExName),
    V_PROP("VISound", mVISound),
    V_PROP("NewCalc", mNewCalc),
    V_PROP("GuidePage", mGuidePage),
    V_PROP_FIXED("BgEditBtn", mBgEditBtn),
    V_PROP("ExerciseType", mExerciseType),
    V_PROP("EnableResDisplay", mEnableResDisplay),
    V_PROP("FeedbackSchedule", mFeedbackSchedule),
    V_PROP("FeedbackCount", mFeedbackCount));

V_REGISTER_CLASS(vTrContExercise_c,
    V_PROP("DispPos", mDispPos),
    V_PROP("DispWidth", mDispWidth),
    V_PROP("DispHeight", mDispHeight),
    V_PROP_DECLARED("ExImage", mExImage),
    V_PROP_FIXED("StartBtn", mStartBtn),
    V_PROP_FIXED("StopBtn", mStopBtn),
    V_PROP_FIXED("OscBtn", mOscBtn),
    V_PROP_FIXED("FreqUpBtn", mFreqUpBtn),
    V_PROP_FIXED("FreqDownBtn", mFreqDownBtn),
    V_PROP_FIXED("AmpUpBtn", mAmpUpBtn),
    V_PROP_FIXED("AmpDownBtn", mAmpDownBtn),
    V_PROP("OfsTop", mOfsTop),
    V_PROP("OfsLeft", mOfsLeft),
    V_PROP("OfsBottom", mOfsBottom),
    V_PROP("OfsRight", mOfsRight));

std::string vTrExercise_c::CardText() const {
    if (!mCard) return {};
    vPropCntnrIterator_c it(mCard.get());
    auto text = it.FindPath("Text", "", false);
    if (!text) return {};
    char buffer[256] = {};
    text->ToText(buffer, sizeof buffer, ConversionContext{});
    // The text as written in a definition file, in quotes (which a text
    // itself cannot hold): without them.
    std::string card = buffer;
    if (card.size() >= 2 && card.front() == '"' && card.back() == '"') card = card.substr(1, card.size() - 2);
    return card;
}

void vTrExercise_c::ReportMark(int mark, const std::string& sound, int soundMark, double score, bool held) {
    if (vTrAppServices_i* app = AppServices()) app->RecordMark(*this, {mark, sound, soundMark, score, held});
}

bool vTrExercise_c::MarkPictureClicked(vTrResultView_c* picture, int x, int y) {
    vTrAppServices_i* app = AppServices();
    if (!picture || !app || picture->GetEntry() < 0 || !picture->GetSurface()) return false;
    const vDxPoint origin = DxScreenOrigin(*picture);
    const int px = x - origin.x, py = y - origin.y;
    if (px < 0 || py < 0 || px >= picture->GetWidth() || py >= picture->GetHeight()) return false;
    if (app->TeacherLoggedIn() == 0) return false;  // a pupil's click does nothing
    app->AskTeacherMark();
    return true;
}
