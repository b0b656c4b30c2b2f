#include "analysis/time_warp.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/recording.h"
#include "platform/exception.h"
#include "settings/settings.h"

vWordScoreSettings_c vWordScoreSettings_c::Read() {
    vWordScoreSettings_c s;
    if (!gSettings.FileName()) return s;
    s.dontCareLevel = keys::kDontCareLevel.Read();
    s.deviationLimit = keys::kWordDeviationLimit.Read();
    s.minResult = keys::kWordMinResult.Read();
    s.maxResult = keys::kWordMaxResult.Read();
    s.medianWidth = keys::kWordMedianWidth.Read();
    s.spirantLimit = keys::kSpirantLimit.Read();
    s.normToMax = keys::kWordNormToMax.Read();
    s.newCalculation = keys::kWordNewCalculation.Read();
    s.modelsFile = keys::kModelsFile.Read();
    s.limitsFile = keys::kLimitsFile.Read();
    s.meanRemoval = keys::kWordMeanRemoval.Read();
    s.slopeLimit = keys::kWordSlopeLimit.Read();
    s.frameFloor = keys::kWordFrameFloor.Read();
    if (s.frameFloor < 0) {
        std::fprintf(stderr, "TimeWarp/FrameFloor %d is below 0; using TimeWarp/DontCareLevel.\n", s.frameFloor);
        s.frameFloor = 0;
    }
    s.cohortSize = keys::kWordCohortSize.Read();
    s.cohortMinResult = keys::kWordCohortMinResult.Read();
    s.cohortMaxResult = keys::kWordCohortMaxResult.Read();
    s.wordGate = std::max(keys::kWordGate.Read(), 0);
    if (s.cohortSize < 0 || s.cohortSize > kMaxCohort) {
        std::fprintf(stderr, "ResDisplay/CohortSize %d is outside 0..%d; no cohort is used.\n", s.cohortSize, kMaxCohort);
        s.cohortSize = 0;
    }
    return s;
}

