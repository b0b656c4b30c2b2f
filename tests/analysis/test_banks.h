#pragma once
// Filter banks for the analysis tests: hand-made pass-through filters, random
// coefficient sets, and a bank fed from an array.

#include <random>
#include <string>
#include <vector>

#include "analysis/hm_filter_bank.h"

inline constexpr int32_t kOne = 1 << 30;  // 1.0 in Q30

// Stages that pass x[n] on (exact for multiples of 4), envelope |y|.
inline void MakePassThrough(vHMFilterArray_c& bank) {
    for (auto& g : bank.groups)
        for (auto& f : g.filters) {
            f = vBandFilter_c{};
            f.c[2] = f.c[7] = f.c[12] = kOne;
            f.c[15] = kOne;
        }
    for (auto& d : bank.decimators) {
        d = vDecimator_c{};
        d.c[2] = d.c[7] = d.c[12] = kOne;
    }
}

inline void MakeRandom(vHMFilterArray_c& bank, std::mt19937& rng) {
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    for (auto& g : bank.groups)
        for (auto& f : g.filters)
            for (int32_t& c : f.c) c = any(rng);
    for (auto& d : bank.decimators)
        for (int32_t& c : d.c) c = any(rng);
}

// A bank whose NextSample reads an array.
class vArrayBank_c : public vHMFilterArray_c {
public:
    std::vector<int32_t> input;
    size_t pos = 0;
    int32_t NextSample() override { return pos < input.size() ? input[pos++] : 0; }
};

inline std::string SourceFile(const char* relative) {
    return std::string(LORVANO_SOURCE_DIR) + "/" + relative;
}
