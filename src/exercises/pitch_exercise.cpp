#include "exercises/pitch_exercise.h"

#include "settings/shared_keys.h"

#include <algorithm>
#include <cstring>

namespace {
// Unvoiced buffers after which the trace breaks off.
constexpr vUnsignedSetting_c kInvalidNum{"Pitch_Exercise/InvalidNum", 10};
}  // namespace

// ---------------------------------------------------------------------------
// vTrPitchExercise_c

vTrPitchExercise_c::vTrPitchExercise_c()
    : vTrTraceExercise_c("Pitch_Processor", 672),
      mTrackers("Pitch_Processor", 3, static_cast<int>(Framing().windowSize / 8)),
      mRange(vTrToneRange_s::Read()),
      mInvalidNum(kInvalidNum.Read()),
      // Before the first pitch there is no trace to join: it starts where the
      // voice is, not with a line from the display's top edge.
      mInvalid(mInvalidNum) {
    ReadSettings(true);
}

void vTrPitchExercise_c::ReadSettings(bool initial) {
    if (!initial) vTrTraceExercise_c::ReadSettings(initial);
    mTailLength = keys::kPitchLine.Read();
}

void vTrPitchExercise_c::AnalyseWindow(const int32_t* input, int steps) {
    mTone = mTrackers.AnalyseWindow(Bank(), input, steps);
}

void vTrPitchExercise_c::DisplayStep() {
    vAreaDrawing_c drawing(*this);
    const int32_t tone = std::clamp(mTone, mRange.minTone, mRange.maxTone);
    const vDxRect inner = InnerRect();
    vDxDC_i& dc = DC();
    dc.AttachImage(this);
    if (Column() == inner.w - 1) {
        dc.MoveTo(inner.x, mRange.Row(tone, inner.y, inner.h));
    } else {
        vDxPoint p = mPenPoint;
        if (p.x < inner.x) p.x = inner.x + Column();
        if (p.y < inner.y) p.y = inner.y;
        dc.SetPos(p);
    }
    const int x = inner.x + NextColumn();
    const int y = mRange.Row(tone, inner.y, inner.h);
    if (tone > mRange.minTone) {
        // After a long gap the trace starts afresh instead of joining the old one.
        if (mInvalid < mInvalidNum)
            DrawPen(x, y);
        else
            dc.MoveTo(x, y);
        mInvalid = 0;
    } else {
        mInvalid = std::min(mInvalid + 1, mInvalidNum);
    }
    mPenPoint = dc.GetPos();
    dc.AttachImage(nullptr);
    EraseBehind(Column());
    MoveHead(x, y);
}

// ---------------------------------------------------------------------------
// vTrPitch2Exercise_c

vTrPitch2Exercise_c::vTrPitch2Exercise_c()
    : vTrHmContExercise_c("Pitch_Processor2", 1120),
      mTrackers("Pitch_Processor2", 2, static_cast<int>(Framing().windowSize / 8)),
      mRange(vTrToneRange_s::Read()),
      mInvalidNum(kInvalidNum.Read()),
      mDisplayInterleave(std::max<uint32_t>(kDisplayInterleave.Read(), 1)) {}

void vTrPitch2Exercise_c::OnDeclare(const char* path, const char* className, const vPropDesc_c& prop,
                                    void* address) {
    if (std::strcmp(prop.name, "HeadImage") == 0 || std::strcmp(prop.name, "NeckImage") == 0)
        DeclareImage(prop, className, &vDxImage_i::sTypeInfo);
    else
        vTrHmContExercise_c::OnDeclare(path, className, prop, address);
}

void vTrPitch2Exercise_c::Show() {
    if (mHeadMaxY - mHeadMinY < 3)
        throw vPrintException_c(0, "HeadMinY %d and HeadMaxY %d leave the head no room to move", mHeadMinY, mHeadMaxY);
    vTrHmContExercise_c::Show();
}

