// Speed of the word exercise on the user-interface thread:
// - BM_WordToMark: from the end of a word to the mark on the screen: the
//   etalon and the say (each about one second of espeak-ng speech as the
//   word detector collects it) through WordRecorded: Calculate of both, the
//   warp, both displays drawn (band display with error marks) and the result
//   view. Goal: under 20 ms.
// - BM_ListeningPerBuffer: one capture buffer (224 samples, 10.2 ms of audio)
//   through the detector while listening, in silence and inside a word. The
//   "load" counter is the share of the buffer's duration spent; goal 5 %.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "analysis/word_detector.h"
#include "display/dx_simple_image.h"
#include "exercises/word_exercise.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "settings/settings.h"

namespace {

// Collects the first word the detector finds.
struct Catch : vWordListener_i {
    void Suspend() override {}
    void Resume() override {}
    void WordRecorded(vRecording_c& recording) override {
        if (!word) word = std::make_unique<vRecording_c>(recording);
    }
    std::unique_ptr<vRecording_c> word;
};

// The language folder as the current directory (filter files, words).
void UseLanguageFolder() {
    std::filesystem::current_path(LORVANO_SOURCE_DIR "/data/english");
    gSettings.SetFileName(LORVANO_SOURCE_DIR "/data/english/trainer.ini");
}

// A word file as the detector hands it over: filters computed, pitch not.
std::unique_ptr<vRecording_c> DetectedWord(vTrWordExercise_c& ex, const char* file) {
    vRecording_c wav(vTrWordBase_c::kRecordingFrames);
    wav.LoadWave(file);
    vRecording_c recording(vTrWordBase_c::kRecordingFrames);
    vWordDetector_c detector{vWordDetectorSettings_c{}};
    detector.StartListening(recording);
    Catch c;
    std::vector<int16_t> silence(224, 0);
    for (int p = 0; p < wav.RecPos(); ++p)
        detector.ProcessBuffer(wav.Frame(p).Samples(), 224, ex.Processor(), recording, c);
    for (int p = 0; p < 60 && !c.word; ++p) detector.ProcessBuffer(silence.data(), 224, ex.Processor(), recording, c);
    return std::move(c.word);
}

std::unique_ptr<vTrWordExercise_c> MakeExercise() {
    vLoader_c loader;
    LoadDefinitionText("bench.exc", "<vTrWordExercise_c> Obj = { ResDisplay = {} DispErrBtn = {} }\n", loader);
    return std::unique_ptr<vTrWordExercise_c>(dynamic_cast<vTrWordExercise_c*>(loader.Release().release()));
}

void BM_WordToMark(benchmark::State& state) {
    UseLanguageFolder();
    vDxSimpleImage_c screen;
    screen.Create(800, 600, 32);
    auto ex = MakeExercise();
    ex->Attach(&screen);
    ex->SetDisplayMode(2);
    auto etalon = DetectedWord(*ex, "Words/Fish.wav");
    auto say = DetectedWord(*ex, "Words/Moon.wav");
    if (!etalon || !say) {
        state.SkipWithError("no word detected");
        return;
    }
    for (auto _ : state) {
        ex->SetEtalonMode(true);
        ex->WordRecorded(*etalon);
        ex->WordRecorded(*say);
        benchmark::DoNotOptimize(ex->LastMark());
    }
    state.counters["etalon_frames"] = ex->Etalon().RecSize();
    state.counters["say_frames"] = ex->Say().RecSize();
    std::filesystem::remove("say.wav");
}
BENCHMARK(BM_WordToMark)->Unit(benchmark::kMillisecond);

void BM_ListeningPerBuffer(benchmark::State& state) {
    UseLanguageFolder();
    auto ex = MakeExercise();
    vRecording_c wav(vTrWordBase_c::kRecordingFrames);
    wav.LoadWave("Words/Fish.wav");
    const bool inWord = state.range(0) != 0;
    // Silence: the first frame of the file; a word: its loudest part, over and over.
    const int16_t* samples = wav.Frame(inWord ? 40 : 0).Samples();
    std::vector<int16_t> block(samples, samples + 224);
    platform::AudioBuffer header;
    header.data = reinterpret_cast<char*>(block.data());
    header.bufferLength = 224 * 2;
    ex->Recording().Rewind();
    int buffers = 0;
    for (auto _ : state) {
        ex->OnCaptureBuffer(header);
        // Inside a word the recording fills: start it afresh before it is full.
        if (++buffers == 900) {
            state.PauseTiming();
            ex->Recording().Rewind();
            buffers = 0;
            state.ResumeTiming();
        }
    }
    state.counters["load"] = benchmark::Counter(static_cast<double>(state.iterations()) * 224.0 / 22050.0,
                                                benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    std::filesystem::remove("say.wav");
}
BENCHMARK(BM_ListeningPerBuffer)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
