#include "exercises/hm_exercise.h"

#include "analysis/log_energy.h"
#include "settings/settings.h"

#include <algorithm>
#include <string>

namespace {

std::string Key(const char* section, const char* name) { return std::string(section) + "/" + name; }

// The window table changes nothing when every entry is 1.0.
bool WindowIsOn(const std::int32_t* table) {
    return std::any_of(table, table + kWindowSize, [](std::int32_t w) { return w != 1024; });
}

}  // namespace

// ---------------------------------------------------------------------------
// vTrHmContExercise_c

vTrHmContExercise_c::vTrHmContExercise_c(const char* section, uint32_t defaultWindowSize,
                                         uint32_t defaultWindowNum, uint32_t defaultInterLeave)
    : vTrCaptureClient_c(vTrFraming_s::Read(section, defaultWindowSize, defaultWindowNum, defaultInterLeave).BufferLength()),
      mFraming(vTrFraming_s::Read(section, defaultWindowSize, defaultWindowNum, defaultInterLeave)),
      mBank(vHMProcessorSetup_c::Live()),
      mApplyWindow(WindowIsOn(mBank.Window())),
      mInput(mFraming.windowSize / 8 * 8) {
    InitLogScale(600);
}

vTrHmContExercise_c::~vTrHmContExercise_c() = default;

void vTrHmContExercise_c::Attach(vDxImage_i* owner) {
    vTrContExercise_c::Attach(owner);
    DrawBackground(false);
}

void vTrHmContExercise_c::Show() {
    vTrContExercise_c::Show();
    mPen = MakeColor(mPenColor.mRed, mPenColor.mGreen, mPenColor.mBlue);
    mBlack = MakeColor(kTrBlackPaletteIndex);
    if (!mDC) {
        mDC = CreateDC();
        mDC->AttachImage(nullptr);
    }
    StartRecording();
}

void vTrHmContExercise_c::StartRecording() {
    if (ControlsLocked()) return;
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

void vTrHmContExercise_c::StopRecording() {
    if (ControlsLocked()) return;
    ShowRecordingButtons(false);
    if (IsRecording()) {
        try {
            StopListening();
        } catch (const vException_c&) {
        }
    }
    SetRecording(false);
}

void vTrHmContExercise_c::OnCaptureBuffer(platform::AudioBuffer& buffer) {
    const int steps = static_cast<int>(mFraming.windowSize / 8);
    int16_t* samples = SamplesOf(&buffer);
    const int count = SampleCountOf(&buffer);
    int at = 0;
    for (int w = 0; w < mFraming.AnalysedWindows(); ++w) {
        mBank.ResetEnergies();
        // Windowed in place: the buffer goes back to the device unread.
        const int windowed = std::min(static_cast<int>(mFraming.windowSize), count - at);
        if (mApplyWindow && windowed > 0) ::ApplyWindow(samples + at, windowed, mWindowTable ? mWindowTable : mBank.Window());
        mBank.InputOf(samples + at, count - at, mInput.data(), static_cast<int>(mInput.size()));
        AnalyseWindow(mInput.data(), steps);
        at += mFraming.WindowStep();
        // Buffers can arrive before the first Show made the drawing tools.
        if (mDC) DisplayStep();
    }
}

void vTrHmContExercise_c::SetFramingWindow(const int32_t* table) {
    mWindowTable = table;
    mApplyWindow = table && WindowIsOn(table);
}

void vTrHmContExercise_c::FillOverload(int paletteIndex) {
    if (!GetSurface()) return;
    FillRect(OverloadRect(), MakeColor(paletteIndex));
}

void vTrHmContExercise_c::OnOverloadBegin() { FillOverload(kTrRedPaletteIndex); }
void vTrHmContExercise_c::OnOverloadEnd() { FillOverload(kTrBlackPaletteIndex); }

void vTrHmContExercise_c::EraseStrip(int x0, int x1) {
    const vDxRect area = DisplayRect();
    NotifyBeginUpdate();
    if (mExImage)
        BltClipped({x0, area.y}, *mExImage, {x0 - area.x, 0, x1 - x0, area.h});
    else
        FillRect({x0, area.y, x1 - x0, area.h}, mBlack);
    NotifyEndUpdate();
    Changed({x0, area.y, x1 - x0, area.h});
}

void vTrHmContExercise_c::Changed() {
    if (mAreaDrawing == 0) vTrContExercise_c::Changed();
}

// ---------------------------------------------------------------------------
// vTrPitchTrackers_c

vTrPitchTrackers_c::vTrPitchTrackers_c(const char* section, uint32_t defaultOverlap, int maxSteps)
    : mDecimated(static_cast<std::size_t>(std::max(maxSteps, 1))) {
    const vPitchSettings_c settings = vPitchSettings_c::Read();
    // 0 is taken as 1; the bound keeps a typing error from costing a second per buffer.
    const uint32_t overlap = std::clamp<uint32_t>(gSettings.GetUnsigned(Key(section, "Overlap").c_str(), defaultOverlap), 1, 64);
    mTrackers.assign(overlap, vPitchTracker_c(settings));
}

void vTrPitchTrackers_c::Feed(const int32_t* decimated, int count) {
    for (int i = 0; i < count; ++i) {
        const int32_t v = decimated[i] >> 14;
        for (vPitchTracker_c& t : mTrackers) t.Feed(v);
    }
}

int32_t vTrPitchTrackers_c::AnalyseWindow(vHMFilterArray_c& bank, const int32_t* input, int steps) {
    steps = std::min(steps, static_cast<int>(mDecimated.size()));
    bank.PitchBlock(input, steps, mDecimated.data());
    Feed(mDecimated.data(), steps);
    return Evaluate();
}

int32_t vTrPitchTrackers_c::Evaluate() {
    vAMDFOutput_c out;
    vPitchTracker_c& t = mTrackers[mTurn];
    t.Evaluate(out);
    t.ClearAccumulators();
    mTurn = (mTurn + 1) % Count();
    return out.semiTone;
}

// ---------------------------------------------------------------------------
// vTrToneRange_s

vTrToneRange_s vTrToneRange_s::Read() {
    vTrToneRange_s r;
    r.minTone = kMinTone.Read();
    r.maxTone = kMaxTone.Read();
    if (r.maxTone <= r.minTone) {
        if (r.minTone == INT32_MAX) --r.minTone;
        r.maxTone = r.minTone + 1;
    }
    return r;
}

int32_t vTrToneRange_s::Row(int32_t tone, int32_t first, int32_t rows) const {
    return TrTraceRow(int64_t{std::clamp(tone, minTone, maxTone)} - minTone, int64_t{maxTone} - minTone, first, rows);
}

int32_t TrTraceRow(int64_t value, int64_t range, int32_t first, int32_t rows) {
    int64_t y = int64_t{first} + rows - 1 - std::max<int64_t>(value, 0) * (rows - 2) / std::max<int64_t>(range, 1);
    // Raised first, then lowered, so a band too small for both ends keeps its last row.
    y = std::max<int64_t>(y, int64_t{first} + 1);
    y = std::min<int64_t>(y, int64_t{first} + rows - 1);
    return static_cast<int32_t>(y);
}