namespace {

constexpr int kBands = 20;

// Band values raised to the level floor (then, with meanRemoval, less the
// frame's mean), one band after another: out[k * count + index], so the
// distance of one say frame to every etalon frame runs down contiguous memory.
void ClampTransposed(const int32_t* const* frames, int32_t count, int32_t level, bool meanRemoval,
                     std::vector<int32_t>& out) {
    out.resize(static_cast<size_t>(count) * kBands);
    for (int32_t i = 0; i < count; ++i) {
        int64_t sum = 0;
        for (int k = 0; k < kBands; ++k) sum += std::max(frames[i][k], level);
        const int64_t mean = meanRemoval ? sum / kBands : 0;
        for (int k = 0; k < kBands; ++k)
            out[static_cast<size_t>(k) * count + i] =
                static_cast<int32_t>(std::clamp<int64_t>(std::max(frames[i][k], level) - mean, INT32_MIN, INT32_MAX));
    }
}

// Distances of say frame s (20 clamped values) to all n etalon frames, for
// values whose spread guarantees no 32-bit overflow.
__attribute__((target_clones("avx2", "default")))
void RowDistancesFast(const int32_t* etalon, int32_t n, const int32_t* s, int32_t* out) {
    std::fill(out, out + n, 0);
    for (int k = 0; k < kBands; ++k) {
        const int32_t* e = etalon + static_cast<size_t>(k) * n;
        const int32_t v = s[k];
        for (int32_t i = 0; i < n; ++i) {
            int32_t d = e[i] - v;
            out[i] += d < 0 ? -d : d;
        }
    }
}

// The same for arbitrary values: 64-bit sums saturated to the infinite cost.
void RowDistancesWide(const int32_t* etalon, int32_t n, const int32_t* s, int32_t* out) {
    for (int32_t i = 0; i < n; ++i) {
        int64_t sum = 0;
        for (int k = 0; k < kBands; ++k) sum += std::llabs(static_cast<int64_t>(etalon[static_cast<size_t>(k) * n + i]) - s[k]);
        out[i] = static_cast<int32_t>(std::min<int64_t>(sum, kWarpInfinite));
    }
}

// Saturating sum of two costs in 0..infinite.
inline int32_t AddCost(int32_t a, int32_t b) {
    const uint32_t sum = static_cast<uint32_t>(a) + static_cast<uint32_t>(b);
    return sum > static_cast<uint32_t>(kWarpInfinite) ? kWarpInfinite : static_cast<int32_t>(sum);
}

// The deviation band around the diagonal: cell (i, j) is inside when its
// distance g from the diagonal stays below the limit.
struct DeviationBand {
    DeviationBand(int32_t n, int32_t m, int32_t limit) : limit(limit) {
        const double diag = std::sqrt(static_cast<double>(n) * n + static_cast<double>(m) * m);
        a = static_cast<int64_t>(m * 256.0 / diag);
        b = static_cast<int64_t>(n * 256.0 / diag);
        // |g| never exceeds n + m, so a wider band excludes nothing.
        on = limit <= static_cast<int64_t>(n) + m;
    }
    bool Inside(int32_t i, int32_t j) const {
        if (!on) return true;
        const int64_t g = (a * i - b * j) / 256;
        return -static_cast<int64_t>(limit) < g && g < limit;
    }
    int64_t a, b;
    int32_t limit;
    bool on;
};

// Accumulates row j of the unconstrained warp from its frame distances:
// each cell adds its distance to the cheapest of left, below and diagonal.
void AccumulateRow(int32_t* row, int32_t n, int32_t j, const int32_t* dist, const DeviationBand& band) {
    const int32_t* above = j > 0 ? row - n : nullptr;
    int32_t left = kWarpInfinite;                // D(i-1, j)
    int32_t corner = j == 0 ? 0 : kWarpInfinite;  // D(i-1, j-1); D(-1,-1) = 0
    for (int32_t i = 0; i < n; ++i) {
        const int32_t up = above ? above[i] : kWarpInfinite;  // D(i, j-1)
        if (!band.Inside(i, j)) {
            row[i] = kWarpInfinite;
            left = kWarpInfinite;
            corner = up;
            continue;
        }
        const int32_t cost = AddCost(dist[i], std::min(std::min(left, up), corner));
        row[i] = cost;
        left = cost;
        corner = up;
    }
}

}  // namespace

void vWarpData_c::Configure(const vWordScoreSettings_c& settings) {
    deviationLimit = settings.deviationLimit;
    meanRemoval = settings.meanRemoval;
    slopeLimit = settings.slopeLimit;
}

void vWarpData_c::Warp(const vRecording_c& etalon, const vRecording_c& say, int32_t level) {
    const int32_t n = etalon.RecSize(), m = say.RecSize();
    if (etalon.RecPos() <= 0 || say.RecPos() <= 0 || n <= 0 || m <= 0) {
        Warp(nullptr, 0, nullptr, 0, level);
        return;
    }
    std::vector<const int32_t*> e(static_cast<size_t>(n)), s(static_cast<size_t>(m));
    for (int32_t i = 0; i < n; ++i) e[static_cast<size_t>(i)] = etalon.WordFrame(i).channels;
    for (int32_t j = 0; j < m; ++j) s[static_cast<size_t>(j)] = say.WordFrame(j).channels;
    Warp(e.data(), n, s.data(), m, level);
}

