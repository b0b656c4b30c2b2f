#pragma once
// Per-sound marks of a say: the word exercise's per-frame sound tables for
// the etalon's word frames (SAMPA code, the sound's model and weights, the
// say's aligned measurement, the penalty per level offset, and each sound's
// distance and mark), the models-file reader and the mark computation.
// Rebuilt for each etalon; user-interface thread only.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class vRecording_c;
class vSoundLimits;
class vWarpData_c;

struct vSoundMarkSummary_c {
    int32_t viMark = 0;    // mean mark of the target sound (0 when it does not occur)
    int32_t meanMark = 0;  // mean mark of all marked sounds (0 when none)
};

class vSoundFrames_c {
public:
    static constexpr int kBands = 20;
    static constexpr int kMeasured = 22;  // 20 channels, lowBand, fullBand
    static constexpr size_t kMaxCode = 9;
    static constexpr size_t kMaxModelLine = 200;

    struct Frame {
        std::string code;  // SAMPA code of a sound starting here, empty otherwise
        std::array<int32_t, kBands> model{};
        std::array<int32_t, kBands> minWeight{};
        std::array<int32_t, kBands> maxWeight{};
        std::array<int32_t, kMeasured> measured{};
        std::vector<int64_t> penalty;  // one bin per level offset
        int32_t distance = 0;
        int32_t mark = 0;
        int32_t level = 0;  // mean measured fullBand of the sound (at its first frame)
    };

    // R fresh frames; trackingWord fixes the number of level offsets.
    void Allocate(int32_t frames, int32_t trackingWord);
    int32_t Count() const { return static_cast<int32_t>(mFrames.size()); }
    Frame& operator[](int32_t r) { return mFrames[static_cast<size_t>(r)]; }
    const Frame& operator[](int32_t r) const { return mFrames[static_cast<size_t>(r)]; }
    // Sets the code of frame r (cut to kMaxCode characters).
    void SetCode(int32_t r, const std::string& code);

    // Codes from the etalon's absolute segment markers (position relative to
    // its word section), each as CodeOfMarker gives it.
    void SetCodesFromMarkers(const vRecording_c& etalon);
    // A marker's code as the table holds it: an escaped stress mark (a
    // backslash followed by an apostrophe anywhere in the code) loses the
    // code's first character ("\\'a" is stored as "'a").
    static std::string CodeOfMarker(const std::string& code);
    // Each etalon frame's measurement: the say frame the warp aligned to it.
    void FillMeasured(const vRecording_c& say, const vWarpData_c& warp);

    // Reads the models of every coded frame from the models file. Problems
    // are reported in error boxes and stop the reading; returns true when
    // every coded frame got its model.
    bool LoadModels(const std::string& path);

    // The penalty bins of frame r for the level-offset half-range tracking and
    // the constants (hard factor, soft tolerance, hard tolerance).
    void ComputeFramePenalty(int32_t r, int32_t tracking, int32_t hardFactor, int32_t softTol, int32_t hardTol);

    // Of the sound on frames [first, end), the frames that count for its
    // distance and level: a long sound loses its edges.
    static std::pair<int32_t, int32_t> KeptFrames(int32_t first, int32_t end);

    // Whether code names an affricate (a stress mark before or after "ts",
    // "tS", "dz" or "dZ"), which must rise over the sound before it.
    static bool IsAffricate(const std::string& code);

    // Marks every sound of the say from its measured frames.
    vSoundMarkSummary_c ComputeSoundMarks(vSoundLimits& limits);

private:
    std::vector<Frame> mFrames;
    int32_t mTracking = 0;
};
