// Per capture buffer: framing, analysis and drawing of the loudness trace
// (224 samples), the pitch trace (672) and the pitch head (1120), on an
// offscreen 800 x 600 x 32 screen with the bundled filter bank. The counter
// "load_pct" is the time in percent of the buffer's duration at 22050 Hz.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "display/dx_simple_image.h"
#include "exercises/amp_exercise.h"
#include "exercises/pitch_exercise.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "settings/settings.h"

namespace {

// Settings and screen for the length of one benchmark.
struct Stage {
    Stage() {
        dir = std::filesystem::temp_directory_path() / ("lorvano_trace_bench_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::ofstream((dir / "trainer.ini").string())
            << "[Preprocessor]\nCoeficients=" LORVANO_SOURCE_DIR "/data/english/coef.dat\n"
            << "Equalize=" LORVANO_SOURCE_DIR "/data/english/calib.txt\n";
        gSettings.SetFileName((dir / "trainer.ini").c_str());
        setenv("LORVANO_AUDIO", "file", 1);
        unsetenv("LORVANO_AUDIO_IN");
        vDxScreenInfo info;
        info.exists = true;
        info.bpp = 32;
        info.defaultResX = info.actualResX = 800;
        info.defaultResY = info.actualResY = 600;
        SetDxScreenInfo(info);
        screen.Create(800, 600, 32);
    }
    ~Stage() {
        gSettings.SetFileName(nullptr);
        SetDxScreenInfo({});
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::filesystem::path dir;
    vDxSimpleImage_c screen;
};

// A voiced buffer: a 180 Hz tone with two overtones at about -10 dBFS.
std::vector<std::int16_t> Voice(int n) {
    std::vector<std::int16_t> s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = i / 22050.0;
        s[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(
            6000 * std::sin(2 * M_PI * 180 * t) + 3000 * std::sin(2 * M_PI * 360 * t) + 1500 * std::sin(2 * M_PI * 540 * t));
    }
    return s;
}

// definition: the exercise as a definition file gives it.
void BM_Buffer(benchmark::State& state, const char* definition) {
    Stage stage;
    vLoader_c loader;
    LoadDefinitionText("bench.exc", definition, loader);
    std::unique_ptr<vTrHmContExercise_c> owned(dynamic_cast<vTrHmContExercise_c*>(loader.Release().release()));
    vTrHmContExercise_c& ex = *owned;
    ex.Attach(&stage.screen);
    ex.Show();
    ex.StopRecording();
    const int n = ex.BufferLength();
    const std::vector<std::int16_t> voice = Voice(n * 8);
    vWaveBuffer_c buffer(static_cast<std::uint32_t>(n) * 2);
    std::size_t at = 0;
    for (auto _ : state) {
        // The filter bank works in place: each buffer is fresh input.
        std::copy(voice.begin() + static_cast<std::ptrdiff_t>(at), voice.begin() + static_cast<std::ptrdiff_t>(at) + n,
                  buffer.Samples());
        at = (at + static_cast<std::size_t>(n)) % voice.size();
        ex.Capture().PreprocessBuffer(buffer.Header());
        ex.Capture().ProcessBuffer(buffer.Header());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["samples"] = n;
    // Time per hundredth of the audio processed: the share of the buffer's duration in percent.
    state.counters["load_pct"] = benchmark::Counter(static_cast<double>(state.iterations()) * n / 22050.0 / 100.0,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Buffer, Amplitude, "<vTrAmpExercise_c> Obj = { }")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Buffer, Pitch, "<vTrPitchExercise_c> Obj = { }")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Buffer, Pitch2,
                  "<vTrPitch2Exercise_c> Obj = { HeadMinY = 100; HeadMaxY = 400; HeadX = 300; "
                  "NeckPos = (310, 560); <vDxFileImage_c> HeadImage = { FileName = \"" LORVANO_SOURCE_DIR
                  "/data/english/Pictures/Voice/GiraffeHead.bmp\"; } <vDxFileImage_c> NeckImage = { FileName = \""
                  LORVANO_SOURCE_DIR "/data/english/Pictures/Voice/GiraffeNeck.bmp\"; } }")
    ->Unit(benchmark::kMicrosecond);
