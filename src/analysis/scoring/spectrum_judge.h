#pragma once
// vSpectrumJudge_c: the live spectrum's mark for a held sound. A ring keeps
// the 20 band levels of the last Shadows analysed windows; the ring's
// distance from the active level's corridor (old: the weighted excess over
// the corridor; new: the smallest penalty over the level offsets of the
// limits) gives the mark 1..5. Knows no screen, file or current directory:
// the corridor, the settings and the mark limits arrive from the caller.
// Nothing is allocated per window: the ring and the penalty bins are sized
// by SetShadows and SetTracking. One thread at a time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int kRtHmBands = 20;
// Levels are clamped to 0..kRtHmMaxLevel before they are judged; the
// display's ceiling is kRtHmCeiling, and a Max at or above it disables the
// upper test.
inline constexpr int32_t kRtHmMaxLevel = 5500;
inline constexpr int32_t kRtHmCeiling = 5000;
inline constexpr int32_t kRtHmMaxWeight = 100;
// Bounds on settings that size storage.
inline constexpr unsigned kRtHmMaxShadows = 100;
inline constexpr int32_t kRtHmMaxTracking = kRtHmMaxLevel;

// A level's four arrays (they stay with their owner, so an editor changes
// them in place). Index k describes band k, or band k + 1 with the old
// format.
struct vRtHmCorridor_c {
    int32_t* minValues = nullptr;
    int32_t* maxValues = nullptr;
    int32_t* minWeight = nullptr;
    int32_t* maxWeight = nullptr;
};

// The penalty constants of the new calculation (limits file, per level).
struct vRtHmPenalty_c {
    int32_t hardFactor = 0;  // F
    int32_t softTol = 0;     // S
    int32_t hardTol = 0;     // R
};

struct vSpectrumJudgeSettings_c {
    bool oldFormat = false;       // corridor of bands 1..19
    bool doResults = true;        // without it the distance is 0
    bool newCalculation = false;  // "HM1_Processor/NewCalculation"
    int32_t minResult = 20000;    // "HM1_Processor/ResDisplay/MinResult"
    int32_t maxResult = 100;      // "HM1_Processor/ResDisplay/MaxResult"

    int Bands() const { return oldFormat ? kRtHmBands - 1 : kRtHmBands; }
};

inline int64_t RtHmClampLevel(int64_t v) { return v < 0 ? 0 : v > kRtHmMaxLevel ? kRtHmMaxLevel : v; }

// Whether level q of band b lies below / above the corridor (the old
// calculation's tests; a Min of 0 and a Max at the ceiling test nothing).
// Inline: the curves of every row test each band too.
inline bool RtHmBelow(int64_t q, const vRtHmCorridor_c& c, size_t b) { return c.minValues[b] > 0 && q < c.minValues[b]; }
inline bool RtHmAbove(int64_t q, const vRtHmCorridor_c& c, size_t b) {
    return c.maxValues[b] < kRtHmCeiling && q > c.maxValues[b];
}

// The new calculation's penalty of level v for the corridor centre m shifted
// by offset, weighted by the weight of the side v leaves on.
int64_t RtHmPenalty(int64_t v, int64_t m, int64_t offset, int32_t minWeight, int32_t maxWeight,
                    const vRtHmPenalty_c& c);

// Marks 1..5. Old: the warp mark's formula on the distance. New: 0 when
// limits[3] (the Mark 5 limit) is 0, else the first of limits 5, 4, 3, 2
// the distance does not exceed (limits holds marks 2..5).
int32_t RtHmOldMark(int64_t distance, int32_t minResult, int32_t maxResult);
int32_t RtHmNewMark(int64_t distance, const std::array<int32_t, 4>& limits);

class vSpectrumJudge_c {
public:
    // rows = 0 is taken as 1, more than kRtHmMaxShadows as that many. Clears
    // the ring and puts the write index at 0.
    void SetShadows(unsigned rows);
    // Half-range of the level-offset search (negative as 0, at most
    // kRtHmMaxTracking); sizes the penalty bins.
    void SetTracking(int32_t tracking);

    // Stores the 20 band levels of one analysed window in the row at the
    // write index and moves the index on.
    void Store(const int32_t* levels);

    // The distance of the ring from the corridor, divided by Shadows (0
    // without doResults). Old: the weighted excess / (bands x 100); new:
    // the smallest penalty bin.
    int64_t Distance(const vRtHmCorridor_c& corridor, const vSpectrumJudgeSettings_c& settings,
                     const vRtHmPenalty_c& penalty);
    // The mark of a distance; markLimits (marks 2..5 of the limits) for the
    // new calculation, whose mark is 0 without them.
    static int32_t Mark(int64_t distance, const vSpectrumJudgeSettings_c& settings,
                        const std::array<int32_t, 4>* markLimits);

    unsigned Shadows() const { return mShadows; }
    unsigned WriteIndex() const { return mWrite; }
    const int32_t* Row(unsigned r) const { return &mRing[static_cast<size_t>(r) * kRtHmBands]; }
    int32_t Tracking() const { return mTracking; }

private:
    unsigned mShadows = 0;
    unsigned mWrite = 0;
    std::vector<int32_t> mRing;
    int32_t mTracking = 0;
    std::vector<int64_t> mBins;
};
