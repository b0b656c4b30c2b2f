#pragma once
// vTrAmpExercise_c: the loudness trace. Each analysed window's full-band
// level (600 units per doubling of energy, 5000 at the top) is drawn as one
// column; silence lies on the bottom row. Framing from "Ampl_Processor/..."
// (224 samples per window), tail from "Ampl_Processor/TailLength" (25).
// User-interface thread only.

#include "exercises/trace_exercise.h"

class vTrAmpExercise_c : public vTrTraceExercise_c {
    V_RTTI_CLASS(vTrAmpExercise_c, vTrContExercise_c)
public:
    vTrAmpExercise_c();

    int GetKind() override { return 1; }
    void ReadSettings(bool initial) override;

    // The last level drawn.
    int32_t Level() const { return mPrevious; }

protected:
    void AnalyseWindow(const int32_t* input, int steps) override;
    void DisplayStep() override;

private:
    int32_t mPrevious = 0;
};
