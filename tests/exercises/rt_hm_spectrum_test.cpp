// The live spectrum's arithmetic on hand-computed examples: smoothing
// points, corridor tests, the old format's columns, the distances of both
// calculations, the ring's delay and the marks.

#include "exercises/rt_hm_spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace {

// left 10, width 190: columns every 10 pixels; height 102: Y(v) = 121 - v / 50.
vRtHmGeometry_c Geometry(bool oldFormat = false) {
    vRtHmGeometry_c g;
    g.Set(10, 20, 190, 102, oldFormat);
    return g;
}

struct Corridor {
    std::array<int32_t, kRtHmBands> minValues{}, maxValues{}, minWeight{}, maxWeight{};
    Corridor(int32_t lo, int32_t hi, int32_t weight) {
        minValues.fill(lo);
        maxValues.fill(hi);
        minWeight.fill(weight);
        maxWeight.fill(weight);
    }
    vRtHmCorridor_c View() {
        return {minValues.data(), maxValues.data(), minWeight.data(), maxWeight.data()};
    }
};

std::array<int32_t, kRtHmBands> Row(int32_t level) {
    std::array<int32_t, kRtHmBands> row{};
    row.fill(level);
    return row;
}

bool AnyError(const vRtHmSpectrum_c& s, unsigned r) {
    return std::any_of(s.Points(r), s.Points(r) + s.PointCount(), [](const vRtHmPoint_c& p) { return p.error; });
}

TEST(RtHmGeometry, ColumnsRowsAndTheirInverse) {
    const vRtHmGeometry_c g = Geometry();
    EXPECT_EQ(g.x[0], 11);
    EXPECT_EQ(g.x[1], 20);
    EXPECT_EQ(g.x[19], 199);
    EXPECT_EQ(g.Y(1000), 101);
    EXPECT_EQ(g.Y(-7), 121);    // below 0: the bottom row
    EXPECT_EQ(g.Y(9000), 21);   // above the ceiling: raised no higher than top + 1
    for (int y = 21; y <= 121; ++y) EXPECT_EQ(g.Y(g.LevelAt(y)), y) << y;
    EXPECT_EQ(g.LevelAt(0), kRtHmMaxLevel);

    const vRtHmGeometry_c old = Geometry(true);
    EXPECT_EQ(old.bands, 19);
    EXPECT_EQ(old.x[0], 11);
    EXPECT_EQ(old.x[1], 20);   // trunc(190 / 18.0) = 10
    EXPECT_EQ(old.x[18], 199); // the last column stays inside the rectangle
}

TEST(RtHmSmoothing, EveryQuotientTruncatedTowardZero) {
    // 10000/32 = 312.5, 30000/32 = 937.5, 3000/32 = 93.75: 312 + 937 - 93.
    EXPECT_EQ(RtHmSmoothLevels(1000, 1000, 2000), (std::array<int64_t, 3>{1156, 1375, 1656}));
    // Negative quotients: -20005/32 = -625.16 -> -625 (not -626), -12003/8 -> -1500, -84021/32 -> -2625.
    EXPECT_EQ(RtHmSmoothLevels(2000, 1500, -4001), (std::array<int64_t, 3>{594, -625, -2156}));
    EXPECT_EQ(RtHmSmoothColumns(11, 20), (std::array<int, 3>{13, 15, 17}));
    EXPECT_EQ(RtHmSmoothColumns(20, 30), (std::array<int, 3>{22, 25, 27}));
}

TEST(RtHmSpectrum, CurvePointsWithSmoothing) {
    vRtHmSpectrum_c s;
    s.SetShadows(1);
    auto row = Row(1500);
    row[0] = 1000;
    row[1] = 2000;
    row[2] = 1500;
    row[3] = -4001;  // stored as measured; only the interpolation sees it unclamped
    s.Store(row.data());
    Corridor c(0, 5000, 0);
    const vRtHmGeometry_c g = Geometry();
    EXPECT_EQ(s.Evaluate(g, c.View(), {}, {}), 0);
    ASSERT_EQ(s.PointCount(), 20 + 3 * 19);
    const vRtHmPoint_c* p = s.Points(0);
    const int expected[][2] = {{11, 101}, {13, 98}, {15, 94}, {17, 88},   // band 0, p = q
                               {20, 81},  {22, 81}, {25, 83}, {27, 86},   // band 1
                               {30, 91},  {32, 110}, {35, 121}, {37, 121},  // band 2 towards -4001
                               {40, 121}};                                // band 3 clamped to 0
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(p[i].x, expected[i][0]) << i;
        EXPECT_EQ(p[i].y, expected[i][1]) << i;
    }

    vRtHmOptions_c plain;
    plain.smoothing = false;
    s.Evaluate(g, c.View(), plain, {});
    ASSERT_EQ(s.PointCount(), 20);
    EXPECT_EQ(s.Points(0)[3].x, 40);
}

