// Cost of one capture buffer in the live spectrum exercise at the default
// settings (3 windows of 224 samples, one analysed, 10 shadows, smoothing
// and error colours on): the filter bank over the analysed window, the
// display area restored from the level picture, 10 curves of 77 points,
// the distance and the mark, drawn on an offscreen 800 x 600 x 32 screen.
// The budget is 5 % of the buffer's 30.5 ms, about 1.5 ms. "Corridor" is
// the arithmetic alone (curves, distance) for both calculations.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "audio/wave.h"
#include "display/dx_simple_image.h"
#include "exercises/rt_hm_exercise.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "settings/settings.h"

namespace {

std::string List(int value) {
    std::string s = "(";
    for (int k = 0; k < 20; ++k) s += (k ? "," : "") + std::to_string(value);
    return s + ")";
}

// A hissing buffer: noise with a high-band emphasis, like a held "s".
void FillHiss(int16_t* s, int n, std::mt19937& rng) {
    std::normal_distribution<double> noise(0, 4000);
    double previous = 0;
    for (int i = 0; i < n; ++i) {
        const double v = noise(rng);
        s[i] = static_cast<int16_t>(std::clamp(v - 0.9 * previous, -32000.0, 32000.0));
        previous = v;
    }
}

void PerBuffer(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "lorvano_rt_hm_bench";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "trainer.ini") << "[Preprocessor]\nCoeficients=" LORVANO_SOURCE_DIR
                                          "/data/english/coef.dat\nEqualize=" LORVANO_SOURCE_DIR
                                          "/data/english/calib.txt\n";
    gSettings.SetFileName((dir / "trainer.ini").c_str());
    // An 800 x 600 x 32 screen drawn for the design resolution.
    SetDxScreenInfo({true, 32, false, 800, 600, 800, 600});
    vDxSimpleImage_c screen;
    screen.Create(800, 600, 32);

    vLoader_c loader;
    LoadDefinitionText("bench.exc",
                       "<vTrRtHmExercise_c> Obj = {\n<vDxSimpleImage_c> Level1Pic = { Width = 600; Height = 400; "
                       "BPP = 32; }\nMinValues1 = " + List(1500) + ";\nMaxValues1 = " + List(3500) +
                           ";\nMinWeight1 = " + List(50) + ";\nMaxWeight1 = " + List(50) + ";\nResDisplay = { }\n}\n",
                       loader);
    std::unique_ptr<vTrRtHmExercise_c> ex(dynamic_cast<vTrRtHmExercise_c*>(loader.Release().release()));
    ex->Attach(&screen);
    setenv("LORVANO_AUDIO", "file", 1);
    ex->Show();
    ex->StopRecording();

    vWaveBuffer_c buffer(static_cast<uint32_t>(ex->BufferLength()) * 2);
    std::mt19937 rng(3);
    FillHiss(buffer.Samples(), ex->BufferLength(), rng);
    const std::vector<int16_t> hiss(buffer.Samples(), buffer.Samples() + ex->BufferLength());
    for (auto _ : state) {
        // The window is applied in place; every buffer starts from the same samples.
        std::copy(hiss.begin(), hiss.end(), buffer.Samples());
        buffer.Header()->bytesRecorded = buffer.Bytes();
        ex->Capture().PreprocessBuffer(buffer.Header());
        ex->Capture().ProcessBuffer(buffer.Header());
    }
    state.counters["mark"] = ex->Mark();
    ex.reset();
    gSettings.SetFileName(nullptr);
    std::filesystem::remove_all(dir);
}
BENCHMARK(PerBuffer)->Unit(benchmark::kMicrosecond);

void Corridor(benchmark::State& state) {
    const bool newCalculation = state.range(0) != 0;
    vRtHmSpectrum_c spectrum;
    spectrum.SetShadows(10);
    spectrum.SetTracking(500);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int32_t> level(0, 5000);
    for (int r = 0; r < 10; ++r) {
        int32_t row[kRtHmBands];
        for (int32_t& v : row) v = level(rng);
        spectrum.Store(row);
    }
    std::vector<int32_t> lo(kRtHmBands, 1500), hi(kRtHmBands, 3500), w(kRtHmBands, 50);
    const vRtHmCorridor_c corridor{lo.data(), hi.data(), w.data(), w.data()};
    vRtHmGeometry_c g;
    g.Set(15, 50, 600, 400, false);
    vRtHmOptions_c options;
    options.newCalculation = newCalculation;
    const vRtHmPenalty_c penalty{3, 200, 600};
    for (auto _ : state) benchmark::DoNotOptimize(spectrum.Evaluate(g, corridor, options, penalty));
}
BENCHMARK(Corridor)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
