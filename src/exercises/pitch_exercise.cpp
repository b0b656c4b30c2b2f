#include "exercises/pitch_exercise.h"

#include "settings/settings.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// vTrPitchExercise_c

vTrPitchExercise_c::vTrPitchExercise_c()
    : vTrTraceExercise_c("Pitch_Processor", 672),
      mTrackers("Pitch_Processor", 3, static_cast<int>(Framing().windowSize / 8)),
      mRange(vTrToneRange_s::Read()),
      mInvalidNum(gSettings.GetUnsigned("Pitch_Exercise/InvalidNum", 10)),
      // Before the first pitch there is no trace to join: it starts where the
      // voice is, not with a line from the display's top edge.
      mInvalid(mInvalidNum) {
    ReadSettings(true);
}

void vTrPitchExercise_c::ReadSettings(bool initial) {
    if (!initial) vTrTraceExercise_c::ReadSettings(initial);
    mTailLength = gSettings.GetUnsigned("Pitch_Exercise/TailLength", 100);
}

void vTrPitchExercise_c::AnalyseWindow(const int32_t* input, int steps) {
    mTone = mTrackers.AnalyseWindow(*this, input, steps);
}

void vTrPitchExercise_c::DisplayStep() {
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
      mInvalidNum(gSettings.GetUnsigned("Pitch_Exercise/InvalidNum", 10)),
      mDisplayInterleave(std::max<uint32_t>(gSettings.GetUnsigned("Pitch_Exercise/DisplayInterleave", 1), 1)) {}

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
    mTone = mTrackers.AnalyseWindow(*this, input, steps);
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

void vTrPitch2Exercise_c::DrawHead(int32_t y) {
    mHeadY = y;
    if (mExImage)
        BltImage({mDispPos.mX, mDispPos.mY}, *mExImage);
    else
        FillRect(DisplayRect(), mBlack);
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
}