TEST(RtHmSpectrum, OldCorridorTests) {
    vRtHmSpectrum_c s;
    s.SetShadows(1);
    const vRtHmGeometry_c g = Geometry();
    Corridor c(2000, 3000, 50);

    // Exactly on Min or Max is inside.
    auto row = Row(2000);
    row[5] = 3000;
    s.Store(row.data());
    EXPECT_EQ(s.Evaluate(g, c.View(), {}, {}), 0);
    EXPECT_FALSE(AnyError(s, 0));

    // 1000 below Min in band 3 (weight 50): 50000 / (20 x 100) = 25; the
    // segments of band 3 (its point and its three smoothing points) turn red.
    row[3] = 1000;
    s.Store(row.data());
    EXPECT_EQ(s.Evaluate(g, c.View(), {}, {}), 25);
    for (int i = 0; i < s.PointCount(); ++i) EXPECT_EQ(s.Points(0)[i].error, i >= 12 && i < 16) << i;

    vRtHmOptions_c noColour;
    noColour.errorColor = false;
    EXPECT_EQ(s.Evaluate(g, c.View(), noColour, {}), 25);
    EXPECT_FALSE(AnyError(s, 0));

    // Min = 0 disables the lower test, Max >= 5000 the upper one.
    Corridor open(0, 5000, 100);
    auto extremes = Row(0);
    extremes[7] = 5500;
    extremes[8] = -2147483647 - 1;  // below the log scale's floor
    s.Store(extremes.data());
    EXPECT_EQ(s.Evaluate(g, open.View(), {}, {}), 0);
    EXPECT_FALSE(AnyError(s, 0));
    open.maxValues[7] = 4999;  // now 501 above, weight 100: 50100 / 2000 = 25
    EXPECT_EQ(s.Evaluate(g, open.View(), {}, {}), 25);
    EXPECT_TRUE(AnyError(s, 0));
}

TEST(RtHmSpectrum, OldFormatNeverDrawsBandZero) {
    vRtHmSpectrum_c s;
    s.SetShadows(1);
    auto row = Row(1000);
    row[0] = 5000;  // would be at the top row if it were drawn
    s.Store(row.data());
    Corridor c(0, 5000, 10);
    c.minValues[0] = 2000;  // index 0 is band 1 in the old format
    vRtHmOptions_c o;
    o.oldFormat = true;
    const vRtHmGeometry_c g = Geometry(true);
    // 1000 below, weight 10: 10000 / (19 x 100) = 5.
    EXPECT_EQ(s.Evaluate(g, c.View(), o, {}), 5);
    ASSERT_EQ(s.PointCount(), 19 + 3 * 18);
    for (int i = 0; i < s.PointCount(); ++i) EXPECT_EQ(s.Points(0)[i].y, g.Y(1000)) << i;
    EXPECT_TRUE(s.Points(0)[0].error);
    EXPECT_EQ(s.Points(0)[s.PointCount() - 1].x, 199);
}

TEST(RtHmSpectrum, WithoutResultsTheDistanceIsZeroAndTheMarkFive) {
    vRtHmSpectrum_c s;
    s.SetShadows(3);
    const auto row = Row(0);
    s.Store(row.data());
    Corridor c(3000, 3500, 100);
    vRtHmOptions_c o;
    EXPECT_GT(s.Evaluate(Geometry(), c.View(), o, {}), 0);
    o.doResults = false;
    EXPECT_EQ(s.Evaluate(Geometry(), c.View(), o, {}), 0);
    EXPECT_FALSE(AnyError(s, 0));
    EXPECT_EQ(RtHmOldMark(0, 20000, 100), 5);
}

