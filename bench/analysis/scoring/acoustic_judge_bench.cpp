// Marking a say of one second against the acoustic model, as lorvano-analyze
// gop does: resampling to 16 kHz, the word's phones aligned, the free phone
// loop over the same samples, the scores and marks. The model is loaded
// once, as an exercise would keep its judge. The say is the bundled etalon
// of "spoon" with quiet before and after, one second in all.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "analysis/recording.h"
#include "analysis/scoring/acoustic_judge.h"

namespace {

std::vector<int16_t> OneSecondSpoon() {
    vRecording_c rec;
    rec.LoadWave(LORVANO_SOURCE_DIR "/data/english/Words/S/Spoon.wav");
    std::vector<int16_t> word;
    for (int32_t i = 0; i <= rec.RecPos() && i < rec.Size(); ++i)
        if (const int16_t* s = rec.Frame(i).Samples()) word.insert(word.end(), s, s + rec.Frame(i).SampleCount());
    constexpr size_t kSecond = 22050;
    if (word.size() > kSecond) word.resize(kSecond);
    std::vector<int16_t> say((kSecond - word.size()) / 2, 0);
    say.insert(say.end(), word.begin(), word.end());
    say.resize(kSecond, 0);
    return say;
}

void BM_AcousticJudge(benchmark::State& state) {
    vAcousticJudge_c judge(vAcousticJudge_c::DefaultModelFolder(), {});
    const std::vector<int16_t> say = OneSecondSpoon();
    const std::vector<std::string> phones = judge.PhonesOf("spoon");
    for (auto _ : state) {
        const vAcousticJudgment_c j = judge.Judge(say.data(), say.size(), 22050, phones, "s");
        if (!j.Marked()) state.SkipWithError(j.error.c_str());
        benchmark::DoNotOptimize(j.mark);
    }
}
BENCHMARK(BM_AcousticJudge)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
