#pragma once
// The live spectrum exercise's drawing arithmetic, apart from any surface:
// the band columns and the level-to-row mapping of the display, and the
// curves of the spectrum judge's ring (with the smoothing points and the
// error colour of each segment). The spectrum holds the judge, which keeps
// the ring and gives the distance and the mark. Owned by the exercise;
// user-interface thread only. Nothing is allocated per buffer: the curve
// points are sized with the ring.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/scoring/spectrum_judge.h"

// The inner display rectangle and the x of each band's column.
struct vRtHmGeometry_c {
    int left = 0, top = 0, width = 0, height = 0;
    int bands = kRtHmBands;  // 20, or 19 with the old format
    std::array<int, kRtHmBands> x{};

    // x[k] = left + trunc(width / (bands - 1) * k) in real arithmetic, the
    // outer columns moved one pixel inwards.
    void Set(int left, int top, int width, int height, bool oldFormat);
    // The row of level v: top + height - 1 - max(v, 0) * (height - 2) / 5000,
    // kept within top + 1 .. top + height - 1.
    int Y(int64_t v) const;
    // The level whose row is y (the inverse of Y), within 0..kRtHmMaxLevel.
    int32_t LevelAt(int y) const;
};

struct vRtHmOptions_c {
    bool oldFormat = false;   // corridor of bands 1..19
    bool doResults = true;    // distance and error colours
    bool newCalculation = false;
    bool smoothing = true;    // three interpolated points between bands
    bool errorColor = true;   // segments of out-of-corridor bands in the error colour

    vSpectrumJudgeSettings_c Judging(int32_t minResult, int32_t maxResult) const {
        return {oldFormat, doResults, newCalculation, minResult, maxResult};
    }
};

// One point of a curve: the first of a row is where the pen moves to, each
// further one is the end of a line drawn in the error colour when error.
struct vRtHmPoint_c {
    int x = 0, y = 0;
    bool error = false;
};

// The three interpolated levels between band k (q) and band k + 1 (s), p
// being band k - 1 (q for band 0); every quotient truncated.
std::array<int64_t, 3> RtHmSmoothLevels(int64_t p, int64_t q, int64_t s);
// Their x between the columns a and b: 3a/4 + b/4, a/2 + b/2, a/4 + 3b/4.
std::array<int, 3> RtHmSmoothColumns(int a, int b);

class vRtHmSpectrum_c {
public:
    static constexpr int kPointsPerRow = kRtHmBands + 3 * (kRtHmBands - 1);

    // The judge's ring of rows, and the curve points for as many.
    void SetShadows(unsigned rows);
    void SetTracking(int32_t tracking) { mJudge.SetTracking(tracking); }
    void Store(const int32_t* levels) { mJudge.Store(levels); }

    // The curves of every row and the judge's distance of the ring from the
    // corridor.
    int64_t Evaluate(const vRtHmGeometry_c& geometry, const vRtHmCorridor_c& corridor,
                     const vRtHmOptions_c& options, const vRtHmPenalty_c& penalty);

    const vSpectrumJudge_c& Judge() const { return mJudge; }
    unsigned Shadows() const { return mJudge.Shadows(); }
    unsigned WriteIndex() const { return mJudge.WriteIndex(); }
    const int32_t* Row(unsigned r) const { return mJudge.Row(r); }
    int32_t Tracking() const { return mJudge.Tracking(); }
    // After Evaluate: the points of row r's curve.
    int PointCount() const { return mPointCount; }
    const vRtHmPoint_c* Points(unsigned r) const { return &mPoints[static_cast<size_t>(r) * kPointsPerRow]; }

private:
    vSpectrumJudge_c mJudge;
    std::vector<vRtHmPoint_c> mPoints;
    int mPointCount = 0;
};