void vWarpData_c::Warp(const int32_t* const* etalon, int32_t n, const int32_t* const* say, int32_t m, int32_t level) {
    distance = 0;
    steps = 0;
    slopeLimited = false;
    if (n <= 0 || m <= 0) {
        cols = rows = 0;
        matrix.clear();
        return;
    }
    if (static_cast<int64_t>(n) * m > kMaxCells)
        throw vPrintException_c(0, "Recordings of %d and %d frames are too long to compare.", n, m);
    cols = n;
    rows = m;
    matrix.assign(static_cast<size_t>(n) * m, 0);

    std::vector<int32_t> e, s;
    ClampTransposed(etalon, n, level, meanRemoval, e);
    ClampTransposed(say, m, level, meanRemoval, s);
    // With every value inside a span below 2^31 / 20 no sum of 20 differences
    // can overflow, which lets the distance loop run on 32-bit lanes.
    const auto [eMin, eMax] = std::minmax_element(e.begin(), e.end());
    const auto [sMin, sMax] = std::minmax_element(s.begin(), s.end());
    const int64_t span = static_cast<int64_t>(std::max(*eMax, *sMax)) - std::min(*eMin, *sMin);
    const bool fast = span * kBands < static_cast<int64_t>(kWarpInfinite);
    const DeviationBand band(n, m, deviationLimit);

    // With the slope limit the matrix first holds the frame distances, which
    // the unconstrained fallback needs again.
    std::vector<int32_t> dist(slopeLimit ? 0 : static_cast<size_t>(n));
    std::vector<int32_t> sayFrame(kBands);
    for (int32_t j = 0; j < m; ++j) {
        for (int k = 0; k < kBands; ++k) sayFrame[static_cast<size_t>(k)] = s[static_cast<size_t>(k) * m + j];
        int32_t* row = matrix.data() + static_cast<size_t>(j) * n;
        int32_t* out = slopeLimit ? row : dist.data();
        if (fast)
            RowDistancesFast(e.data(), n, sayFrame.data(), out);
        else
            RowDistancesWide(e.data(), n, sayFrame.data(), out);
        if (!slopeLimit) AccumulateRow(row, n, j, dist.data(), band);
    }
    if (slopeLimit) {
        const std::vector<int32_t> distances = matrix;
        slopeLimited = AccumulateLimited(distances.data());
        if (slopeLimited) return;
        for (int32_t j = 0; j < m; ++j)
            AccumulateRow(matrix.data() + static_cast<size_t>(j) * n, n, j, distances.data() + static_cast<size_t>(j) * n, band);
    }
    distance = matrix.back();
    Backtrack();
    distance /= std::max(steps, 1);
}

bool vWarpData_c::AccumulateLimited(const int32_t* distances) {
    // Three costs per cell by the step that entered it: diagonal (or the
    // start), horizontal (i - 1 to i) and vertical (j - 1 to j). A horizontal
    // step may not follow a horizontal one, nor a vertical a vertical, which
    // keeps the path's slope between 1/2 and 2. Each cell remembers, per
    // state, the state it came from: bits 0-1 for the diagonal (0 diagonal,
    // 1 horizontal, 2 vertical), bit 2 for the horizontal (vertical before
    // it), bit 3 for the vertical (horizontal before it).
    const int32_t n = cols, m = rows;
    const DeviationBand band(n, m, deviationLimit);
    const size_t width = static_cast<size_t>(n);
    std::vector<int32_t> pd(width, kWarpInfinite), ph(pd), pv(pd), cd(pd), ch(pd), cv(pd);
    std::vector<uint8_t> from(width * static_cast<size_t>(m), 0);
    for (int32_t j = 0; j < m; ++j) {
        const int32_t* dist = distances + static_cast<size_t>(j) * n;
        int32_t* row = matrix.data() + static_cast<size_t>(j) * n;
        uint8_t* back = from.data() + static_cast<size_t>(j) * n;
        for (int32_t i = 0; i < n; ++i) {
            int32_t d = kWarpInfinite, h = kWarpInfinite, v = kWarpInfinite;
            uint8_t bits = 0;
            if (band.Inside(i, j)) {
                if (i == 0 && j == 0) {
                    d = dist[0];
                } else {
                    if (i > 0 && j > 0) {
                        int32_t best = pd[i - 1];
                        if (ph[i - 1] < best) best = ph[i - 1], bits = 1;
                        if (pv[i - 1] < best) best = pv[i - 1], bits = 2;
                        d = AddCost(dist[i], best);
                    }
                    if (i > 0) {
                        const bool afterV = cv[i - 1] < cd[i - 1];
                        if (afterV) bits |= 4;
                        h = AddCost(dist[i], afterV ? cv[i - 1] : cd[i - 1]);
                    }
                    if (j > 0) {
                        const bool afterH = ph[i] < pd[i];
                        if (afterH) bits |= 8;
                        v = AddCost(dist[i], afterH ? ph[i] : pd[i]);
                    }
                }
            }
            cd[i] = d;
            ch[i] = h;
            cv[i] = v;
            back[i] = bits;
            row[i] = std::min({d, h, v});
        }
        std::swap(pd, cd);
        std::swap(ph, ch);
        std::swap(pv, cv);
    }
    // The last row's costs are now in pd, ph, pv.
    const size_t last = width - 1;
    int state = 0;
    int32_t total = pd[last];
    if (ph[last] < total) total = ph[last], state = 1;
    if (pv[last] < total) total = pv[last], state = 2;
    if (total >= kWarpInfinite) return false;

    int32_t f = n - 1, g = m - 1;
    steps = 0;
    while (f > 0 || g > 0) {
        int32_t& cell = matrix[static_cast<size_t>(f) + static_cast<size_t>(g) * width];
        cell = ~cell;
        const uint8_t bits = from[static_cast<size_t>(f) + static_cast<size_t>(g) * width];
        if (state == 0) {
            state = bits & 3;
            --f;
            --g;
        } else if (state == 1) {
            state = bits & 4 ? 2 : 0;
            --f;
        } else {
            state = bits & 8 ? 1 : 0;
            --g;
        }
        ++steps;
    }
    matrix[0] = ~matrix[0];
    distance = total / std::max(steps, 1);
    return true;
}

