#include "analysis/time_warp.h"

#include <gtest/gtest.h>

#include <array>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "analysis/recording.h"
#include "platform/exception.h"

namespace {

// Frames whose 20 bands all hold one value each.
struct Frames {
    explicit Frames(std::vector<int32_t> levels) {
        for (int32_t v : levels) {
            std::array<int32_t, 20> f;
            f.fill(v);
            data.push_back(f);
        }
        for (auto& f : data) ptrs.push_back(f.data());
    }
    std::vector<std::array<int32_t, 20>> data;
    std::vector<const int32_t*> ptrs;
    int32_t Count() const { return static_cast<int32_t>(data.size()); }
};

std::vector<std::pair<int, int>> Path(const vWarpData_c& w) {
    std::vector<std::pair<int, int>> cells;
    for (int j = 0; j < w.Rows(); ++j)
        for (int i = 0; i < w.Cols(); ++i)
            if (w.OnPath(i, j)) cells.emplace_back(i, j);
    return cells;
}

}  // namespace

TEST(Warp, HandCheckedThreeByTwo) {
    // Etalon levels 0, 10, 20; say levels 0, 20; level floor -1000 (no floor).
    // Frame distance = 20 * |e - s|:      j=0 (0)  j=1 (20)
    //                           i=0 (0):     0      400
    //                           i=1 (10):  200      200
    //                           i=2 (20):  400        0
    // Accumulated D: row j=0: 0, 200, 600; row j=1: 400, 200, 200.
    // Backtrack from (2,1): A=D(1,1)=200, B=D(2,0)=600, C=D(1,0)=200:
    // A<B but not A<C, A<B so not "A>=B": diagonal to (1,0); then g=0: to (0,0).
    // 2 steps: distance 200 / 2 = 100.
    Frames e({0, 10, 20}), s({0, 20});
    vWarpData_c w;
    w.Warp(e.ptrs.data(), 3, s.ptrs.data(), 2, -1000);
    EXPECT_EQ(w.Distance(), 100);
    EXPECT_EQ(w.Steps(), 2);
    EXPECT_EQ(~w.Cell(0, 0), 0);
    EXPECT_EQ(w.Cell(1, 0), ~200);
    EXPECT_EQ(w.Cell(2, 0), 600);
    EXPECT_EQ(w.Cell(0, 1), 400);
    EXPECT_EQ(w.Cell(1, 1), 200);
    EXPECT_EQ(w.Cell(2, 1), ~200);
    EXPECT_EQ(Path(w), (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 1}}));
    EXPECT_EQ(w.ColumnForRow(0), 0);
    EXPECT_EQ(w.ColumnForRow(1), 2);
    EXPECT_EQ(w.RowForColumn(1), 0);
    EXPECT_EQ(w.RowForColumn(2), 1);
}

TEST(Warp, LevelFloorHidesQuietDetail) {
    Frames e({100, 500, 2500}), s({900, 1500, 2500});
    vWarpData_c w;
    // Everything below 2000 counts as 2000: only the identical last frames differ from nothing.
    w.Warp(e.ptrs.data(), 3, s.ptrs.data(), 3, 2000);
    EXPECT_EQ(w.Distance(), 0);
    w.Warp(e.ptrs.data(), 3, s.ptrs.data(), 3, 0);
    EXPECT_GT(w.Distance(), 0);
}

TEST(Warp, IdenticalRecordingsFollowTheDiagonal) {
    std::vector<int32_t> levels;
    for (int i = 0; i < 40; ++i) levels.push_back((i * 977) % 5000);
    Frames e(levels), s(levels);
    vWarpData_c w;
    w.Warp(e.ptrs.data(), 40, s.ptrs.data(), 40, 0);
    EXPECT_EQ(w.Distance(), 0);
    EXPECT_EQ(w.Steps(), 39);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(w.ColumnForRow(i), i);
        EXPECT_TRUE(w.OnPath(i, i));
    }
    EXPECT_EQ(Path(w).size(), 40u);
    EXPECT_EQ(MarkFromDistance(w.Distance(), 2000, 1000), 5);
}

