#pragma once
// The live spectrum exercise's arithmetic, apart from any surface: the band
// columns and the level-to-row mapping of the display, the ring of the last
// Shadows analysed windows, the curves of the ring (with the smoothing
// points and the error colour of each segment), the distance of the ring
// from the active corridor (old: weighted excess over the corridor; new: the
// smallest penalty over the level offsets of the limits file) and the marks.
// Owned by the exercise; user-interface thread only. Nothing is allocated
// per buffer: the ring, the curve points and the penalty bins are sized when
// the settings are read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int kRtHmBands = 20;
// Levels are clamped to 0..kRtHmMaxLevel before drawing; the display's
// ceiling is kRtHmCeiling, and a Max at or above it disables the upper test.
inline constexpr int32_t kRtHmMaxLevel = 5500;
inline constexpr int32_t kRtHmCeiling = 5000;
inline constexpr int32_t kRtHmMaxWeight = 100;
// Bounds on settings that size storage.
inline constexpr unsigned kRtHmMaxShadows = 100;
inline constexpr int32_t kRtHmMaxTracking = kRtHmMaxLevel;

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

// The active level's four arrays (they stay in the exercise, so the editor
// changes them in place). Index k describes band k, or band k + 1 with the
// old format.
struct vRtHmCorridor_c {
    int32_t* minValues = nullptr;
    int32_t* maxValues = nullptr;
    int32_t* minWeight = nullptr;
    int32_t* maxWeight = nullptr;
};

struct vRtHmOptions_c {
    bool oldFormat = false;   // corridor of bands 1..19
    bool doResults = true;    // distance and error colours
    bool newCalculation = false;
    bool smoothing = true;    // three interpolated points between bands
    bool errorColor = true;   // segments of out-of-corridor bands in the error colour
};

// The penalty constants of the new calculation (limits file, per level).
struct vRtHmPenalty_c {
    int32_t hardFactor = 0;  // F
    int32_t softTol = 0;     // S
    int32_t hardTol = 0;     // R
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

// The new calculation's penalty of level v for the corridor centre m shifted
// by offset, weighted by the weight of the side v leaves on.
int64_t RtHmPenalty(int64_t v, int64_t m, int64_t offset, int32_t minWeight, int32_t maxWeight,
                    const vRtHmPenalty_c& c);

// Marks 1..5. Old: the warp mark's formula on the distance. New: 0 when
// limits[3] (the Mark 5 limit) is 0, else the first of limits 5, 4, 3, 2
// the distance does not exceed (limits holds marks 2..5).
int32_t RtHmOldMark(int64_t distance, int32_t minResult, int32_t maxResult);
int32_t RtHmNewMark(int64_t distance, const std::array<int32_t, 4>& limits);

class vRtHmSpectrum_c {
public:
    static constexpr int kPointsPerRow = kRtHmBands + 3 * (kRtHmBands - 1);

    // rows = 0 is taken as 1, more than kRtHmMaxShadows as that many. Clears
    // the ring and puts the write index at 0.
    void SetShadows(unsigned rows);
    // Half-range of the level-offset search (negative as 0, at most
    // kRtHmMaxTracking); sizes the penalty bins.
    void SetTracking(int32_t tracking);

    // Stores the 20 band levels of one analysed window in the row at the
    // write index and moves the index on.
    void Store(const int32_t* levels);

    // The curves of every row and the distance of the ring from the corridor
    // (0 when options.doResults is false). Old: the weighted excess over the
    // corridor / (bands x 100); new: the smallest penalty bin. Either divided
    // by Shadows.
    int64_t Evaluate(const vRtHmGeometry_c& geometry, const vRtHmCorridor_c& corridor,
                     const vRtHmOptions_c& options, const vRtHmPenalty_c& penalty);

    unsigned Shadows() const { return mShadows; }
    unsigned WriteIndex() const { return mWrite; }
    const int32_t* Row(unsigned r) const { return &mRing[static_cast<size_t>(r) * kRtHmBands]; }
    int32_t Tracking() const { return mTracking; }
    // After Evaluate: the points of row r's curve.
    int PointCount() const { return mPointCount; }
    const vRtHmPoint_c* Points(unsigned r) const { return &mPoints[static_cast<size_t>(r) * kPointsPerRow]; }

private:
    unsigned mShadows = 0;
    unsigned mWrite = 0;
    std::vector<int32_t> mRing;
    std::vector<vRtHmPoint_c> mPoints;
    int mPointCount = 0;
    int32_t mTracking = 0;
    std::vector<int64_t> mBins;
};