TEST(RtHmSpectrum, TheMarkFollowsWithADelayOfShadowsWindows) {
    vRtHmSpectrum_c s;
    s.SetShadows(10);
    Corridor c(2000, 3000, 100);
    const vRtHmGeometry_c g = Geometry();
    // Every row of the fresh ring is silence: 2000 x 100 x 20 per row.
    const int64_t silentRow = 2000 * 100 * 20;
    EXPECT_EQ(s.Evaluate(g, c.View(), {}, {}), 10 * silentRow / 2000 / 10);
    const auto good = Row(2500);
    int firstFive = 0;
    for (int j = 1; j <= 10; ++j) {
        s.Store(good.data());
        const int64_t d = s.Evaluate(g, c.View(), {}, {});
        EXPECT_EQ(d, (10 - j) * silentRow / 2000 / 10) << j;
        if (firstFive == 0 && RtHmOldMark(d, 20000, 100) == 5) firstFive = j;
    }
    EXPECT_EQ(firstFive, 10);
    EXPECT_EQ(s.WriteIndex(), 0u);
    // The old rows are overwritten in ring order.
    s.Store(Row(0).data());
    EXPECT_EQ(s.Row(0)[4], 0);
    EXPECT_EQ(s.Row(1)[4], 2500);
}

TEST(RtHmSpectrum, NewCalculationSearchesTheLevelOffset) {
    vRtHmSpectrum_c s;
    s.SetShadows(1);
    s.SetTracking(100);  // offsets -100, 0, 100
    Corridor c(1000, 2000, 10);  // centre 1500
    const vRtHmPenalty_c k{3, 200, 600};
    vRtHmOptions_c o;
    o.newCalculation = true;
    const vRtHmGeometry_c g = Geometry();

    // 2000 above: offset -100: h = 4, soft (2000 <= 2000): 10*16/19 = 8;
    // 0: h = 3, 90/19 = 4; +100: h = 2, 40/19 = 2. Per band, 20 bands: 40.
    s.Store(Row(2000).data());
    EXPECT_EQ(s.Evaluate(g, c.View(), o, k), 40);
    // 800 below: -100: l = -4 soft (800 >= 800): 8 x 20 = 160; 0: l = -5,
    // hard: 3*10*25/19 = 39; +100: l = -6 hard: 56. The smallest: 160.
    s.Store(Row(800).data());
    EXPECT_EQ(s.Evaluate(g, c.View(), o, k), 160);
    EXPECT_FALSE(AnyError(s, 0));
    // Inside the soft tolerance at some offset: nothing.
    s.Store(Row(1650).data());
    EXPECT_EQ(s.Evaluate(g, c.View(), o, k), 0);

    EXPECT_EQ(RtHmNewMark(160, {400, 300, 200, 100}), 4);
    EXPECT_EQ(RtHmNewMark(100, {400, 300, 200, 100}), 5);
    EXPECT_EQ(RtHmNewMark(401, {400, 300, 200, 100}), 1);
    EXPECT_EQ(RtHmNewMark(0, {400, 300, 200, 0}), 0);
}

TEST(RtHmSpectrum, SettingsThatSizeStorageAreBounded) {
    vRtHmSpectrum_c s;
    s.SetShadows(0);
    EXPECT_EQ(s.Shadows(), 1u);
    s.Store(Row(100).data());
    Corridor c(1000, 2000, 10);
    EXPECT_EQ(s.Evaluate(Geometry(), c.View(), {}, {}), 900 * 10 * 20 / 2000);
    s.SetShadows(4000000000u);
    EXPECT_EQ(s.Shadows(), kRtHmMaxShadows);
    s.SetTracking(-300);
    EXPECT_EQ(s.Tracking(), 0);
    s.SetTracking(2000000000);
    EXPECT_EQ(s.Tracking(), kRtHmMaxTracking);
}

TEST(RtHmMarks, OldMarkIsLinearBetweenTheResults) {
    EXPECT_EQ(RtHmOldMark(20001, 20000, 100), 1);
    EXPECT_EQ(RtHmOldMark(99, 20000, 100), 5);
    EXPECT_EQ(RtHmOldMark(100, 20000, 100), 4);
    EXPECT_EQ(RtHmOldMark(10050, 20000, 100), 3);  // 4 - 9950 x 3 / 19900 = 4 - 1
    EXPECT_EQ(RtHmOldMark(int64_t{1} << 40, 20000, 100), 1);
}

}  // namespace