TEST(Warp, EmptyInputsGiveDistanceZero) {
    vRecording_c etalon(10), say(10);
    vWarpData_c w;
    w.Warp(etalon, say, 2000);
    EXPECT_EQ(w.Distance(), 0);
    EXPECT_FALSE(w.HasMatrix());
    EXPECT_THROW(w.ColumnForRow(0), vTextException_c);
    EXPECT_THROW(w.RowForColumn(0), vTextException_c);
}

TEST(Warp, DeviationBandKeepsOnlyCellsNearTheDiagonal) {
    std::vector<int32_t> el, sl;
    for (int i = 0; i < 12; ++i) el.push_back(i * 100);
    for (int j = 0; j < 8; ++j) sl.push_back(j * 150);
    Frames e(el), s(sl);
    vWarpData_c w;
    w.SetDeviationLimit(1);
    w.Warp(e.ptrs.data(), 12, s.ptrs.data(), 8, 0);
    const double diag = std::sqrt(12.0 * 12 + 8.0 * 8);
    const int64_t a = static_cast<int64_t>(8 * 256 / diag), b = static_cast<int64_t>(12 * 256 / diag);
    int finite = 0;
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 12; ++i) {
            const int64_t g = (a * i - b * j) / 256;
            int32_t cell = w.Cell(i, j);
            if (cell < 0) cell = ~cell;
            if (g != 0)
                EXPECT_EQ(cell, kWarpInfinite) << i << "," << j;
            else if (cell != kWarpInfinite)
                ++finite;
        }
    EXPECT_GT(finite, 8);
    // The path still runs from corner to corner through finite cells.
    EXPECT_TRUE(w.OnPath(0, 0));
    EXPECT_TRUE(w.OnPath(11, 7));
    EXPECT_LT(w.Distance(), kWarpInfinite);
    for (int j = 0; j < 8; ++j) EXPECT_NO_THROW(w.ColumnForRow(j));
}

