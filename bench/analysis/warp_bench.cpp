// Time warping of two word sections of n x n frames with speech-like band
// energies (the word exercise compares up to 1000 x 1000 frames per say).
#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <vector>

#include "analysis/time_warp.h"

namespace {

struct Word {
    Word(int frames, unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> noise(-300, 300);
        data.resize(static_cast<size_t>(frames));
        for (int i = 0; i < frames; ++i)
            for (int k = 0; k < 20; ++k)
                data[static_cast<size_t>(i)][static_cast<size_t>(k)] = 1500 + (i * 37 + k * 211) % 3500 + noise(rng);
        for (auto& f : data) ptrs.push_back(f.data());
    }
    std::vector<std::array<int32_t, 20>> data;
    std::vector<const int32_t*> ptrs;
};

void BM_Warp(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Word etalon(n, 1), say(n, 2);
    vWarpData_c warp;
    for (auto _ : state) {
        warp.Warp(etalon.ptrs.data(), n, say.ptrs.data(), n, 2000);
        benchmark::DoNotOptimize(warp.Distance());
    }
    state.SetItemsProcessed(state.iterations() * n * n);
}
BENCHMARK(BM_Warp)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
