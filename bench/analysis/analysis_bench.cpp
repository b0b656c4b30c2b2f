// Speed of the analysis: the filter bank and pitch trackers per second of
// audio (the "x_real_time" counter is seconds of audio analysed per second),
// and Calculate over a recording of 1000 frames.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "analysis/hm_block_processor.h"
#include "analysis/recording.h"

namespace {

vHMProcessorSetup_c Setup() {
    vHMProcessorSetup_c setup;
    setup.coefficients = LORVANO_SOURCE_DIR "/data/english/coef.dat";
    setup.calibration = LORVANO_SOURCE_DIR "/data/english/calib.txt";
    return setup;
}

// One second of a voiced-sounding signal: a gliding pulse train plus noise.
std::vector<int16_t> Audio() {
    std::vector<int16_t> s(22050 / 224 * 224);
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0, 300);
    double phase = 0;
    for (size_t n = 0; n < s.size(); ++n) {
        phase += 2 * M_PI * (120 + 60 * n / 22050.0) / 22050;
        const double v = 8000 * std::pow(std::sin(phase / 2), 20) * std::sin(phase * 7) + noise(rng);
        s[n] = static_cast<int16_t>(v);
    }
    return s;
}

void ProcessSecond(benchmark::State& state, vHMKernel kernel, bool filters, bool pitch) {
    vHMBlockProcessor_c p(Setup());
    p.SetKernel(kernel);
    const auto s = Audio();
    vAllHmData_c frame;
    for (auto _ : state) {
        for (size_t n = 0; n + 224 <= s.size(); n += 224)
            p.ProcessBlock(s.data() + n, 224, false, frame, filters, pitch);
        benchmark::DoNotOptimize(frame.fullBand);
    }
    state.counters["x_real_time"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * s.size() / 22050.0, benchmark::Counter::kIsRate);
}

void BM_ProcessBlock_FiltersAndPitch(benchmark::State& state) {
    ProcessSecond(state, vHMKernel::Vector, true, true);
}
void BM_ProcessBlock_FiltersAndPitch_Scalar(benchmark::State& state) {
    ProcessSecond(state, vHMKernel::Batch, true, true);
}
void BM_ProcessBlock_FiltersAndPitch_Reference(benchmark::State& state) {
    ProcessSecond(state, vHMKernel::Reference, true, true);
}
void BM_ProcessBlock_FiltersOnly(benchmark::State& state) {
    ProcessSecond(state, vHMKernel::Vector, true, false);
}
void BM_ProcessBlock_PitchOnly(benchmark::State& state) {
    ProcessSecond(state, vHMKernel::Vector, false, true);
}

vRecording_c Recording(vHMBlockProcessor_c& p) {
    const auto s = Audio();
    vRecording_c rec(1000);
    rec.SetProcessor(&p);
    vAllHmData_c frame;
    for (int f = 0; f < 1000; ++f) {
        const size_t at = (static_cast<size_t>(f) * 224) % (s.size() - 224);
        frame.SetSamples(s.data() + at, 224);
        rec.AppendFrame(frame, false, false);
    }
    rec.Calculate(2000, 2, 0, true, 10);
    return rec;
}

// Post-processing of an analysed recording (steps after the analysis).
void BM_Calculate1000Frames(benchmark::State& state) {
    vHMBlockProcessor_c p(Setup());
    vRecording_c rec = Recording(p);
    for (auto _ : state) {
        rec.Calculate(2000, 2, 0, true, 10);
        benchmark::DoNotOptimize(rec.MaxFullBand());
    }
}

// The same with the pitch recomputed from the samples, as after loading.
void BM_Calculate1000FramesWithPitch(benchmark::State& state) {
    vHMBlockProcessor_c p(Setup());
    vRecording_c rec = Recording(p);
    for (auto _ : state) {
        rec.SetPitchCalculated(false);
        rec.Calculate(2000, 2, 0, true, 10);
        benchmark::DoNotOptimize(rec.MaxFullBand());
    }
}

}  // namespace

BENCHMARK(BM_ProcessBlock_FiltersAndPitch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessBlock_FiltersAndPitch_Scalar)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessBlock_FiltersAndPitch_Reference)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessBlock_FiltersOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessBlock_PitchOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Calculate1000Frames)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Calculate1000FramesWithPitch)->Unit(benchmark::kMicrosecond);
