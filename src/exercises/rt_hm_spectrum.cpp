#include "exercises/rt_hm_spectrum.h"

#include <algorithm>

void vRtHmGeometry_c::Set(int l, int t, int w, int h, bool oldFormat) {
    left = l;
    top = t;
    width = w;
    height = h;
    bands = oldFormat ? kRtHmBands - 1 : kRtHmBands;
    const double step = w / static_cast<double>(bands - 1);
    for (int k = 0; k < bands; ++k) x[static_cast<size_t>(k)] = l + static_cast<int>(step * k);
    x[0] += 1;
    // The last column of either format, so that no curve ends outside the rectangle.
    x[static_cast<size_t>(bands - 1)] -= 1;
    for (int k = bands; k < kRtHmBands; ++k) x[static_cast<size_t>(k)] = x[static_cast<size_t>(bands - 1)];
}

int vRtHmGeometry_c::Y(int64_t v) const {
    int64_t y = top + height - 1 - std::max<int64_t>(v, 0) * (height - 2) / kRtHmCeiling;
    y = std::max<int64_t>(y, top + 1);
    y = std::min<int64_t>(y, top + height - 1);
    return static_cast<int>(y);
}

int32_t vRtHmGeometry_c::LevelAt(int y) const {
    if (height <= 2) return 0;
    const int64_t rows = std::max<int64_t>(top + height - 1 - y, 0);
    // Rounded up, so that Y gives back exactly y.
    const int64_t v = (rows * kRtHmCeiling + height - 3) / (height - 2);
    return static_cast<int32_t>(RtHmClampLevel(v));
}

std::array<int64_t, 3> RtHmSmoothLevels(int64_t p, int64_t q, int64_t s) {
    return {5 * s / 32 + 30 * q / 32 - 3 * p / 32,
            3 * s / 8 + 6 * q / 8 - p / 8,
            21 * s / 32 + 14 * q / 32 - 3 * p / 32};
}

std::array<int, 3> RtHmSmoothColumns(int a, int b) {
    return {3 * a / 4 + b / 4, a / 2 + b / 2, a / 4 + 3 * b / 4};
}

void vRtHmSpectrum_c::SetShadows(unsigned rows) {
    mJudge.SetShadows(rows);
    mPoints.assign(static_cast<size_t>(mJudge.Shadows()) * kPointsPerRow, vRtHmPoint_c{});
    mPointCount = 0;
}

int64_t vRtHmSpectrum_c::Evaluate(const vRtHmGeometry_c& g, const vRtHmCorridor_c& c, const vRtHmOptions_c& o,
                                  const vRtHmPenalty_c& penalty) {
    const int n = g.bands;
    const int shift = o.oldFormat ? 1 : 0;
    // Only the old calculation colours the bands outside the corridor.
    const bool oldTests = o.doResults && !o.newCalculation && o.errorColor;
    for (unsigned r = 0; r < Shadows(); ++r) {
        const int32_t* row = Row(r);
        vRtHmPoint_c* out = &mPoints[static_cast<size_t>(r) * kPointsPerRow];
        int count = 0;
        int64_t p = 0;
        for (int k = 0; k < n; ++k) {
            const size_t b = static_cast<size_t>(k);
            const int64_t q = RtHmClampLevel(row[k + shift]);
            const bool error = oldTests && (RtHmBelow(q, c, b) || RtHmAbove(q, c, b));
            out[count++] = {g.x[b], g.Y(q), error};
            if (o.smoothing && k + 1 < n) {
                const auto levels = RtHmSmoothLevels(k == 0 ? q : p, q, row[k + 1 + shift]);
                const auto xs = RtHmSmoothColumns(g.x[b], g.x[b + 1]);
                for (int i = 0; i < 3; ++i) out[count++] = {xs[i], g.Y(RtHmClampLevel(levels[i])), error};
            }
            p = q;
        }
        mPointCount = count;
    }
    return mJudge.Distance(c, o.Judging(0, 0), penalty);
}