TEST(Warp, AllCellsCutOffStillEndsAtTheOrigin) {
    // A band too narrow for the shapes leaves no finite way; the backtrack
    // must still walk inside the matrix to (0, 0).
    Frames e({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), s({1, 2});
    vWarpData_c w;
    w.SetDeviationLimit(0);
    w.Warp(e.ptrs.data(), 10, s.ptrs.data(), 2, 0);
    EXPECT_TRUE(w.OnPath(0, 0));
    EXPECT_TRUE(w.OnPath(9, 1));
    EXPECT_EQ(w.Distance(), kWarpInfinite / w.Steps());
}

TEST(Warp, HugeBandValuesSaturateInsteadOfWrapping) {
    Frames e({2000000000, -2000000000}), s({-2000000000, 2000000000});
    vWarpData_c w;
    w.Warp(e.ptrs.data(), 2, s.ptrs.data(), 2, INT32_MIN);
    EXPECT_EQ(~w.Cell(0, 0), kWarpInfinite);
    EXPECT_GT(w.Distance(), 0);
}

TEST(Warp, RecordingsUseTheirWordSections) {
    vRecording_c etalon(4);
    vAllHmData_c f;
    for (int k = 0; k < 20; ++k) f.channels[k] = 3000;
    etalon.AppendFrame(f, true, true);
    vWarpData_c w;
    // recSize is -1 before Calculate: treated as no word at all.
    w.Warp(etalon, etalon, 2000);
    EXPECT_EQ(w.Distance(), 0);
    EXPECT_FALSE(w.HasMatrix());
}

TEST(MarkFromDistance, Boundaries) {
    EXPECT_EQ(MarkFromDistance(2001, 2000, 1000), 1);
    EXPECT_EQ(MarkFromDistance(2000, 2000, 1000), 1);
    EXPECT_EQ(MarkFromDistance(1000, 2000, 1000), 4);
    EXPECT_EQ(MarkFromDistance(999, 2000, 1000), 5);
    EXPECT_EQ(MarkFromDistance(1500, 2000, 1000), 3);
    EXPECT_EQ(MarkFromDistance(900, 2000, 1000), 5);
    EXPECT_EQ(MarkFromDistance(1500, 1500, 1500), 3);
    EXPECT_EQ(MarkFromDistance(INT32_MIN, INT32_MAX, INT32_MIN), 4);
    EXPECT_EQ(MarkFromDistance(nullptr, 2000, 1000), -1);
}

// The cheapest path cost with no two horizontal or two vertical steps in a
// row, by plain recursion over (cell, last step): the reference for the
// slope-limited warp.
namespace {

int64_t LimitedOptimum(const Frames& e, const Frames& s) {
    const int n = e.Count(), m = s.Count();
    const int64_t inf = INT64_MAX / 4;
    std::vector<int64_t> memo(static_cast<size_t>(n * m * 3), -1);
    // Best cost from (0, 0) to (i, j) arriving by step `last` (0 diagonal/start, 1 i+1, 2 j+1).
    std::function<int64_t(int, int, int)> best = [&](int i, int j, int last) -> int64_t {
        if (i < 0 || j < 0) return inf;
        int64_t& slot = memo[static_cast<size_t>((j * n + i) * 3 + last)];
        if (slot >= 0) return slot;
        const int64_t here = 20 * std::llabs(int64_t{e.data[i][0]} - s.data[j][0]);
        int64_t before = inf;
        if (i == 0 && j == 0) before = last == 0 ? 0 : inf;
        else if (last == 0) before = std::min({best(i - 1, j - 1, 0), best(i - 1, j - 1, 1), best(i - 1, j - 1, 2)});
        else if (last == 1) before = std::min(best(i - 1, j, 0), best(i - 1, j, 2));
        else before = std::min(best(i, j - 1, 0), best(i, j - 1, 1));
        return slot = std::min(inf, before + here);
    };
    return std::min({best(n - 1, m - 1, 0), best(n - 1, m - 1, 1), best(n - 1, m - 1, 2)});
}

}  // namespace

TEST(Warp, SlopeLimitedPathIsLegalOptimalAndFallsBackBeyondTwiceTheLength) {
    std::vector<int32_t> el, sl;
    for (int i = 0; i < 30; ++i) el.push_back((i * 7919) % 3001);
    for (int j = 0; j < 20; ++j) sl.push_back((j * 104729) % 2999);
    Frames e(el), s(sl);
    vWarpData_c w;
    w.SetSlopeLimit(true);
    w.Warp(e.ptrs.data(), 30, s.ptrs.data(), 20, 0);
    ASSERT_TRUE(w.SlopeLimited());
    // A monotone path's cells in (i, j) order are its steps in order.
    auto cells = Path(w);
    std::sort(cells.begin(), cells.end());
    ASSERT_EQ(cells.front(), std::make_pair(0, 0));
    ASSERT_EQ(cells.back(), std::make_pair(29, 19));
    EXPECT_EQ(static_cast<int>(cells.size()) - 1, w.Steps());
    int64_t cost = 20 * std::llabs(int64_t{el[0]} - sl[0]);
    int lastStep = 0;  // 0 diagonal, 1 horizontal, 2 vertical
    for (size_t k = 1; k < cells.size(); ++k) {
        const int di = cells[k].first - cells[k - 1].first, dj = cells[k].second - cells[k - 1].second;
        ASSERT_TRUE((di == 1 || di == 0) && (dj == 1 || dj == 0) && di + dj > 0) << k;
        const int step = di && dj ? 0 : di ? 1 : 2;
        EXPECT_FALSE(step != 0 && step == lastStep) << "two like steps at " << k;
        lastStep = step;
        cost += 20 * std::llabs(int64_t{el[cells[k].first]} - sl[cells[k].second]);
    }
    EXPECT_EQ(cost, LimitedOptimum(e, s));
    EXPECT_EQ(w.Distance(), cost / w.Steps());
    for (int j = 0; j < 20; ++j) EXPECT_NO_THROW(w.ColumnForRow(j));

    // Three times the length has no such path: the unconstrained one, cell for cell.
    Frames shortSay({sl.begin(), sl.begin() + 10});
    vWarpData_c plain;
    plain.Warp(e.ptrs.data(), 30, shortSay.ptrs.data(), 10, 0);
    w.Warp(e.ptrs.data(), 30, shortSay.ptrs.data(), 10, 0);
    EXPECT_FALSE(w.SlopeLimited());
    EXPECT_EQ(w.Distance(), plain.Distance());
    EXPECT_EQ(w.Steps(), plain.Steps());
    for (int j = 0; j < 10; ++j)
        for (int i = 0; i < 30; ++i) ASSERT_EQ(w.Cell(i, j), plain.Cell(i, j)) << i << "," << j;
}
