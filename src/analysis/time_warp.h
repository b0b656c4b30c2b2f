#pragma once
// Dynamic time warping of a say onto an etalon through their 20 band
// energies. vWarpData_c owns the cost matrix (cell (i, j) at i + j * cols,
// i = etalon word frame, j = say word frame); cells on the optimal path hold
// the bitwise complement of their cost, so they are the negative ones.
// Used by the user-interface thread only.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/setting.h"

class vRecording_c;

namespace keys {
inline constexpr vIntSetting_c kDontCareLevel{"TimeWarp/DontCareLevel", 2000};
inline constexpr vIntSetting_c kSpirantLimit{"ResDisplay/SpirantLimit", 0};
inline constexpr vBoolSetting_c kWordNewCalculation{"ResDisplay/NewCalculation", false};
// Names of at most 20 and 200 characters.
inline constexpr vTextSetting_c kModelsFile{"ResDisplay/Models", "Models.ini", 22};
inline constexpr vTextSetting_c kLimitsFile{"HM1_Processor/MaxRes", "Limits.ini", 202};
inline constexpr vIntSetting_c kWordDeviationLimit{"TimeWarp/DeviationLimit", 2147483647};
inline constexpr vIntSetting_c kWordMinResult{"ResDisplay/MinResult", 2000};
inline constexpr vIntSetting_c kWordMaxResult{"ResDisplay/MaxResult", 1000};
inline constexpr vIntSetting_c kWordMedianWidth{"ResDisplay/MedianWidth", 2};
inline constexpr vBoolSetting_c kWordNormToMax{"ResDisplay/NormToMax", true};
inline constexpr vBoolSetting_c kWordMeanRemoval{"TimeWarp/MeanRemoval", false};
inline constexpr vBoolSetting_c kWordSlopeLimit{"TimeWarp/SlopeLimit", false};
inline constexpr vIntSetting_c kWordFrameFloor{"TimeWarp/FrameFloor", 0};
inline constexpr vIntSetting_c kWordCohortSize{"ResDisplay/CohortSize", 0};
inline constexpr vIntSetting_c kWordCohortMinResult{"ResDisplay/CohortMinResult", 1000};
inline constexpr vIntSetting_c kWordCohortMaxResult{"ResDisplay/CohortMaxResult", 500};
inline constexpr vIntSetting_c kWordGate{"ResDisplay/WordGate", 0};
}  // namespace keys

// The settings a word comparison uses (Calculate, Warp, marks), read from
// gSettings; the defaults when no language file is set.
struct vWordScoreSettings_c {
    int32_t dontCareLevel = keys::kDontCareLevel.def;
    int32_t deviationLimit = keys::kWordDeviationLimit.def;
    int32_t minResult = keys::kWordMinResult.def;
    int32_t maxResult = keys::kWordMaxResult.def;
    int32_t medianWidth = keys::kWordMedianWidth.def;
    int32_t spirantLimit = keys::kSpirantLimit.def;
    bool normToMax = keys::kWordNormToMax.def;
    bool newCalculation = keys::kWordNewCalculation.def;
    std::string modelsFile = keys::kModelsFile.def;
    std::string limitsFile = keys::kLimitsFile.def;
    // Before the warp: each frame's bands less their mean, so that a voice's
    // overall level and colour weigh less than the spectral shape.
    bool meanRemoval = keys::kWordMeanRemoval.def;
    // The band floor of the frame distance (0: dontCareLevel, which always
    // finds the word section).
    int32_t frameFloor = keys::kWordFrameFloor.def;
    // The path takes no two horizontal or two vertical steps in a row.
    bool slopeLimit = keys::kWordSlopeLimit.def;
    // Other etalons the say is also warped onto; its mark comes from its
    // distance relative to theirs (0: the distance itself).
    int32_t cohortSize = keys::kWordCohortSize.def;
    // The mark's limits for that relative score (1000: as far as the median
    // other etalon); minResult/maxResult keep marking the distance itself
    // when no cohort could be built.
    int32_t cohortMinResult = keys::kWordCohortMinResult.def;
    int32_t cohortMaxResult = keys::kWordCohortMaxResult.def;
    // With per-sound marks and a cohort: a say whose relative score reaches
    // wordGate (0: never) is another word, and shows the word's mark rather
    // than its trained sound's (which a wrong word can still earn).
    int32_t wordGate = keys::kWordGate.def;
    // Frames of the first voiced stretch averaged for the mean pitch.
    static constexpr int32_t kPitchFrames = 10;
    // The most cohort etalons a say is warped onto (each costs one warp).
    static constexpr int32_t kMaxCohort = 64;

