#include "exercises/amp_exercise.h"

#include "settings/shared_keys.h"

vTrAmpExercise_c::vTrAmpExercise_c() : vTrTraceExercise_c("Ampl_Processor", 224) { ReadSettings(true); }

void vTrAmpExercise_c::ReadSettings(bool initial) {
    if (!initial) vTrTraceExercise_c::ReadSettings(initial);
    mTailLength = keys::kLoudnessLine.Read();
}

void vTrAmpExercise_c::AnalyseWindow(const int32_t* input, int steps) { Bank().EnergyBlock(input, steps); }

void vTrAmpExercise_c::DisplayStep() {
    vAreaDrawing_c drawing(*this);
    const int32_t level = Bank().OutputLog(kFullBandOutput);
    const vDxRect inner = InnerRect();
    auto row = [&](int32_t v) { return TrTraceRow(v, 5000, inner.y, inner.h); };
    vDxDC_i& dc = DC();
    dc.AttachImage(this);
    if (Column() == inner.w - 1)
        dc.MoveTo(inner.x, row(level));
    else
        dc.MoveTo(inner.x + Column(), row(mPrevious));
    const int x = inner.x + NextColumn();
    const int y = row(level);
    mPrevious = level;
    DrawPen(x, y);
    dc.AttachImage(nullptr);
    EraseBehind(Column());
    MoveHead(x, y);
}

V_REGISTER_CLASS(vTrAmpExercise_c,
    V_PROP("PenColor", mPenColor),
    V_PROP("OverloadPos", mOverloadPos),
    V_PROP("OverloadSize", mOverloadSize),
    V_PROP_DECLARED("HeadImage", mHeadImage));
