#include "analysis/scoring/spectrum_judge.h"

#include <algorithm>
#include <limits>

#include "analysis/time_warp.h"

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

void vSpectrumJudge_c::SetShadows(unsigned rows) {
    mShadows = std::clamp(rows, 1u, kRtHmMaxShadows);
    mWrite = 0;
    mRing.assign(static_cast<size_t>(mShadows) * kRtHmBands, 0);
    if (mBins.empty()) SetTracking(0);
}

void vSpectrumJudge_c::SetTracking(int32_t tracking) {
    mTracking = std::clamp(tracking, 0, kRtHmMaxTracking);
    mBins.assign(static_cast<size_t>(2 * mTracking / 100 + 1), 0);
}

void vSpectrumJudge_c::Store(const int32_t* levels) {
    std::copy(levels, levels + kRtHmBands, mRing.begin() + static_cast<ptrdiff_t>(mWrite) * kRtHmBands);
    mWrite = (mWrite + 1) % mShadows;
}

int64_t vSpectrumJudge_c::Distance(const vRtHmCorridor_c& c, const vSpectrumJudgeSettings_c& s,
                                   const vRtHmPenalty_c& penalty) {
    if (!s.doResults) return 0;
    const int n = s.Bands();
    const int shift = s.oldFormat ? 1 : 0;
    int64_t excess = 0;
    std::fill(mBins.begin(), mBins.end(), 0);
    for (unsigned r = 0; r < mShadows; ++r) {
        const int32_t* row = Row(r);
        for (int k = 0; k < n; ++k) {
            const size_t b = static_cast<size_t>(k);
            const int64_t q = RtHmClampLevel(row[k + shift]);
            if (!s.newCalculation) {
                if (RtHmBelow(q, c, b)) excess += (c.minValues[b] - q) * c.minWeight[b];
                if (RtHmAbove(q, c, b)) excess += (q - c.maxValues[b]) * c.maxWeight[b];
            } else {
                const int64_t m = (int64_t{c.minValues[b]} + c.maxValues[b]) / 2;
                for (size_t bin = 0; bin < mBins.size(); ++bin)
                    mBins[bin] += RtHmPenalty(q, m, static_cast<int64_t>(bin) * 100 - mTracking, c.minWeight[b],
                                              c.maxWeight[b], penalty);
            }
        }
    }
    if (!s.newCalculation) return excess / (n * 100) / mShadows;
    return *std::min_element(mBins.begin(), mBins.end()) / mShadows;
}

int32_t vSpectrumJudge_c::Mark(int64_t distance, const vSpectrumJudgeSettings_c& s,
                               const std::array<int32_t, 4>* markLimits) {
    if (s.newCalculation) return markLimits ? RtHmNewMark(distance, *markLimits) : 0;
    return RtHmOldMark(distance, s.minResult, s.maxResult);
}
