#include "exercises/rt_hm_spectrum.h"

#include <algorithm>
#include <limits>

#include "analysis/time_warp.h"

namespace {
int64_t ClampLevel(int64_t v) { return std::clamp<int64_t>(v, 0, kRtHmMaxLevel); }
}  // namespace

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
    return static_cast<int32_t>(ClampLevel(v));
}

std::array<int64_t, 3> RtHmSmoothLevels(int64_t p, int64_t q, int64_t s) {
    return {5 * s / 32 + 30 * q / 32 - 3 * p / 32,
            3 * s / 8 + 6 * q / 8 - p / 8,
            21 * s / 32 + 14 * q / 32 - 3 * p / 32};
}

std::array<int, 3> RtHmSmoothColumns(int a, int b) {
    return {3 * a / 4 + b / 4, a / 2 + b / 2, a / 4 + 3 * b / 4};
}

int64_t RtHmPenalty(int64_t v, int64_t m, int64_t o, int32_t minWeight, int32_t maxWeight,
                    const vRtHmPenalty_c& c) {
    if (v > m + c.softTol + o) {
        const int64_t h = (v - (m + c.softTol + o)) / 100;
        const int64_t w = v <= m + c.hardTol + o ? maxWeight : int64_t{c.hardFactor} * maxWeight;
        return w * h * h / 19;
    }
    if (v < m - c.softTol + o) {
        const int64_t l = (v - (m - c.softTol + o)) / 100;
        const int64_t w = v >= m - c.hardTol + o ? minWeight : int64_t{c.hardFactor} * minWeight;
        return w * l * l / 19;
    }
    return 0;
}

int32_t RtHmOldMark(int64_t distance, int32_t minResult, int32_t maxResult) {
    const int64_t d = std::clamp<int64_t>(distance, std::numeric_limits<int32_t>::min(),
                                          std::numeric_limits<int32_t>::max());
    return MarkFromDistance(static_cast<int32_t>(d), minResult, maxResult);
}

int32_t RtHmNewMark(int64_t distance, const std::array<int32_t, 4>& limits) {
    if (limits[3] == 0) return 0;
    for (int mark = 5; mark >= 2; --mark)
        if (distance <= limits[static_cast<size_t>(mark - 2)]) return mark;
    return 1;
}

void vRtHmSpectrum_c::SetShadows(unsigned rows) {
    mShadows = std::clamp(rows, 1u, kRtHmMaxShadows);
    mWrite = 0;
    mRing.assign(static_cast<size_t>(mShadows) * kRtHmBands, 0);
    mPoints.assign(static_cast<size_t>(mShadows) * kPointsPerRow, vRtHmPoint_c{});
    mPointCount = 0;
    if (mBins.empty()) SetTracking(0);
}

void vRtHmSpectrum_c::SetTracking(int32_t tracking) {
    mTracking = std::clamp(tracking, 0, kRtHmMaxTracking);
    mBins.assign(static_cast<size_t>(2 * mTracking / 100 + 1), 0);
}

void vRtHmSpectrum_c::Store(const int32_t* levels) {
    std::copy(levels, levels + kRtHmBands, mRing.begin() + static_cast<ptrdiff_t>(mWrite) * kRtHmBands);
    mWrite = (mWrite + 1) % mShadows;
}

int64_t vRtHmSpectrum_c::Evaluate(const vRtHmGeometry_c& g, const vRtHmCorridor_c& c, const vRtHmOptions_c& o,
                                  const vRtHmPenalty_c& penalty) {
    const int n = g.bands;
    const int shift = o.oldFormat ? 1 : 0;
    const bool oldTests = o.doResults && !o.newCalculation;
    const bool newTests = o.doResults && o.newCalculation;
    int64_t excess = 0;
    std::fill(mBins.begin(), mBins.end(), 0);

    for (unsigned r = 0; r < mShadows; ++r) {
        const int32_t* row = Row(r);
        vRtHmPoint_c* out = &mPoints[static_cast<size_t>(r) * kPointsPerRow];
        int count = 0;
        int64_t p = 0;
        for (int k = 0; k < n; ++k) {
            const size_t b = static_cast<size_t>(k);
            const int64_t q = ClampLevel(row[k + shift]);
            bool outside = false;
            if (oldTests) {
                if (c.minValues[b] > 0 && q < c.minValues[b]) {
                    outside = true;
                    excess += (c.minValues[b] - q) * c.minWeight[b];
                }
                if (c.maxValues[b] < kRtHmCeiling && q > c.maxValues[b]) {
                    outside = true;
                    excess += (q - c.maxValues[b]) * c.maxWeight[b];
                }
            } else if (newTests) {
                const int64_t m = (int64_t{c.minValues[b]} + c.maxValues[b]) / 2;
                for (size_t bin = 0; bin < mBins.size(); ++bin)
                    mBins[bin] += RtHmPenalty(q, m, static_cast<int64_t>(bin) * 100 - mTracking, c.minWeight[b],
                                              c.maxWeight[b], penalty);
            }
            const bool error = outside && o.errorColor;
            out[count++] = {g.x[b], g.Y(q), error};
            if (o.smoothing && k + 1 < n) {
                const auto levels = RtHmSmoothLevels(k == 0 ? q : p, q, row[k + 1 + shift]);
                const auto xs = RtHmSmoothColumns(g.x[b], g.x[b + 1]);
                for (int i = 0; i < 3; ++i) out[count++] = {xs[i], g.Y(ClampLevel(levels[i])), error};
            }
            p = q;
        }
        mPointCount = count;
    }

    if (oldTests) return excess / (n * 100) / mShadows;
    if (newTests) return *std::min_element(mBins.begin(), mBins.end()) / mShadows;
    return 0;
}
