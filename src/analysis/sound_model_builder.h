#pragma once
// Builds the sound models file ("Models.ini") and the sound limits file
// ("Limits.ini") from labelled recordings: analysed etalons whose segment
// markers divide them into SAMPA-coded sounds. Per sound, each band's
// MinValues and MaxValues are the 10th and 90th percentiles of the sound's
// frames over all recordings, and the weights fall as that spread widens. The
// mark 5 limit of a sound is the 60th percentile of the distances its own
// recordings reach against the model, measured by the word exercise's mark
// computation through the files just written. User-interface thread or a
// tool's only thread.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "analysis/sound_marks.h"

class vRecording_c;

class vSoundModelBuilder_c {
public:
    static constexpr int kBands = vSoundFrames_c::kBands;
    // Lines of the limits file besides the sounds: three headers, three
    // OtherMarks, nine constants, two tracking ranges, the affricate limit.
    static constexpr int kFixedLimitLines = 18;
    static constexpr int kMaxSounds = 80 - kFixedLimitLines;

    struct Model {
        std::string code;  // as the first recording spelt it
        std::array<int32_t, kBands> minValues{}, maxValues{}, minWeight{}, maxWeight{};
        int frames = 0;
    };

    // Adds an etalon after Calculate (absolute markers, word section found).
    void Add(const vRecording_c& etalon);
    int Recordings() const { return static_cast<int>(mTakes.size()); }

    // The models, in order of first appearance. Codes that differ only by
    // ":" are one sound, as the readers treat them.
    std::vector<Model> Models() const;

    // Writes both files, each whole or not at all. Raises vPrintException_c
    // when there is no coded sound, when there are more sounds than the
    // limits file holds, or when a file cannot be written.
    void Write(const std::string& modelsPath, const std::string& limitsPath) const;

    static std::string ModelsText(const std::vector<Model>& models);
    // The limits file for mark 5 limits per sound (in the order given).
    static std::string LimitsText(const std::vector<std::pair<std::string, int32_t>>& sounds, int32_t affricateLimit);

    // Percentages of the mark 5 limit for marks 4, 3 and 2; the constants
    // (hard factor, soft and hard tolerance) of rows 1 (lenient) to 3
    // (strict), row 2 being the word exercise's; tracking half-ranges.
    // Close together, so that a sound spoken as another falls to mark 1: the
    // bundled course's words, scored by other voices, gave the other sound
    // at twice to ten times the limit and the right one mostly within 1.5.
    static constexpr std::array<int32_t, 3> kOtherMarks = {120, 150, 200};
    static constexpr int32_t kConstants[3][3] = {{2, 400, 1200}, {3, 300, 1000}, {4, 200, 800}};
    static constexpr int32_t kTracking = 600;

private:
    std::vector<vSoundFrames_c> mTakes;  // per recording: codes and measured frames
};
