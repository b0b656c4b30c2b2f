#include "analysis/log_energy.h"

#include <bit>

namespace {

struct LogScale {
    int32_t k;
    int32_t offset;
    int32_t table[256];

    explicit LogScale(int32_t unitsPerDoubling) { Build(unitsPerDoubling); }
    void Build(int32_t unitsPerDoubling) {
        k = unitsPerDoubling;
        offset = 5000 - 15 * k;
        for (int i = 0; i < 256; ++i)
            table[i] = static_cast<int32_t>(static_cast<double>(i) / 255.0 * k);
    }
};

LogScale gLogScale(600);

}  // namespace

void InitLogScale(int32_t k) { gLogScale.Build(k); }

int32_t LogEnergy(uint32_t e) {
    if (e < 256) return kLogFloor;
    const int n = 31 - std::countl_zero(e);
    const int c = n - 8;
    const uint32_t m = (e >> c) - 256;
    return gLogScale.k * c + gLogScale.table[m] + gLogScale.offset;
}
