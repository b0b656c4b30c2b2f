#include "analysis/time_warp.h"

#include <algorithm>
#include <cmath>

#include "analysis/recording.h"
#include "platform/exception.h"
#include "settings/settings.h"

vWordScoreSettings_c vWordScoreSettings_c::Read() {
    vWordScoreSettings_c s;
    if (!gSettings.FileName()) return s;
    s.dontCareLevel = gSettings.GetInt("TimeWarp/DontCareLevel", s.dontCareLevel);
    s.deviationLimit = gSettings.GetInt("TimeWarp/DeviationLimit", s.deviationLimit);
    s.minResult = gSettings.GetInt("ResDisplay/MinResult", s.minResult);
    s.maxResult = gSettings.GetInt("ResDisplay/MaxResult", s.maxResult);
    s.medianWidth = gSettings.GetInt("ResDisplay/MedianWidth", s.medianWidth);
    s.spirantLimit = gSettings.GetInt("ResDisplay/SpirantLimit", s.spirantLimit);
    s.normToMax = gSettings.GetBool("ResDisplay/NormToMax", s.normToMax);
    s.newCalculation = gSettings.GetBool("ResDisplay/NewCalculation", s.newCalculation);
    // Room for the longest names (20 and 200 characters) and the store's
    // truncation check.
    char text[202];
    gSettings.GetString("ResDisplay/Models", text, 22, s.modelsFile.c_str());
    s.modelsFile = text;
    gSettings.GetString("HM1_Processor/MaxRes", text, sizeof text, s.limitsFile.c_str());
    s.limitsFile = text;
    return s;
}

namespace {

constexpr int kBands = 20;

// Band values raised to the level floor, one band after another:
// out[k * count + index], so the distance of one say frame to every etalon
// frame runs down contiguous memory.
void ClampTransposed(const int32_t* const* frames, int32_t count, int32_t level, std::vector<int32_t>& out) {
    out.resize(static_cast<size_t>(count) * kBands);
    for (int32_t i = 0; i < count; ++i)
        for (int k = 0; k < kBands; ++k)
            out[static_cast<size_t>(k) * count + i] = std::max(frames[i][k], level);
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

}  // namespace

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
    ClampTransposed(etalon, n, level, e);
    ClampTransposed(say, m, level, s);
    // With every value inside a span below 2^31 / 20 no sum of 20 differences
    // can overflow, which lets the distance loop run on 32-bit lanes.
    const auto [eMin, eMax] = std::minmax_element(e.begin(), e.end());
    const auto [sMin, sMax] = std::minmax_element(s.begin(), s.end());
    const int64_t span = static_cast<int64_t>(std::max(*eMax, *sMax)) - std::min(*eMin, *sMin);
    const bool fast = span * kBands < static_cast<int64_t>(kWarpInfinite);

    const double diag = std::sqrt(static_cast<double>(n) * n + static_cast<double>(m) * m);
    const int64_t a = static_cast<int64_t>(m * 256.0 / diag);
    const int64_t b = static_cast<int64_t>(n * 256.0 / diag);
    // |g| never exceeds n + m, so a wider band excludes nothing.
    const bool banded = deviationLimit <= static_cast<int64_t>(n) + m;

    std::vector<int32_t> dist(static_cast<size_t>(n));
    std::vector<int32_t> sayFrame(kBands);
    for (int32_t j = 0; j < m; ++j) {
        for (int k = 0; k < kBands; ++k) sayFrame[static_cast<size_t>(k)] = s[static_cast<size_t>(k) * m + j];
        if (fast)
            RowDistancesFast(e.data(), n, sayFrame.data(), dist.data());
        else
            RowDistancesWide(e.data(), n, sayFrame.data(), dist.data());

        int32_t* row = matrix.data() + static_cast<size_t>(j) * n;
        const int32_t* above = j > 0 ? row - n : nullptr;
        int32_t left = kWarpInfinite;                // D(i-1, j)
        int32_t corner = j == 0 ? 0 : kWarpInfinite;  // D(i-1, j-1); D(-1,-1) = 0
        for (int32_t i = 0; i < n; ++i) {
            const int32_t up = above ? above[i] : kWarpInfinite;  // D(i, j-1)
            int32_t cost;
            if (banded) {
                const int64_t g = (a * i - b * j) / 256;
                if (!(-static_cast<int64_t>(deviationLimit) < g && g < deviationLimit)) {
                    row[i] = kWarpInfinite;
                    left = kWarpInfinite;
                    corner = up;
                    continue;
                }
            }
            cost = AddCost(dist[static_cast<size_t>(i)], std::min(std::min(left, up), corner));
            row[i] = cost;
            left = cost;
            corner = up;
        }
    }
    distance = matrix.back();
    Backtrack();
    distance /= std::max(steps, 1);
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