void vTrPitch2Exercise_c::AnalyseWindow(const int32_t* input, int steps) {
    mTone = mTrackers.AnalyseWindow(Bank(), input, steps);
}

void vTrPitch2Exercise_c::DisplayStep() {
    if (++mDisplayCounter < mDisplayInterleave) return;
    mDisplayCounter = 0;
    const int32_t tone = std::clamp(mTone, mRange.minTone, mRange.maxTone);
    const int32_t y = mRange.Row(tone, mHeadMinY, mHeadMaxY - mHeadMinY);
    if (tone > mRange.minTone) {
        DrawHead(y);
        mInvalid = 0;
    } else if (++mInvalid > mInvalidNum) {
        // The head drops only after InvalidNum + 1 silent updates, then stays down.
        mInvalid = mInvalidNum;
        DrawHead(y);
    }
}

vDxRect vTrPitch2Exercise_c::FigureRect(int32_t y) const {
    if (!mHeadImage) return {};
    int left = mHeadX, right = mHeadX + mHeadImage->GetWidth();
    const int top = y;
    int bottom = y + mHeadImage->GetHeight();
    if (mNeckImage) {
        left = std::min(left, mNeckPos.mX);
        right = std::max(right, mNeckPos.mX + mNeckImage->GetWidth());
        bottom = std::max(bottom, mNeckPos.mY);
    }
    return {left, top, right - left, bottom - top};
}

void vTrPitch2Exercise_c::DrawHead(int32_t y) {
    // Only the figure moves: the scene comes back where it stood, and only
    // that and where it stands now are shown anew.
    vAreaDrawing_c drawing(*this);
    const vDxRect before = FigureRect(mHeadY);
    auto within = [](const vDxRect& a, const vDxRect& b) {
        const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
        const int x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
        return vDxRect{x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0)};
    };
    if (mExImage) {
        const vDxRect scene{mDispPos.mX, mDispPos.mY, mExImage->GetWidth(), mExImage->GetHeight()};
        const vDxRect r = within(before, scene);
        if (!r.Empty()) BltClipped({r.x, r.y}, *mExImage, {r.x - scene.x, r.y - scene.y, r.w, r.h});
    } else {
        const vDxRect r = within(before, DisplayRect());
        if (!r.Empty()) FillRect(r, mBlack);
    }
    Changed(before);
    mHeadY = y;
    if (!mHeadImage) return;
    const int headHeight = mHeadImage->GetHeight();
    if (mNeckImage) {
        // The neck's bottom edge stays at NeckPos.y; its top hides behind the head.
        const int neckHeight = mNeckImage->GetHeight();
        const int top = y + headHeight - mNeckOverlap;
        const int sourceRow = neckHeight + top - mNeckPos.mY;
        BltClipped({mNeckPos.mX, top}, *mNeckImage, {0, sourceRow, mNeckImage->GetWidth(), neckHeight - sourceRow});
    }
    BltImage({mHeadX, y}, *mHeadImage);
    Changed(FigureRect(y));
}

V_REGISTER_CLASS(vTrPitchExercise_c,
    V_PROP("PenColor", mPenColor),
    V_PROP("OverloadPos", mOverloadPos),
    V_PROP("OverloadSize", mOverloadSize),
    V_PROP_DECLARED("HeadImage", mHeadImage));

V_REGISTER_CLASS(vTrPitch2Exercise_c,
    V_PROP("PenColor", mPenColor),
    V_PROP("OverloadPos", mOverloadPos),
    V_PROP("OverloadSize", mOverloadSize),
    V_PROP("NeckPos", mNeckPos),
    V_PROP("HeadX", mHeadX),
    V_PROP("HeadMinY", mHeadMinY),
    V_PROP("HeadMaxY", mHeadMaxY),
    V_PROP("NeckOverlap", mNeckOverlap),
    V_PROP_DECLARED("HeadImage", mHeadImage),
    V_PROP_DECLARED("NeckImage", mNeckImage));