void vWarpData_c::Backtrack() {
    auto at = [this](int32_t i, int32_t j) -> int32_t {
        if (i < 0 || j < 0) return i < 0 && j < 0 ? 0 : kWarpInfinite;
        return matrix[static_cast<size_t>(i) + static_cast<size_t>(j) * cols];
    };
    int32_t f = cols - 1, g = rows - 1;
    steps = 0;
    while (f > 0 || g > 0) {
        int32_t& cell = matrix[static_cast<size_t>(f) + static_cast<size_t>(g) * cols];
        cell = ~cell;
        if (f == 0) {
            // On the matrix's edge only one way is left, whatever the costs
            // (cells cut off by the band are all infinite).
            --g;
        } else if (g == 0) {
            --f;
        } else {
            const int32_t A = at(f - 1, g), B = at(f, g - 1), C = at(f - 1, g - 1);
            if (A < B && A < C)
                --f;
            else if (A >= B && B < C)
                --g;
            else {
                --f;
                --g;
            }
        }
        ++steps;
    }
    matrix[0] = ~matrix[0];
}

int32_t vWarpData_c::ColumnForRow(int32_t j) const {
    if (matrix.empty()) throw vTextException_c("No warp data");
    if (j < 0 || j >= rows) throw vTextException_c("Warp row out of range");
    for (int32_t i = 0; i < cols; ++i)
        if (OnPath(i, j)) return i;
    throw vTextException_c("No warp path in this row");
}

int32_t vWarpData_c::RowForColumn(int32_t i) const {
    if (matrix.empty()) throw vTextException_c("No warp data");
    if (i < 0 || i >= cols) throw vTextException_c("Warp column out of range");
    for (int32_t j = 0; j < rows; ++j)
        if (OnPath(i, j)) return j;
    throw vTextException_c("No warp path in this column");
}

int32_t MarkFromDistance(int32_t dist, int32_t minResult, int32_t maxResult) {
    if (dist > minResult) return 1;
    if (dist < maxResult) return 5;
    if (minResult == maxResult) return 3;
    return static_cast<int32_t>(4 - (static_cast<int64_t>(dist) - maxResult) * 3 / (static_cast<int64_t>(minResult) - maxResult));
}

int32_t MarkFromDistance(const vWarpData_c* warp, int32_t minResult, int32_t maxResult) {
    return warp ? MarkFromDistance(warp->Distance(), minResult, maxResult) : -1;
}