    static vWordScoreSettings_c Read();
    int32_t FrameLevel() const { return frameFloor > 0 ? frameFloor : dontCareLevel; }
};

inline constexpr int32_t kWarpInfinite = 2147483647;

class vWarpData_c {
public:
    // The largest matrix a warp will allocate (cells); longer recordings are
    // refused instead of exhausting memory.
    static constexpr int64_t kMaxCells = 25'000'000;

    // Aligns the word sections of say onto etalon; bands below level count as
    // level. distance becomes the mean cost per path step (0 when either
    // recording has no data). With the slope limit a path exists only for
    // lengths within a factor 2 (and inside the deviation band); otherwise
    // the unconstrained path is taken (SlopeLimited() tells which).
    void Warp(const vRecording_c& etalon, const vRecording_c& say, int32_t level);

    // The same on bare band arrays: etalon[i] and say[j] point at 20 values.
    void Warp(const int32_t* const* etalon, int32_t n, const int32_t* const* say, int32_t m, int32_t level);

    // The first column on the path in row j / the first row on the path in
    // column i. Raise vTextException_c without a matrix, for an index out of
    // range, or when no cell of that row/column is on the path.
    int32_t ColumnForRow(int32_t j) const;
    int32_t RowForColumn(int32_t i) const;

    int32_t Distance() const { return distance; }
    int32_t Cols() const { return cols; }
    int32_t Rows() const { return rows; }
    int32_t Steps() const { return steps; }
    bool HasMatrix() const { return !matrix.empty(); }
    // Raw cell value (complemented on the path).
    int32_t Cell(int32_t i, int32_t j) const { return matrix[static_cast<size_t>(i) + static_cast<size_t>(j) * cols]; }
    bool OnPath(int32_t i, int32_t j) const { return Cell(i, j) < 0; }

    void SetDeviationLimit(int32_t limit) { deviationLimit = limit; }
    int32_t DeviationLimit() const { return deviationLimit; }
    // The options of the settings: mean removal, slope limit, deviation band.
    void Configure(const vWordScoreSettings_c& settings);
    void SetMeanRemoval(bool on) { meanRemoval = on; }
    void SetSlopeLimit(bool on) { slopeLimit = on; }
    // Whether the last path kept the slope limit.
    bool SlopeLimited() const { return slopeLimited; }

private:
    void Backtrack();
    // The slope-limited accumulation and its backtrack; false when no path
    // reaches the last cell.
    bool AccumulateLimited(const int32_t* distances);

    int32_t cols = 0;
    int32_t rows = 0;
    std::vector<int32_t> matrix;
    int32_t distance = 0;
    int32_t deviationLimit = kWarpInfinite;
    int32_t steps = 0;
    bool meanRemoval = false;
    bool slopeLimit = false;
    bool slopeLimited = false;
};

// The mark 1..5 for a warp distance: 1 above minResult, 5 below maxResult,
// linear in between.
int32_t MarkFromDistance(int32_t distance, int32_t minResult, int32_t maxResult);
// The same for optional warp data: -1 without it.
int32_t MarkFromDistance(const vWarpData_c* warp, int32_t minResult, int32_t maxResult);
